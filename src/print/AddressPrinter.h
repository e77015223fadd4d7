#pragma once

#include "Addressee.h"
#include "LabelPage.h"
#include "PostcardPage.h"
#include "PrintOptions.h"
#include "Sender.h"

#include <QList>
#include <QPageLayout>

class QPagedPaintDevice;
class QPainter;

// Prints addressees as postcards (one a page) or label sheets onto any paged device: a QPrinter
// for the printer and the preview, a QPdfWriter for PDF files. Needs a QGuiApplication (fonts),
// not a window.
class AddressPrinter
{
public:
    AddressPrinter(const PrintOptions& options, const Sender& sender);

    // The paper: the postcard or A4, portrait, without margins.
    QPageLayout pageLayout() const;
    int pageCount(qsizetype addressees) const;

    // Draws page `page` (from 0). The painter works in millimetres, its origin at the paper's
    // top left corner.
    void drawPage(QPainter& painter, const QList<Addressee>& addressees, int page) const;

    // Sets the device's page layout and draws every page, moved by the layout's offset; a
    // QPrinter's page range is obeyed. With no addressees, the calibration page. False when
    // the device cannot be painted on.
    bool print(QPagedPaintDevice& device, const QList<Addressee>& addressees) const;
    // One page to calibrate the printer with: the layout's boxes or label outlines and a
    // millimetre ruler from the paper's corner, moved by the offset as the cards are.
    bool printCalibration(QPagedPaintDevice& device) const;
    void drawCalibration(QPainter& painter) const;

    // Writes the pages to a PDF file, replacing it only when the whole file was written; false
    // when there is nothing to print.
    static bool writePdf(const QString& path, const QList<Addressee>& addressees,
                         const Sender& sender, const PrintOptions& options);

    // Mends a PDF file a QPrinter wrote from these options (the preview's "print to file"): its
    // text and page size, as writePdf does. The file is replaced only when the whole was written.
    static bool finishPdfFile(const QString& path, const PrintOptions& options);

private:
    PrintOptions m_options;
    PostcardPage m_postcard;
    LabelPage m_labels;
};
