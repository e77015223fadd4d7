#include "FileImport.h"

#include "CsvImportDialog.h"
#include "DuplicateImportDialog.h"
#include "ImportExportText.h"
#include "ImportSummaryDialog.h"
#include "core/BookImport.h"
#include "core/CVOK_AddressDoc.h"
#include "ui/common/LongWork.h"
#include "ui/common/MessageBox.h"

#include <optional>

bool FileImport::ImportFile(QWidget* parent, CVOK_AddressDoc& doc, const QString& path)
{
    BookImport import(doc);
    BookImport::Kind kind;
    {
        // A large file takes a moment to read before anything can be shown of it.
        LongWork work(parent, ImportExportText::Reading);
        kind = import.load(path, [&work](std::uint64_t done, std::uint64_t total) {
            work.update(0, 1, done, total);
        });
    }
    ForeignCsv::Plan plan;
    switch (kind) {
    case BookImport::Kind::Unreadable:
        MessageBox::information(parent, ImportExportText::ImportFailed);
        return false;
    case BookImport::Kind::NotText:
        MessageBox::information(parent, ImportExportText::NotAddressBook);
        return false;
    case BookImport::Kind::ForeignCsv: {
        CsvImportDialog preview(import.bytes(), path, doc.groupNames(), import.knownGroups(),
                                parent);
        if (preview.exec() != QDialog::Accepted)
            return false;
        plan = preview.plan();
        break;
    }
    case BookImport::Kind::VCard:
    case BookImport::Kind::OwnCsv:
        break;
    }
    // Large files take a while: progress, and no end of the program in the middle. One dialog
    // from reading to adding, unless the user is asked about contacts the book holds already.
    std::optional<LongWork> work(std::in_place, parent, ImportExportText::Importing);
    const auto progress = [&work](std::size_t, std::uint64_t done, std::uint64_t total) {
        work->update(0, 1, done, total);
    };
    // Read aside: the window paints and its timers run until the contacts are there.
    const auto paint = [&work] { work->letWindowAnswer(); };
    import.read(import.kind() == BookImport::Kind::ForeignCsv ? &plan : nullptr, progress, paint);
    // Nothing changes before the user has seen what the book holds already.
    if (!import.found().isEmpty()) {
        DuplicateImportDialog found(import, parent, paint);
        work.reset();
        if (found.exec() != QDialog::Accepted)
            return false;
        work.emplace(parent, ImportExportText::Importing);
    }
    import.add(paint);
    work.reset();
    ImportSummaryDialog summary(import, parent);
    if (summary.exec() == QDialog::Accepted) {
        // Thousands of contacts may move into the groups: the window answers meanwhile.
        work.emplace(parent, ImportExportText::Importing);
        import.createGroups(summary.chosenGroups(), paint);
    }
    return true;
}
