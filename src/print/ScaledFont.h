#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

class QPainter;

// One font drawn at any size in millimetres. The painter works in millimetres, where a font's
// whole pixel sizes would be far too coarse; so the font stays at one large reference size and
// every drawing scales it, which keeps metrics and positions exact at every size.
class ScaledFont
{
public:
    // Top of the ideographic em box above the baseline, in ems (CJK fonts put it at 0.88).
    static constexpr qreal EmAscent = 0.88;

    explicit ScaledFont(const QString& family);

    const QFont& font() const { return m_font; }
    // Advance width of the text set at `size` millimetres to the em.
    qreal advance(const QString& text, qreal size) const;
    // The ink of the text set at `size`, relative to its origin on the baseline.
    QRectF ink(const QString& text, qreal size) const;
    // Draws the text with its baseline origin at `origin`, turned clockwise by `degrees` about it.
    void draw(QPainter& painter, QPointF origin, const QString& text, qreal size,
              qreal degrees = 0) const;

private:
    QFont m_font;
    QFontMetricsF m_metrics;
};
