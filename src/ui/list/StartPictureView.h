#pragma once

#include "model/storage/StartPicture.h"

#include <QImage>
#include <QTableView>
#include <string>

// The view of a start picture's rows. Where the list it stands for looks as it did at the
// exit (same size, scale, font and colours) and is scrolled as it was, it draws the pixels
// kept then instead of laying out every row's text again, which is most of a start's work.
class StartPictureView : public QTableView
{
    Q_OBJECT
public:
    explicit StartPictureView(QWidget* parent = nullptr);

    // The rows' area of a list as it is painted now, with the look it depends on.
    static StartPicture::Pixels pixelsOf(const QTableView& list);
    // What those pixels depend on besides the texts, their places and the area's size.
    static std::string lookOf(const QTableView& list);

    // Kept while the view lives; drawn only at the given scroll position and look.
    void setPixels(StartPicture::Pixels pixels, const std::string& look, int verticalScroll,
                   int horizontalScroll);
    bool drawsPixels() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StartPicture::Pixels m_pixels;
    QImage m_image; // over m_pixels.data
    int m_verticalScroll = 0;
    int m_horizontalScroll = 0;
};
