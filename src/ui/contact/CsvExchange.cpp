#include "CsvExchange.h"

#include "ContactText.h"
#include "core/CVOK_AddressDoc.h"
#include "core/Text.h"
#include "model/CsvFile.h"
#include "ui/common/FileDialog.h"
#include "ui/common/LongWork.h"
#include "ui/common/MessageBox.h"

#include <QFile>

void CsvExchange::OnImport(QWidget* parent, CVOK_AddressDoc& doc)
{
    const QString path = FileDialog::getOpenFileName(
        parent, ContactText::ImportTitle, ContactText::CsvFilter, ContactText::CsvSuffix);
    if (path.isEmpty())
        return;
    RecordList read;
    CsvFile::ReadResult result;
    {
        LongWork work(parent, ContactText::Importing);
        result =
            CsvFile::Read(QFile::encodeName(path).toStdString(), read,
                          [&work](std::size_t, std::uint64_t bytesRead, std::uint64_t totalBytes) {
                              work.update(0, 1, bytesRead, totalBytes);
                          });
        // Lines before a format error stay imported.
        doc.ImportRecords(read.TakeRecords());
    }
    switch (result.status) {
    case CsvFile::ReadStatus::Ok:
        break;
    case CsvFile::ReadStatus::OpenFailed:
        MessageBox::information(parent, ContactText::ImportFailed);
        break;
    case CsvFile::ReadStatus::FormatError:
        MessageBox::information(parent, ContactText::FormatError);
        break;
    }
}

void CsvExchange::OnExport(QWidget* parent, const CVOK_AddressDoc& doc, const QString& group)
{
    const QString path = FileDialog::getSaveFileName(
        parent, ContactText::ExportTitle, ContactText::CsvFilter, ContactText::CsvSuffix);
    if (!path.isEmpty() && !ExportGroupCsv(doc.records(), group, path))
        MessageBox::information(parent, ContactText::ExportFailed);
}

bool CsvExchange::ExportGroupCsv(const RecordList& records, const QString& group,
                                 const QString& path)
{
    return CsvFile::Write(QFile::encodeName(path).toStdString(), records,
                          Text::toCp932Lossy(group)) == CsvFile::WriteStatus::Ok;
}
