#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class BookImport;
class QCheckBox;

namespace Ui {
class CImportSummaryDialog;
}

// What an import brought: how many contacts came in, the characters replaced by 〓, values cut
// to fit, lines refused and photos left out; and the groups the file names that the book lacks,
// ticked for creation.
class CImportSummaryDialog : public QDialog
{
    Q_OBJECT
public:
    // Lists of more entries than this end with how many more there are.
    static constexpr int MaxListed = 500;

    CImportSummaryDialog(const BookImport& import, QWidget* parent = nullptr);
    ~CImportSummaryDialog() override;

    // The groups left ticked.
    QStringList chosenGroups() const;
    QString details() const;

private:
    std::unique_ptr<Ui::CImportSummaryDialog> ui;
    QList<QCheckBox*> m_groupBoxes;
};
