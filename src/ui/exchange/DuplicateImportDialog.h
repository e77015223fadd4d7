#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class BookImport;
class QTreeWidgetItem;

namespace Ui {
class DuplicateImportDialog;
}

// Before an import: the contacts of the file that seem to be in the book, each beside the
// book's contact with the values that differ side by side, and what to do with each (leave
// out, merge or update, add as new). Nothing changes before the user presses Import.
class DuplicateImportDialog : public QDialog
{
    Q_OBJECT
public:
    // With `waiting`, run every few milliseconds while thousands of rows are made: a window
    // keeps painting meanwhile.
    DuplicateImportDialog(BookImport& import, QWidget* parent = nullptr,
                          const std::function<void()>& waiting = {});
    ~DuplicateImportDialog() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The contact's row of a row of its differing values.
    static QTreeWidgetItem* contactOf(QTreeWidgetItem* item);
    void setAll(int action);
    void apply();

    std::unique_ptr<Ui::DuplicateImportDialog> ui;
    BookImport& m_import;
};
