#pragma once

#include <QString>
#include <algorithm>

// What the user chooses for a print run. Plain values, so that the settings can keep them.

enum class PrintLayout
{
    Postcard, // one postcard a page, written vertically
    Label12,  // A4 sheet of 2 x 6 labels
    Label24,  // A4 sheet of 3 x 8 labels
};

// How the numbers of a vertical address are written.
enum class NumeralStyle
{
    KanjiTen,  // 10 → 十, 23 → 二十三
    KanjiZero, // 10 → 一〇, 23 → 二三
    Upright,   // full-width digits, one upright in each cell
};

// Where the labels sit on the sheet, in millimetres. Real sheets differ by a millimetre from
// their nominal sizes, hence every value is the user's to adjust.
struct LabelSheet
{
    int columns = 2;
    int rows = 6;
    double labelWidthMm = 86.4;
    double labelHeightMm = 42.3;
    double marginLeftMm = 18.6; // paper edge to the first label
    double marginTopMm = 21.6;
    double pitchXMm = 86.4; // left edge of one label to the next one's
    double pitchYMm = 42.3;
    double paddingMm = 4.0; // label edge to its text

    // The common sheets: 12 labels of 86.4 x 42.3 mm, 24 labels of 70 x 33.9 mm.
    static LabelSheet defaults(PrintLayout layout);
    int labelsPerPage() const { return std::max(1, columns) * std::max(1, rows); }
};

struct PrintOptions
{
    PrintLayout layout = PrintLayout::Postcard;
    QString fontFamily = QStringLiteral("Noto Serif CJK JP");
    NumeralStyle numerals = NumeralStyle::KanjiTen;
    // After a person's name; a company without a person gets "御中" instead.
    QString honorific;
    // The postcard's own printed boxes and the labels' outlines, for plain paper and the preview;
    // never on real cards and sheets.
    bool drawGuides = false;
    LabelSheet label12 = LabelSheet::defaults(PrintLayout::Label12);
    LabelSheet label24 = LabelSheet::defaults(PrintLayout::Label24);

    PrintOptions();
    // The sheet of the chosen label layout.
    const LabelSheet& labelSheet() const;
};
