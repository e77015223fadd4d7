#include "CsvExchange.h"

#include "ContactText.h"
#include "app/CMainFrame.h"
#include "model/CsvFile.h"
#include "ui/common/FileDialog.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Text.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"

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

void CsvExchange::OnImport(CMainFrame* frame, CGroupTree* tree, CAddressList* list)
{
    const QString path = FileDialog::getOpenFileName(
        frame, ContactText::ImportTitle, ContactText::CsvFilter, ContactText::CsvSuffix);
    if (path.isEmpty()) {
        tree->contextItem = nullptr;
        return;
    }
    RecordList& records = frame->records();
    const std::size_t before = records.size();
    CsvFile::ReadResult result;
    {
        Progress progress(frame, ContactText::Importing);
        result = CsvFile::Read(
            QFile::encodeName(path).toStdString(), records,
            [&progress](std::size_t, std::uint64_t bytesRead, std::uint64_t totalBytes) {
                progress.update(0, bytesRead, totalBytes);
            });
        // Lines before a format error stay imported, as rows too.
        const std::size_t added = records.size() - before;
        for (std::size_t i = 0; i < added; ++i) {
            list->AddRecordRow(records.at(before + i), true);
            if (i % 1000 == 999)
                progress.update(1, i, added);
        }
    }
    switch (result.status) {
    case CsvFile::ReadStatus::Ok:
        break;
    case CsvFile::ReadStatus::OpenFailed:
        MessageBox::information(frame, ContactText::ImportFailed);
        break;
    case CsvFile::ReadStatus::FormatError:
        MessageBox::information(frame, ContactText::FormatError);
        break;
    }
    tree->contextItem = nullptr;
}

void CsvExchange::OnExport(CMainFrame* frame, CGroupTree* tree)
{
    const QString path = FileDialog::getSaveFileName(
        frame, ContactText::ExportTitle, ContactText::CsvFilter, ContactText::CsvSuffix);
    if (!path.isEmpty() && !tree->ExportGroupCsv(path))
        MessageBox::information(frame, ContactText::ExportFailed);
    tree->contextItem = nullptr;
}

bool CsvExchange::ExportGroup(QWidget*, const RecordList& records, const QString& group,
                              const QString& path)
{
    return CsvFile::Write(QFile::encodeName(path).toStdString(), records,
                          Text::toCp932Lossy(group)) == CsvFile::WriteStatus::Ok;
}
