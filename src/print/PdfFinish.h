#pragma once

#include <QByteArray>
#include <QHash>
#include <QSizeF>

class QFont;

// Mends two things in the PDF that Qt's writer produces, in place, before it is saved:
//
// - Text. Qt names each glyph in the ToUnicode map by the lowest code point the font's cmap
//   gives it. CJK fonts map the Kangxi radicals (U+2F00...) to the same glyphs as the ideographs
//   they stand for, so 山 came out as ⼭ and the file's text could not be searched or copied.
//   Each such radical in the maps becomes its ideograph again: the one the font draws with the
//   same glyph, else its compatibility form.
// - Size. Qt writes the page in whole points (a postcard 284 x 419 pt, 100.2 x 147.8 mm). The
//   media box becomes the exact size, keeping the top left corner where the drawing is measured
//   from.
//
// The object offsets are rewritten to match. A file not laid out as Qt writes it is left alone.
namespace PdfFinish {

// Radical → the ideograph the font gives the same glyph (⻘ → 青, which Unicode decomposes not).
QHash<uint, uint> radicalIdeographs(const QFont& font);

bool finish(QByteArray& pdf, QSizeF pageMm, const QHash<uint, uint>& radicals = {});

} // namespace PdfFinish
