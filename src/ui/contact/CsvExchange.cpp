#include "CsvExchange.h"

#include "ContactText.h"
#include "FileImport.h"
#include "core/BookExport.h"
#include "core/Text.h"
#include "model/exchange/csv/CsvFile.h"
#include "ui/common/FileDialog.h"
#include "ui/common/MessageBox.h"

#include <QFile>

void CsvExchange::OnImport(QWidget* parent, CVOK_AddressDoc& doc)
{
    const QString path = FileDialog::getOpenFileName(
        parent, ContactText::ImportTitle, ContactText::ImportFilters.join(QStringLiteral(";;")),
        QString());
    if (!path.isEmpty())
        FileImport::ImportFile(parent, doc, path);
}

void CsvExchange::OnExport(QWidget* parent, const CVOK_AddressDoc& doc,
                           std::span<const AddressRecord* const> records)
{
    int chosen = 0;
    const QString path =
        FileDialog::getSaveFileName(parent, ContactText::ExportTitle, ContactText::ExportFilters,
                                    ContactText::ExportSuffixes, &chosen);
    if (path.isEmpty())
        return;
    if (BookExport::write(doc, path, static_cast<ExportFormat::Format>(chosen), records) !=
        FileIo::WriteStatus::Ok)
        MessageBox::information(parent, ContactText::ExportFailed);
}

bool CsvExchange::ExportGroupCsv(const RecordList& records, const QString& group,
                                 const QString& path)
{
    return CsvFile::Write(QFile::encodeName(path).toStdString(), records,
                          Text::toCp932Lossy(group)) == CsvFile::WriteStatus::Ok;
}
