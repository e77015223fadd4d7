#pragma once

#include <QString>

// Every Japanese text that printing puts on paper or into a PDF's properties.
namespace PrintText {

inline QString honorific()
{
    return QStringLiteral("様");
}
// After a company's name when no person is named.
inline QString companyHonorific()
{
    return QStringLiteral("御中");
}
inline QString postalMark()
{
    return QStringLiteral("〒");
}
// The preview's note on a card whose address had to be set smaller than the minimum.
inline QString addressTooSmall(double minimumMm)
{
    return QStringLiteral("住所が長く、文字が %1 mm より小さくなります").arg(minimumMm, 0, 'f', 1);
}
inline QString fontMissing(const QString& family)
{
    return QStringLiteral("フォント「%1」がありません").arg(family);
}
// Why a contact is left out of a print run, and what a printed card should be looked at for.
inline QString leftOutNoAddress()
{
    return QStringLiteral("住所も郵便番号もない");
}
inline QString leftOutMourning()
{
    return QStringLiteral("喪中");
}
inline QString leftOutDontSend()
{
    return QStringLiteral("年賀状を送らない印");
}
inline QString leftOutNotMarked()
{
    return QStringLiteral("年賀状を送る印がない");
}
inline QString warningGeta()
{
    return QStringLiteral("〓 があります（文字を直してください）");
}
inline QString warningPostalCode(const QString& code)
{
    return QStringLiteral("郵便番号「%1」が7桁ではありません").arg(code);
}
inline QString noName()
{
    return QStringLiteral("（名前なし）");
}
// The calibration page.
inline QString calibrationTitle()
{
    return QStringLiteral("位置合わせ用 試し印刷");
}
inline QString calibrationHint()
{
    return QStringLiteral(
        "枠と目盛りが用紙の印刷とずれた分を、宛名印刷の「位置の調整」に入れてください");
}
inline QString pdfTitle()
{
    return QStringLiteral("宛名印刷");
}

} // namespace PrintText
