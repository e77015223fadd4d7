#include "SheetHeader.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>

namespace {

const QString kText = QStringLiteral("VOK System");
constexpr int kCellHeight = 24;

// Bold italic Arial whose line (ascent and descent) is 24 pixels high.
QFont headerFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(kCellHeight);
    const int cell = QFontMetrics(font).height();
    if (cell > 0)
        font.setPixelSize(qMax(1, qRound(double(kCellHeight) * kCellHeight / cell)));
    return font;
}

} // namespace

SheetHeader::SheetHeader(QWidget* parent) : QWidget(parent)
{
    setFont(headerFont());
    setAccessibleName(kText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
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
