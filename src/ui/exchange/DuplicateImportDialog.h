#pragma once

#include <QDialog>
#include <QList>
#include <memory>

class BookImport;
class QComboBox;

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
    DuplicateImportDialog(BookImport& import, QWidget* parent = nullptr);
    ~DuplicateImportDialog() override;

private:
    void setAll(int action);
    void apply();

    std::unique_ptr<Ui::DuplicateImportDialog> ui;
    BookImport& m_import;
    QList<QComboBox*> m_actions;
};
