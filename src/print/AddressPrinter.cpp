#include "AddressPrinter.h"

#include "PrintText.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <algorithm>

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

bool AddressPrinter::print(QPagedPaintDevice& device, const QList<Addressee>& addressees) const
{
    const int pages = pageCount(addressees.size());
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
        drawPage(painter, addressees, page);
    }
    return painter.end();
}

bool AddressPrinter::writePdf(const QString& path, const QList<Addressee>& addressees,
                              const Sender& sender, const PrintOptions& options)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("VOK_Address"));
        writer.setTitle(PrintText::pdfTitle());
        if (!AddressPrinter(options, sender).print(writer, addressees)) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}
