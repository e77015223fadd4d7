#include "AddressPrint.h"

#include "PrintDialog.h"
#include "PrintSetup.h"
#include "PrintUiText.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "print/AddressPrinter.h"
#include "print/PrintText.h"
#include "settings/SenderSettings.h"
#include "ui/common/FileDialog.h"
#include "ui/common/MessageBox.h"
#include "ui/list/CAddressList.h"

#include <QDir>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>

namespace {

std::vector<const AddressRecord*> shownRecords(const CAddressList& list)
{
    std::vector<const AddressRecord*> records;
    const int rows = list.model()->rowCount();
    records.reserve(std::size_t(rows));
    for (int row = 0; row < rows; ++row)
        records.push_back(list.recordAt(row));
    return records;
}

// Shows the cards (or, for no addressees, the calibration page); true when they went to a
// printer from the preview.
bool showPreview(QWidget* parent, const PrintOptions& options, const Sender& sender,
                 const QList<Addressee>& addressees)
{
    bool printed = false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(PrintText::pdfTitle());
    printer.setPageLayout(AddressPrinter(options, sender).pageLayout());
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(PrintUiText::PreviewTitle);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&](QPrinter* device) {
                         // The preview shows the card's printed boxes and the labels' edges,
                         // which the real card and sheet have; paper gets them only on request.
                         PrintOptions shown = options;
                         if (device->paintEngine()->type() == QPaintEngine::Picture) {
                             shown.drawGuides = true;
                             shown.markProblems = true;
                         }
                         if (AddressPrinter(shown, sender).print(*device, addressees) &&
                             device->paintEngine()->type() != QPaintEngine::Picture)
                             printed = true;
                     });
    if (const QScreen* screen = parent ? parent->screen() : nullptr)
        preview.resize(screen->availableSize() * 4 / 5);
    preview.exec();
    // "Print to file" from the preview writes a PDF of its own: mended like ours.
    if (printed && printer.outputFormat() == QPrinter::PdfFormat &&
        !printer.outputFileName().isEmpty())
        AddressPrinter::finishPdfFile(printer.outputFileName(), options);
    return printed;
}

// Marks the year's 年賀状 as sent for every printed contact, as one step to undo.
void markSent(QWidget* parent, CVOK_AddressDoc* doc, const PrintRun& run, int year)
{
    if (!doc || run.printed().empty())
        return;
    if (MessageBox::question(parent, PrintUiText::MarkSent.arg(run.printed().size()).arg(year)) !=
        MessageBox::Yes)
        return;
    bool first = true;
    for (const AddressRecord* printed : run.printed()) {
        AddressRecord* record = doc->findByUid(printed->uid());
        if (!record)
            continue;
        AddressRecord value = *record;
        value.setExtras(PrintRun::markedSent(record->extras(), year));
        doc->JoinChanges(!first);
        first = !doc->ChangeRecord(record, value) && first;
    }
    doc->JoinChanges(false);
}

bool writePdf(QWidget* parent, const PrintOptions& options, const Sender& sender,
              const QList<Addressee>& addressees)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString path = FileDialog::getSaveFileName(parent, PrintUiText::PdfTitle,
                                                     PrintUiText::PdfFilter, QStringLiteral("pdf"),
                                                     folder + u'/' + PrintUiText::PdfFileName);
    if (path.isEmpty())
        return false;
    if (!AddressPrinter::writePdf(path, addressees, sender, options)) {
        MessageBox::information(parent, PrintUiText::PdfFailed.arg(path));
        return false;
    }
    return true;
}

} // namespace

bool AddressPrint::CanPrint(const CAddressList& list)
{
    return list.model()->rowCount() > 0;
}

void AddressPrint::OnPrintAddresses(QWidget* parent, CVOK_AddressDoc* doc, const CAddressList& list,
                                    bool listHasFocus)
{
    std::vector<const AddressRecord*> records;
    QString what;
    if (listHasFocus && list.GetSelectedCount() > 0) {
        for (const AddressRecord* record : list.selectedRecords())
            records.push_back(record);
        what = PrintUiText::WhatSelected.arg(records.size());
    } else {
        records = shownRecords(list);
        const QString group = list.shownGroupName();
        const QString count = QString::number(records.size());
        what = CVOK_AddressDoc::isRootName(group) ? PrintUiText::WhatEveryone.arg(count)
                                                  : PrintUiText::WhatGroup.arg(group, count);
    }
    if (records.empty())
        return;

    PrintDialog dialog(std::move(records), what, parent);
    dialog.onCalibrate = [&dialog](const PrintOptions& options) {
        showPreview(&dialog, options, Sender(), {});
    };
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.settings().save();
    const PrintOptions options = dialog.options();
    const Sender sender = PrintSetup::sender(SenderSettings::load());
    const PrintRun run = dialog.run();
    const bool done = dialog.action() == PrintDialog::Action::Preview
                          ? showPreview(parent, options, sender, run.addressees())
                          : writePdf(parent, options, sender, run.addressees());
    if (done && dialog.year())
        markSent(parent, doc, run, *dialog.year());
}
