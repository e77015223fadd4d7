#pragma once

#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <memory>

class RecordingEngine;

// A paint device that keeps, instead of pixels, every piece of text drawn on it: its characters,
// the ink of its outline on the page and the turn of its baseline. Coordinates in millimetres.
class RecordingDevice : public QPaintDevice
{
public:
    struct Text
    {
        QString text;
        QRectF ink;         // millimetres from the page's top left
        qreal rotation = 0; // degrees clockwise
    };

    RecordingDevice();
    ~RecordingDevice() override;

    // Runs `draw` with a painter in millimetres on a fresh device; returns what it drew.
    template <typename F> static QList<Text> record(F draw)
    {
        RecordingDevice device;
        QPainter painter(&device);
        painter.scale(PixelsPerMm, PixelsPerMm);
        draw(painter);
        painter.end();
        return device.texts();
    }

    QList<Text> texts() const;
    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    static constexpr int PixelsPerMm = 10;
    std::unique_ptr<RecordingEngine> m_engine;
};
