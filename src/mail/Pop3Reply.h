#pragma once

#include <QByteArray>

// One POP3 reply line (its CR LF taken off) judged apart from the socket that brought it.
class Pop3Reply
{
public:
    // "-ERR" in any letter case.
    static bool IsFailure(const QByteArray& line);
    // The number after the first blank or tab, read like atoll (white space, sign, digits);
    // false, with count untouched, when the line has neither.
    static bool ParseCount(const QByteArray& line, long long& count);
    // The reply to one step: false when empty (nothing came) or a failure; a status reply also
    // gives the message count (a count below zero or beyond int's range is a failure).
    static bool Judge(const QByteArray& line, bool statusStep, int& count);
};
