#include "RecordingDevice.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QtMath>

class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    Type type() const override { return User; }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QTransform t = painter()->combinedTransform();
        QPainterPath outline;
        outline.addText(p, item.font(), item.text());
        const QRectF ink = t.map(outline).boundingRect();
        const qreal k = 1.0 / pixelsPerMm;
        texts.append({item.text(),
                      QRectF(ink.x() * k, ink.y() * k, ink.width() * k, ink.height() * k),
                      qRadiansToDegrees(std::atan2(t.m12(), t.m11()))});
    }

    QList<RecordingDevice::Text> texts;
    int pixelsPerMm = 1;
};

RecordingDevice::RecordingDevice() : m_engine(std::make_unique<RecordingEngine>())
{
    m_engine->pixelsPerMm = PixelsPerMm;
}

RecordingDevice::~RecordingDevice() = default;

QList<RecordingDevice::Text> RecordingDevice::texts() const
{
    return m_engine->texts;
}

QPaintEngine* RecordingDevice::paintEngine() const
{
    return m_engine.get();
}

int RecordingDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
    case PdmHeight:
        return 300 * PixelsPerMm; // room for an A4 page
    case PdmWidthMM:
    case PdmHeightMM:
        return 300;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return qRound(PixelsPerMm * 25.4);
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}
