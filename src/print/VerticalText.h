#pragma once

#include <QPointF>
#include <QString>

class QPainter;
class ScaledFont;

// A vertical line of Japanese text, set glyph by glyph, since Qt lays out text horizontally only.
// Each character stands upright in a square cell below the previous one, except those that
// vertical writing turns (long vowel mark, dashes, wave dash, brackets), small kana, which move
// a little up and right, and 、 and 。, which move to the upper right corner.
class VerticalText
{
public:
    enum class Form
    {
        Upright,
        Turned, // a quarter turn clockwise
        Small,  // small kana: a little up and right of the centre
        Corner, // 、。: from the lower left corner of the cell to the upper right
    };
    static Form form(QStringView character);

    // The length of the line set at `size` millimetres to the em, with `spacing` ems between
    // characters. A space takes half a cell.
    static qreal length(const ScaledFont& font, const QString& text, qreal size, qreal spacing = 0);
    // Draws the line downwards from `top`, each cell centred on the vertical through it.
    static void draw(QPainter& painter, const ScaledFont& font, QPointF top, const QString& text,
                     qreal size, qreal spacing = 0);
};
