#pragma once

#include <QString>
#include <QStringList>

// Where a long address breaks into the two lines of a postcard.
namespace AddressSplit {

// The address (already made vertical, see KanjiNumerals::toVertical) as one line, or as two
// when it holds a line break or is longer than `capacity` characters. Of more than two written
// lines the last ones join, so that the building keeps a line of its own. A long line breaks, in
// this order of preference, at a space, before the building after the house number, before the
// house number, or after a 市, 区, 町, 村 or 郡; among equals, where the longer line is shortest.
QStringList lines(const QString& address, int capacity);

} // namespace AddressSplit
