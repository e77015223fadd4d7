#pragma once

#include <QString>
#include <QStringList>

// Where an address breaks into the lines of a postcard or a label.
namespace AddressSplit {

// The address (already made vertical, see KanjiNumerals::toVertical) in as few lines as fit
// `capacity` characters each, at most `maxLines`; when nothing fits, the split whose longest
// line is shortest (the caller shrinks the type). Breaks go where a writer breaks: the user's
// own line breaks first, then a space, before the building after the house number, after a
// Kyoto direction (上ル, 下ル, 入ル) or the town part (市, 区, 郡, 町, 村), before the house
// number, after the prefecture; never inside a house number (北一条西五丁目二―九) or a katakana
// or Latin word unless nothing else will do.
QStringList lines(const QString& address, int capacity, int maxLines = 2);

} // namespace AddressSplit
