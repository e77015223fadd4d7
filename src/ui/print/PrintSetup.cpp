#include "PrintSetup.h"

#include "PrintUiText.h"
#include "settings/PrintSettings.h"
#include "settings/SenderSettings.h"

#include <QFontDatabase>
#include <algorithm>

namespace {

LabelSheet labelSheet(PrintLayout layout, const PrintSettings::Sheet& stored)
{
    using namespace PrintSetup;
    LabelSheet sheet = LabelSheet::defaults(layout);
    sheet.marginLeftMm = std::clamp(stored.leftMm, 0.0, MaxMarginMm);
    sheet.marginTopMm = std::clamp(stored.topMm, 0.0, MaxMarginMm);
    sheet.labelWidthMm = std::clamp(stored.widthMm, MinLabelMm, MaxLabelMm);
    sheet.labelHeightMm = std::clamp(stored.heightMm, MinLabelMm, MaxLabelMm);
    sheet.pitchXMm = std::clamp(stored.pitchXMm, MinLabelMm, MaxLabelMm);
    sheet.pitchYMm = std::clamp(stored.pitchYMm, MinLabelMm, MaxLabelMm);
    return sheet;
}

} // namespace

namespace PrintSetup {

PrintLayout layout(int stored)
{
    switch (stored) {
    case PrintSettings::Label12:
        return PrintLayout::Label12;
    case PrintSettings::Label24:
        return PrintLayout::Label24;
    default:
        return PrintLayout::Postcard;
    }
}

PrintOptions options(const PrintSettings& settings)
{
    PrintOptions o;
    o.layout = layout(settings.layout);
    if (!settings.fontFamily.isEmpty())
        o.fontFamily = settings.fontFamily;
    o.numerals = settings.numerals == PrintSettings::KanjiZero ? NumeralStyle::KanjiZero
                 : settings.numerals == PrintSettings::Upright ? NumeralStyle::Upright
                                                               : NumeralStyle::KanjiTen;
    o.drawGuides = settings.guides;
    o.tateChuYoko = settings.tateChuYoko;
    for (std::size_t i = 0; i < o.offsetMm.size(); ++i)
        o.offsetMm[i] = QPointF(settings.offsets[i].xMm, settings.offsets[i].yMm);
    o.label12 = labelSheet(PrintLayout::Label12, settings.label12);
    o.label24 = labelSheet(PrintLayout::Label24, settings.label24);
    return o;
}

Sender sender(const SenderSettings& settings)
{
    return {settings.name.trimmed(), settings.postalCode.trimmed(), settings.address.trimmed()};
}

QStringList notes(const PrintRun& run)
{
    QStringList lines;
    if (!run.leftOut().isEmpty()) {
        lines << PrintUiText::LeftOutCount.arg(run.leftOut().size());
        for (const PrintRun::Note& note : run.leftOut())
            lines << PrintUiText::NoteLine.arg(note.name, note.reason);
    }
    if (!run.warnings().isEmpty()) {
        lines << PrintUiText::WarningCount.arg(run.warnings().size());
        for (const PrintRun::Note& note : run.warnings())
            lines << PrintUiText::NoteLine.arg(note.name, note.reason);
    }
    return lines;
}

bool fontInstalled(const QString& family)
{
    return family.isEmpty() || QFontDatabase::hasFamily(family);
}

} // namespace PrintSetup
