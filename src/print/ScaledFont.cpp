#include "ScaledFont.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int ReferencePixels = 200;

QFont referenceFont(const QString& family)
{
    QFont font(family);
    font.setPixelSize(ReferencePixels);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

} // namespace

ScaledFont::ScaledFont(const QString& family) : m_font(referenceFont(family)), m_metrics(m_font) {}

qreal ScaledFont::advance(const QString& text, qreal size) const
{
    return m_metrics.horizontalAdvance(text) * size / ReferencePixels;
}

QRectF ScaledFont::ink(const QString& text, qreal size) const
{
    // The outline, since the metrics' tight rectangle reaches down to the baseline for some
    // glyphs (ー).
    QPainterPath path;
    path.addText(0, 0, m_font, text);
    const QRectF r = path.boundingRect();
    const qreal k = size / ReferencePixels;
    return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k);
}

void ScaledFont::draw(QPainter& painter, QPointF origin, const QString& text, qreal size,
                      qreal degrees) const
{
    painter.save();
    painter.translate(origin);
    if (degrees != 0)
        painter.rotate(degrees);
    const qreal k = size / ReferencePixels;
    painter.scale(k, k);
    painter.setFont(m_font);
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
}
