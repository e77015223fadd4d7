#include "Pop3Reply.h"

#include <climits>
#include <cstdlib>

bool Pop3Reply::IsFailure(const QByteArray& line)
{
    return line.size() >= 4 && qstrnicmp(line.constData(), "-ERR", 4) == 0;
}

bool Pop3Reply::ParseCount(const QByteArray& line, int& count)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
        ++i;
    if (i == line.size())
        return false;
    const QByteArray rest = line.mid(i); // zero-terminated copy for strtol
    const long n = std::strtol(rest.constData(), nullptr, 10);
    count = n > INT_MAX ? INT_MAX : (n < INT_MIN ? INT_MIN : static_cast<int>(n));
    return true;
}

bool Pop3Reply::Judge(const QByteArray& line, bool statusStep, int& count)
{
    if (line.isEmpty() || IsFailure(line))
        return false;
    if (statusStep) {
        int parsed = count;
        // No working server counts below zero: such a reply fails the check rather than
        // reporting a negative number of messages.
        if (ParseCount(line, parsed) && parsed < 0)
            return false;
        count = parsed;
    }
    return true;
}
