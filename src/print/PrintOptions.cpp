#include "PrintOptions.h"

LabelSheet LabelSheet::defaults(PrintLayout layout)
{
    LabelSheet sheet;
    if (layout == PrintLayout::Label24) {
        // 3 x 70 mm fill the A4 width; 8 x 33.9 mm leave 12.9 mm above and below.
        sheet.columns = 3;
        sheet.rows = 8;
        sheet.labelWidthMm = sheet.pitchXMm = 70.0;
        sheet.labelHeightMm = sheet.pitchYMm = 33.9;
        sheet.marginLeftMm = 0.0;
        sheet.marginTopMm = 12.9;
        sheet.paddingMm = 3.5;
    }
    return sheet;
}

const LabelSheet& PrintOptions::labelSheet() const
{
    return layout == PrintLayout::Label24 ? label24 : label12;
}
