#pragma once

#include <QPointF>
#include <QString>
#include <algorithm>
#include <array>
#include <optional>

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
    // As Japanese addresses are written by hand: 丁目, 番地, 号 and floors of one or two digits
    // in 十 style (二十三), longer numbers digit by digit (一二〇五号室), 5F as 五階, numbers in a
    // building's or place's name (サンシャイン60, 第2ビル) upright as the user wrote them.
    KanjiTen,
    KanjiZero, // every number digit by digit: 10 → 一〇, 23 → 二三
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
    // Numbers of two digits that stay digits share one cell, side by side (縦中横).
    bool tateChuYoko = false;
    // The 敬称 of every person for this run (empty: none); unset, each contact's own. A company
    // without a person gets "御中" whatever this says.
    std::optional<QString> honorific;
    // Addresses shrink down to this size (millimetres to the em), then stand out of their room.
    double minimumAddressSizeMm = 3.5;
    // The postcard's own printed boxes and the labels' outlines, for plain paper and the preview;
    // never on real cards and sheets.
    bool drawGuides = false;
    // The preview's notes on the page: an address set below the minimum size, a missing font.
    bool markProblems = false;
    LabelSheet label12 = LabelSheet::defaults(PrintLayout::Label12);
    LabelSheet label24 = LabelSheet::defaults(PrintLayout::Label24);
    // What each layout's printer needs moved, in millimetres right and down, by layout.
    std::array<QPointF, 3> offsetMm{};

    // The sheet of the chosen label layout.
    const LabelSheet& labelSheet() const;
    QPointF offset() const { return offsetMm[std::size_t(layout)]; }
};
