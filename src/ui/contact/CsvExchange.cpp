#include "CsvExchange.h"

#include "ContactText.h"
#include "core/CVOK_AddressDoc.h"
#include "core/Text.h"
#include "model/CsvFile.h"
#include "ui/common/FileDialog.h"
#include "ui/common/MessageBox.h"

#include <QFile>
#include <QProgressDialog>

namespace {

// A modal progress dialog that appears only when the work takes longer than half a second,
// driven from the reader's callback; its event processing keeps the window painted.
class Progress
{
public:
    Progress(QWidget* parent, const QString& label) : m_dialog(label, QString(), 0, 1000, parent)
    {
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setCancelButton(nullptr);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
    }

    // Reading takes the first half of the bar, adding the rows the second.
    void update(int half, std::uint64_t done, std::uint64_t total)
    {
        if (total == 0)
            return;
        const auto part = std::min<std::uint64_t>(done * 500 / total, 499);
        m_dialog.setValue(half * 500 + static_cast<int>(part));
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

void CsvExchange::OnImport(QWidget* parent, CVOK_AddressDoc& doc)
{
    const QString path = FileDialog::getOpenFileName(
        parent, ContactText::ImportTitle, ContactText::CsvFilter, ContactText::CsvSuffix);
    if (path.isEmpty())
        return;
    RecordList read;
    CsvFile::ReadResult result;
    {
        Progress progress(parent, ContactText::Importing);
        result = CsvFile::Read(
            QFile::encodeName(path).toStdString(), read,
            [&progress](std::size_t, std::uint64_t bytesRead, std::uint64_t totalBytes) {
                progress.update(0, bytesRead, totalBytes);
            });
        // Lines before a format error stay imported.
        progress.update(1, 1, 2);
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
