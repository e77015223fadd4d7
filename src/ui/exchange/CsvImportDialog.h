#pragma once

#include "model/exchange/csv/CsvColumn.h"
#include "model/exchange/csv/ForeignCsv.h"

#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QComboBox;

namespace Ui {
class CsvImportDialog;
}

// The preview of a CSV file from another program (a spreadsheet, a web mail service, another
// address book): its encoding, whether the first row is a header, where each column goes and
// the target group, all guessed and changeable, with the first contacts shown as they will be
// imported.
class CsvImportDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr std::size_t SampleRows = 20;

    // bytes: the whole file, kept by the caller while the dialog lives. groups: the book's
    // groups; knownGroups: the same in CP932.
    CsvImportDialog(const std::string& bytes, const QString& fileName, const QStringList& groups,
                    std::vector<std::string> knownGroups, QWidget* parent = nullptr);
    ~CsvImportDialog() override;

    // The plan as the user left it.
    ForeignCsv::Plan plan() const;
    // Where a column goes.
    QComboBox* columnCombo(int column) const;

private:
    void takePlan(const ForeignCsv::Plan& plan);
    void onEncodingChosen();
    void onHeaderToggled(bool on);
    void onColumnChosen(int column, int choice);
    void fillColumns();
    void fillGroups();
    void showSample();
    bool hasGroupColumn() const;
    int choiceIndex(const CsvColumn& column) const;

    std::unique_ptr<Ui::CsvImportDialog> ui;
    const std::string& m_bytes;
    QStringList m_groups;
    std::vector<std::string> m_known;
    ForeignCsv::Plan m_plan;
    std::vector<CsvColumn> m_choices;
};
