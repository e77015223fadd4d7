#include "StartPictureView.h"

#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <cmath>
#include <cstring>

StartPictureView::StartPictureView(QWidget* parent) : QTableView(parent) {}

StartPicture::Pixels StartPictureView::pixelsOf(const QTableView& list)
{
    StartPicture::Pixels pixels;
    const QImage image = list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return pixels;
    pixels.width = std::uint32_t(image.width());
    pixels.height = std::uint32_t(image.height());
    pixels.look = lookOf(list);
    pixels.data.resize(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels.data.data() + std::size_t(y) * pixels.width, image.constScanLine(y),
                    pixels.width * sizeof(std::uint32_t));
    return pixels;
}

std::string StartPictureView::lookOf(const QTableView& list)
{
    const QWidget* viewport = list.viewport();
    QString look = list.style()->name() + u'|' + viewport->font().key() + u'|' +
                   QString::number(viewport->devicePixelRatioF()) + u'|' +
                   QString::number(list.verticalHeader()->defaultSectionSize()) + u'|' +
                   QString::number(list.iconSize().width()) + u'|' +
                   QString::number(int(list.showGrid())) + QString::number(int(list.gridStyle())) +
                   QString::number(int(list.alternatingRowColors()));
    const QPalette& palette = viewport->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const QPalette::ColorRole role :
             {QPalette::Base, QPalette::AlternateBase, QPalette::Text, QPalette::Highlight,
              QPalette::HighlightedText, QPalette::Mid})
            look += u'|' + palette.color(group, role).name(QColor::HexArgb);
    }
    return look.toStdString();
}

void StartPictureView::setPixels(StartPicture::Pixels pixels, const std::string& look,
                                 int verticalScroll, int horizontalScroll)
{
    m_image = QImage();
    m_pixels = std::move(pixels);
    if (m_pixels.data.empty() || m_pixels.look != look)
        return;
    m_image = QImage(reinterpret_cast<const uchar*>(m_pixels.data.data()), int(m_pixels.width),
                     int(m_pixels.height), qsizetype(m_pixels.width) * 4, QImage::Format_RGB32);
    m_image.setDevicePixelRatio(viewport()->devicePixelRatioF());
    m_verticalScroll = verticalScroll;
    m_horizontalScroll = horizontalScroll;
}

bool StartPictureView::drawsPixels() const
{
    if (m_image.isNull())
        return false;
    const qreal scale = viewport()->devicePixelRatioF();
    return std::lround(viewport()->width() * scale) == m_image.width() &&
           std::lround(viewport()->height() * scale) == m_image.height() &&
           verticalScrollBar()->value() == m_verticalScroll &&
           horizontalScrollBar()->value() == m_horizontalScroll;
}

void StartPictureView::paintEvent(QPaintEvent* event)
{
    if (!drawsPixels()) {
        // Scrolled or resized: the texts from here on, and the pixels are no longer needed.
        m_image = QImage();
        m_pixels = {};
        QTableView::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.drawImage(QPointF(0, 0), m_image);
}
