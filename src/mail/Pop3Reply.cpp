#include "Pop3Reply.h"

#include <climits>
#include <cstdlib>

bool Pop3Reply::IsFailure(const QByteArray& line)
{
    return line.size() >= 4 && qstrnicmp(line.constData(), "-ERR", 4) == 0;
}

bool Pop3Reply::ParseCount(const QByteArray& line, long long& count)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
        ++i;
    if (i == line.size())
        return false;
    const QByteArray rest = line.mid(i);                 // zero-terminated copy for strtoll
    count = std::strtoll(rest.constData(), nullptr, 10); // held to its range when beyond
    return true;
}

bool Pop3Reply::Judge(const QByteArray& line, bool statusStep, int& count)
{
    if (line.isEmpty() || IsFailure(line))
        return false;
    if (statusStep) {
        long long parsed = count;
        // No working server counts below zero or beyond what the count can hold: such a reply
        // fails the check rather than reporting a wrong number of messages.
        if (ParseCount(line, parsed) && (parsed < 0 || parsed > INT_MAX))
            return false;
        count = static_cast<int>(parsed);
    }
    return true;
}
