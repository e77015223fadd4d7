#include "SheetHeader.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>

namespace {
const QString kText = QStringLiteral("VOK System");
constexpr int kCellHeight = 24;
} // namespace

SheetHeader::SheetHeader(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(kText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFont(headerFont());
}

QFont SheetHeader::headerFont()
{
    // Large bold italic lettering, 24 pixels from the top of its tallest letter to the bottom
    // of its lowest: where Arial is missing the desktop's sans serif stands in for it.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setItalic(true);
    font.setPixelSize(kCellHeight);
    const int height = QFontMetrics(font).height();
    if (height > kCellHeight)
        font.setPixelSize(std::max(1, kCellHeight * kCellHeight / height));
    return font;
}

QSize SheetHeader::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(kText) + 4, fm.height() + 2};
}

void SheetHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect().adjusted(1, 1, -1, -1);
    // Engraved: a light copy one pixel down and right, the dark text over it.
    p.setPen(palette().color(QPalette::Light));
    p.drawText(r.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, kText);
    p.setPen(palette().color(QPalette::Dark));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, kText);
}

QWidget* SheetHeader::buttonRow(QDialogButtonBox* buttons, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new SheetHeader(row));
    layout->addStretch(1);
    layout->addWidget(buttons);
    return row;
}
