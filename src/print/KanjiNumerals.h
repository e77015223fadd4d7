#pragma once

#include "PrintOptions.h"

#include <QString>
#include <QStringView>

// Numbers and Latin text of addresses made ready for vertical writing.
namespace KanjiNumerals {

// The number that `digits` (ASCII or full-width digits only) writes: 23 → 二十三 (KanjiTen),
// 二三 (KanjiZero) or ２３ (Upright). A number with a leading zero keeps every digit.
QString fromDigits(QStringView digits, NumeralStyle style);

// The address as a vertical line shows it: every number as `style` writes it (KanjiTen: the
// address rule, see NumeralStyle), a hyphen between two numbers as "―" (a vertical stroke once
// turned), half-width letters, signs and katakana in their full-width forms so that each stands
// upright in its cell. Spaces and line breaks stay. With `tateChuYoko`, a number of two digits
// that stays digits comes out as two ASCII digits, which VerticalText sets in one cell.
QString toVertical(QStringView address, NumeralStyle style, bool tateChuYoko = false);

} // namespace KanjiNumerals
