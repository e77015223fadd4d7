// libFuzzer target: any bytes as one POP3 reply line. The verdict and the message count must be
// those of a plain reading of the rules, whatever a hostile server sends.
#include "mail/Pop3Reply.h"

#include <climits>
#include <cstdint>

namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The count as atoll reads it after the first blank or tab; false when there is none.
bool expectedCount(const QByteArray& line, long long& count)
{
    qsizetype i = line.indexOf(' ');
    const qsizetype tab = line.indexOf('\t');
    if (i < 0 || (tab >= 0 && tab < i))
        i = tab;
    if (i < 0)
        return false;
    while (i < line.size() && isCSpace(line[i]))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    long long value = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        if (value <= LLONG_MAX / 100)
            value = value * 10 + (line[i] - '0');
    }
    count = negative ? -value : value;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray line(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool failure = line.size() >= 4 && lower(line[0]) == '-' && lower(line[1]) == 'e' &&
                         lower(line[2]) == 'r' && lower(line[3]) == 'r';
    if (Pop3Reply::IsFailure(line) != failure)
        __builtin_trap();

    int untouched = 12345;
    if (Pop3Reply::Judge(line, false, untouched) != (!line.isEmpty() && !failure) ||
        untouched != 12345)
        __builtin_trap();

    // A status reply: its count as read, but a count outside 0..INT_MAX fails the step untouched.
    int count = 12345;
    const bool ok = Pop3Reply::Judge(line, true, count);
    bool expectOk = !line.isEmpty() && !failure;
    long long expected = 12345;
    if (expectOk && expectedCount(line, expected) && (expected < 0 || expected > INT_MAX)) {
        expectOk = false;
        expected = 12345;
    }
    if (ok != expectOk || count != expected)
        __builtin_trap();
    return 0;
}
