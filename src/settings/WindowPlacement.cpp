#include "WindowPlacement.h"

#include <cctype>
#include <limits>

namespace {

// The largest size Qt gives a widget (QWIDGETSIZE_MAX); no window edge lies beyond it.
constexpr int kMaxEdge = (1 << 24) - 1;

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One number as scanf's %d or %u reads it: leading blanks, a sign, digits. Unlike scanf, a
// value outside the target's range fails instead of being undefined.
template <typename T> bool readNumber(const QByteArray& s, qsizetype& pos, T& out)
{
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) {
        negative = s[pos] == '-';
        ++pos;
    }
    const qsizetype start = pos;
    long long value = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + (s[pos] - '0');
        if (value > 0xFFFFFFFFll)
            return false;
        ++pos;
    }
    if (pos == start)
        return false;
    if (negative)
        value = -value;
    if (value < static_cast<long long>(std::numeric_limits<T>::min()) ||
        value > static_cast<long long>(std::numeric_limits<T>::max()))
        return false;
    out = static_cast<T>(value);
    return true;
}

// The ", " between numbers: the comma must follow the number at once; the blank matches any
// run of blanks, none included.
bool readSeparator(const QByteArray& s, qsizetype& pos)
{
    if (pos >= s.size() || s[pos] != ',')
        return false;
    ++pos;
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    return true;
}

} // namespace

QRect WindowPlacement::normalRect() const
{
    // Stored numbers are taken as they stand: right - 1 or right - left may not fit an int.
    // Edges beyond what any window can have are no placement, and near the ends of int's range
    // QRect's own arithmetic would overflow.
    const auto sane = [](int edge) { return edge >= -kMaxEdge && edge <= kMaxEdge; };
    if (!sane(left) || !sane(top) || !sane(right) || !sane(bottom))
        return QRect();
    const qint64 width = qint64(right) - left;
    const qint64 height = qint64(bottom) - top;
    if (width <= 0 || height <= 0)
        return QRect();
    return QRect(left, top, int(width), int(height));
}

WindowPlacement WindowPlacement::fromNormalRect(const QRect& rect)
{
    WindowPlacement p;
    p.left = rect.left();
    p.top = rect.top();
    p.right = rect.left() + rect.width();
    p.bottom = rect.top() + rect.height();
    return p;
}

QString WindowPlacement::format() const
{
    return QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8, %9, %10")
        .arg(flags)
        .arg(showCmd)
        .arg(minX)
        .arg(minY)
        .arg(maxX)
        .arg(maxY)
        .arg(left)
        .arg(top)
        .arg(right)
        .arg(bottom);
}

std::optional<WindowPlacement> WindowPlacement::parse(const QString& text)
{
    const QByteArray s = text.toLatin1();
    WindowPlacement p;
    qsizetype pos = 0;
    if (!readNumber(s, pos, p.flags) || !readSeparator(s, pos) || !readNumber(s, pos, p.showCmd))
        return std::nullopt;
    int* const rest[] = {&p.minX, &p.minY, &p.maxX, &p.maxY, &p.left, &p.top, &p.right, &p.bottom};
    for (int* value : rest) {
        if (!readSeparator(s, pos) || !readNumber(s, pos, *value))
            return std::nullopt;
    }
    return p;
}
