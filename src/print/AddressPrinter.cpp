#include "AddressPrinter.h"

#include "PdfFinish.h"
#include "PrintText.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QMutex>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <algorithm>

namespace {

// Looked up once a font: every ideograph of the font is asked for its glyph.
QHash<uint, uint> radicalsOf(const QString& family)
{
    static QHash<QString, QHash<uint, uint>> known;
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    auto it = known.find(family);
    if (it == known.end())
        it = known.insert(family, PdfFinish::radicalIdeographs(ScaledFont(family).font()));
    return *it;
}

QSizeF paperOf(const PrintOptions& options)
{
    return options.layout == PrintLayout::Postcard ? PostcardPage::SizeMm : LabelPage::SizeMm;
}

} // namespace

AddressPrinter::AddressPrinter(const PrintOptions& options, const Sender& sender)
    : m_options(options), m_postcard(options, sender), m_labels(options)
{
}

QPageLayout AddressPrinter::pageLayout() const
{
    // Full-page mode puts the painter's origin at the paper's corner whatever margins a
    // printer insists on, so that boxes and labels land where the card and sheet have them.
    const QPageSize size(m_options.layout == PrintLayout::Postcard ? QPageSize::Postcard
                                                                   : QPageSize::A4);
    QPageLayout layout(size, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

int AddressPrinter::pageCount(qsizetype addressees) const
{
    if (m_options.layout == PrintLayout::Postcard)
        return int(addressees);
    const int perPage = m_labels.labelsPerPage();
    return int((addressees + perPage - 1) / perPage);
}

void AddressPrinter::drawPage(QPainter& painter, const QList<Addressee>& addressees, int page) const
{
    if (m_options.layout == PrintLayout::Postcard) {
        if (page >= 0 && page < addressees.size())
            m_postcard.draw(painter, addressees[page]);
        return;
    }
    const int perPage = m_labels.labelsPerPage();
    for (int i = 0; i < perPage; ++i) {
        const qsizetype index = qsizetype(page) * perPage + i;
        if (page < 0 || index >= addressees.size())
            break;
        m_labels.draw(painter, addressees[index], i);
    }
}

bool AddressPrinter::printCalibration(QPagedPaintDevice& device) const
{
    return print(device, {});
}

void AddressPrinter::drawCalibration(QPainter& painter) const
{
    // The layout's own boxes or outlines, a millimetre ruler along the top and the left edge
    // from the paper's corner, and a cross at each ten: where they land on the paper shows
    // the offset the printer needs.
    PrintOptions shown = m_options;
    shown.drawGuides = true;
    const QSizeF size =
        m_options.layout == PrintLayout::Postcard ? PostcardPage::SizeMm : LabelPage::SizeMm;
    painter.save();
    if (m_options.layout == PrintLayout::Postcard) {
        PostcardPage(shown, Sender()).draw(painter, Addressee());
    } else {
        const LabelPage labels(shown);
        for (int i = 0; i < labels.labelsPerPage(); ++i)
            labels.draw(painter, Addressee(), i);
    }
    painter.setPen(QPen(Qt::black, 0.1));
    for (int mm = 0; mm <= int(size.width()); ++mm) {
        const qreal tick = mm % 10 == 0 ? 5.0 : mm % 5 == 0 ? 3.5 : 2.0;
        painter.drawLine(QPointF(mm, 0), QPointF(mm, tick));
    }
    for (int mm = 0; mm <= int(size.height()); ++mm) {
        const qreal tick = mm % 10 == 0 ? 5.0 : mm % 5 == 0 ? 3.5 : 2.0;
        painter.drawLine(QPointF(0, mm), QPointF(tick, mm));
    }
    const ScaledFont font(m_options.fontFamily);
    for (int mm = 10; mm < int(size.width()); mm += 10)
        font.draw(painter, QPointF(mm + 0.5, 8.0), QString::number(mm), 2.5);
    for (int mm = 10; mm < int(size.height()); mm += 10)
        font.draw(painter, QPointF(6.0, mm + 1.0), QString::number(mm), 2.5);
    font.draw(painter, QPointF(12, size.height() / 2 - 4), PrintText::calibrationTitle(), 4.0);
    const QString hint = PrintText::calibrationHint();
    const qreal hintSize = std::min(3.0, (size.width() - 16) / std::max<qsizetype>(1, hint.size()));
    font.draw(painter, QPointF(8, size.height() / 2 + 2), hint, hintSize);
    painter.restore();
}

bool AddressPrinter::print(QPagedPaintDevice& device, const QList<Addressee>& addressees) const
{
    const int pages = addressees.isEmpty() ? 1 : pageCount(addressees.size());
    int first = 0;
    int last = pages - 1;
    if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
        if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
            first = printer->fromPage() - 1;
            if (printer->toPage() > 0)
                last = std::min(last, printer->toPage() - 1);
        }
    }
    if (first > last)
        return false;
    const QPageLayout layout = pageLayout();
    if (!device.setPageLayout(layout)) {
        // A printer that refuses a margin-free layout still takes the paper and full-page mode.
        device.setPageSize(layout.pageSize());
        if (auto* printer = dynamic_cast<QPrinter*>(&device))
            printer->setFullPage(true);
    }

    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage()) {
            painter.end();
            return false;
        }
        painter.resetTransform();
        painter.scale(device.logicalDpiX() / 25.4, device.logicalDpiY() / 25.4);
        painter.translate(m_options.offset());
        if (addressees.isEmpty())
            drawCalibration(painter);
        else
            drawPage(painter, addressees, page);
        if (m_options.markProblems && !QFontDatabase::hasFamily(m_options.fontFamily)) {
            painter.save();
            painter.setPen(Qt::red);
            ScaledFont(m_options.fontFamily)
                .draw(painter, QPointF(3, 8), PrintText::fontMissing(m_options.fontFamily), 2.6);
            painter.restore();
        }
    }
    return painter.end();
}

bool AddressPrinter::writePdf(const QString& path, const QList<Addressee>& addressees,
                              const Sender& sender, const PrintOptions& options)
{
    if (addressees.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Written in memory first: the text and the page size are mended before the file is saved.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("VOK_Address"));
        writer.setTitle(PrintText::pdfTitle());
        if (!AddressPrinter(options, sender).print(writer, addressees)) {
            file.cancelWriting();
            return false;
        }
    }
    PdfFinish::finish(pdf, paperOf(options), radicalsOf(options.fontFamily));
    if (file.write(pdf) != pdf.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool AddressPrinter::finishPdfFile(const QString& path, const PrintOptions& options)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray pdf = in.readAll();
    in.close();
    if (!PdfFinish::finish(pdf, paperOf(options), radicalsOf(options.fontFamily)))
        return false;
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(pdf) == pdf.size() && out.commit();
}
