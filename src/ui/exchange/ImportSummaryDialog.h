#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class BookImport;
class QCheckBox;

namespace Ui {
class ImportSummaryDialog;
}

// What an import brought: how many contacts came in, the characters replaced by 〓, values cut
// to fit, lines refused and photos left out; and the groups the file names that the book lacks,
// ticked for creation.
class ImportSummaryDialog : public QDialog
{
    Q_OBJECT
public:
    // Lists of more entries than this end with how many more there are.
    static constexpr int MaxListed = 500;

    ImportSummaryDialog(const BookImport& import, QWidget* parent = nullptr);
    ~ImportSummaryDialog() override;

    // The groups left ticked.
    QStringList chosenGroups() const;
    QString details() const;

private:
    std::unique_ptr<Ui::ImportSummaryDialog> ui;
    QList<QCheckBox*> m_groupBoxes;
};
