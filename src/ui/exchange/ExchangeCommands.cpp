#include "ExchangeCommands.h"

#include "DuplicateFinderDialog.h"
#include "FileImport.h"
#include "ImportExportText.h"
#include "core/BookExport.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/exchange/csv/CsvFile.h"
#include "ui/common/FileDialog.h"
#include "ui/common/MessageBox.h"

#include <QFile>

void ExchangeCommands::OnImport(QWidget* parent, CVOK_AddressDoc& doc)
{
    const QString path = FileDialog::getOpenFileName(
        parent, ImportExportText::ImportTitle,
        ImportExportText::ImportFilters.join(QStringLiteral(";;")), QString());
    if (!path.isEmpty())
        FileImport::ImportFile(parent, doc, path);
}

void ExchangeCommands::OnFindDuplicates(QWidget* parent, CVOK_AddressDoc& doc)
{
    DuplicateFinderDialog dialog(doc, parent);
    dialog.exec();
}

void ExchangeCommands::OnExport(QWidget* parent, const CVOK_AddressDoc& doc,
                                std::span<const AddressRecord* const> records)
{
    int chosen = 0;
    const QString path = FileDialog::getSaveFileName(parent, ImportExportText::ExportTitle,
                                                     ImportExportText::ExportFilters,
                                                     ImportExportText::ExportSuffixes, &chosen);
    if (path.isEmpty())
        return;
    // The book's own files would be replaced by the export.
    if (DataLocation::isBookFile(doc.addressFilePath(), path)) {
        MessageBox::information(parent, ImportExportText::ExportOntoBook.arg(path));
        return;
    }
    if (BookExport::write(doc, path, static_cast<ExportFormat::Format>(chosen), records) !=
        FileIo::WriteStatus::Ok)
        MessageBox::information(parent, ImportExportText::ExportFailed);
}

bool ExchangeCommands::ExportGroupCsv(const RecordList& records, const QString& group,
                                      const QString& path)
{
    return CsvFile::Write(QFile::encodeName(path).toStdString(), records,
                          Text::toCp932Lossy(group)) == CsvFile::WriteStatus::Ok;
}
