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
inline QString pdfTitle()
{
    return QStringLiteral("宛名印刷");
}

} // namespace PrintText
