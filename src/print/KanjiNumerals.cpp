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

QString toVertical(QStringView address, NumeralStyle style)
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
            out += fromDigits(address.mid(i, end - i), style);
            i = end;
            afterNumber = true;
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
