#include "KanjiNumerals.h"

namespace KanjiNumerals {
namespace {

constexpr char16_t kDigits[] = u"〇一二三四五六七八九";

int digitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'０' && c <= u'９')
        return c.unicode() - u'０';
    return -1;
}

bool isHyphen(QChar c)
{
    switch (c.unicode()) {
    case u'-':
    case u'‐':
    case u'‑':
    case u'‒':
    case u'–':
    case u'—':
    case u'―':
    case u'−':
    case u'－':
    case u'ー':
    case u'ｰ':
        return true;
    default:
        return false;
    }
}

bool isHalfWidthKatakana(QChar c)
{
    return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F;
}

// 0..9999 with 千, 百, 十; a 1 before them is not written.
void appendGroup(QString& out, int value)
{
    static constexpr char16_t units[] = {u'千', u'百', u'十'};
    int divisor = 1000;
    for (char16_t unit : units) {
        const int d = value / divisor % 10;
        if (d > 1)
            out += QChar(kDigits[d]);
        if (d > 0)
            out += QChar(unit);
        divisor /= 10;
    }
    if (value % 10)
        out += QChar(kDigits[value % 10]);
}

QString digitByDigit(QStringView digits)
{
    QString out;
    for (QChar c : digits)
        out += QChar(kDigits[digitValue(c)]);
    return out;
}

QString withUnits(QStringView digits)
{
    static constexpr char16_t bigUnits[] = {0, u'万', u'億', u'兆', u'京'};
    constexpr qsizetype maxDigits = 4 * 5;
    if (digits.size() > maxDigits)
        return digitByDigit(digits);
    QString out;
    const qsizetype groups = (digits.size() + 3) / 4;
    qsizetype pos = 0;
    for (qsizetype g = groups - 1; g >= 0; --g) {
        const qsizetype len = digits.size() - pos - 4 * g;
        int value = 0;
        for (qsizetype i = 0; i < len; ++i)
            value = value * 10 + digitValue(digits[pos + i]);
        pos += len;
        if (value == 0)
            continue;
        appendGroup(out, value);
        if (g > 0)
            out += QChar(bigUnits[g]);
    }
    return out.isEmpty() ? QString(QChar(kDigits[0])) : out;
}

bool isLatin(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'Ａ' && u <= u'Ｚ') ||
           (u >= u'ａ' && u <= u'ｚ');
}

bool isKatakana(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x30A1 && u <= 0x30FF) || isHalfWidthKatakana(c); // with ー and ・
}

bool isFloorMark(QChar c)
{
    return c == u'F' || c == u'f' || c == u'Ｆ' || c == u'ｆ';
}

enum class NumberKind
{
    Address, // 丁目, 番地, 号, a room: as an address number
    Floor,   // 5F, 12階
    Name,    // part of a building's or place's name: as the user wrote it
};

// What the number at [at, at + length) of the address is, by its neighbours.
NumberKind numberKind(QStringView address, qsizetype at, qsizetype length)
{
    const qsizetype end = at + length;
    const QStringView rest = address.mid(end);
    if (rest.startsWith(u'階') ||
        (!rest.isEmpty() && isFloorMark(rest[0]) && (rest.size() == 1 || !isLatin(rest[1]))))
        return NumberKind::Floor;
    if (at == 0)
        return NumberKind::Address;
    // Followed by a word of an address (第5地割, ハイツ2号棟), whatever comes before.
    static const QString suffixes[] = {
        QStringLiteral("丁目"), QStringLiteral("番"), QStringLiteral("号"), QStringLiteral("地割"),
        QStringLiteral("条"),   QStringLiteral("線"), QStringLiteral("室")};
    for (const QString& suffix : suffixes) {
        if (rest.startsWith(suffix))
            return NumberKind::Address;
    }
    const QChar before = address[at - 1];
    if (before != u'第' && !isKatakana(before) && !isLatin(before))
        return NumberKind::Address;
    // After a name: a room number when it is long and ends the address (メゾン鈴木101);
    // else the name's own number (サンシャイン60, 第2ビル, ABC2).
    const bool last = rest.trimmed().isEmpty() || rest.startsWith(u' ') ||
                      rest.startsWith(u'\u3000') || rest.startsWith(u'\n');
    if (before != u'第' && last && length >= 3)
        return NumberKind::Address;
    return NumberKind::Name;
}

// The address rule: one or two digits in 十 style, more digit by digit.
QString addressNumber(QStringView digits)
{
    if (digits.size() <= 2 && digitValue(digits[0]) != 0)
        return withUnits(digits);
    return digitByDigit(digits);
}

QString asciiDigits(QStringView digits)
{
    QString out;
    for (QChar c : digits)
        out += QChar(u'0' + digitValue(c));
    return out;
}

} // namespace

QString fromDigits(QStringView digits, NumeralStyle style)
{
    switch (style) {
    case NumeralStyle::Upright: {
        QString out;
        for (QChar c : digits)
            out += QChar(u'０' + digitValue(c));
        return out;
    }
    case NumeralStyle::KanjiZero:
        return digitByDigit(digits);
    case NumeralStyle::KanjiTen:
        break;
    }
    if (digits.size() > 1 && digitValue(digits[0]) == 0)
        return digitByDigit(digits);
    return withUnits(digits);
}

QString toVertical(QStringView address, NumeralStyle style, bool tateChuYoko)
{
    QString out;
    out.reserve(address.size() * 2);
    qsizetype i = 0;
    bool afterNumber = false;
    while (i < address.size()) {
        const QChar c = address[i];
        if (digitValue(c) >= 0) {
            qsizetype end = i;
            while (end < address.size() && digitValue(address[end]) >= 0)
                ++end;
            const QStringView digits = address.mid(i, end - i);
            const QStringView rest = address.mid(end);
            i = end;
            afterNumber = true;
            if (style != NumeralStyle::KanjiTen) {
                out += tateChuYoko && style == NumeralStyle::Upright && digits.size() == 2
                           ? asciiDigits(digits)
                           : fromDigits(digits, style);
                continue;
            }
            switch (numberKind(address, i - digits.size(), digits.size())) {
            case NumberKind::Floor: {
                // 5F, B1F: the floor as 階 (地下 for the B, which went out as a letter).
                if (out.endsWith(u'Ｂ') &&
                    (i - digits.size() < 2 || !isLatin(address[i - digits.size() - 2]))) {
                    out.chop(1);
                    out += QStringLiteral("地下");
                }
                out += addressNumber(digits);
                if (!rest.startsWith(u'階')) {
                    out += u'階';
                    ++i; // the F
                }
                break;
            }
            case NumberKind::Name:
                out += tateChuYoko && digits.size() == 2
                           ? asciiDigits(digits)
                           : fromDigits(digits, NumeralStyle::Upright);
                break;
            case NumberKind::Address:
                out += addressNumber(digits);
                break;
            }
            continue;
        }
        if (afterNumber && isHyphen(c) && i + 1 < address.size() &&
            digitValue(address[i + 1]) >= 0) {
            out += u'―';
            ++i;
            continue;
        }
        afterNumber = false;
        if (isHalfWidthKatakana(c)) {
            qsizetype end = i;
            while (end < address.size() && isHalfWidthKatakana(address[end]))
                ++end;
            out += address.mid(i, end - i).toString().normalized(QString::NormalizationForm_KC);
            i = end;
            continue;
        }
        if (c.unicode() > 0x20 && c.unicode() < 0x7F)
            out += QChar(c.unicode() + 0xFEE0); // the full-width form of an ASCII sign or letter
        else
            out += c;
        ++i;
    }
    return out;
}

} // namespace KanjiNumerals
