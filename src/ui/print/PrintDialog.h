#pragma once

#include "print/Addressee.h"
#include "settings/PrintSettings.h"

#include <QDialog>
#include <QList>
#include <memory>
#include <vector>

class AddressRecord;
class QDoubleSpinBox;

namespace Ui {
class PrintDialog;
}

// "宛名印刷": what is printed, on which paper, from which address, and where the labels sit on
// their sheet. Ends with the preview or the PDF chosen; the caller carries it out.
class PrintDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Action
    {
        None,
        Preview,
        Pdf,
    };

    // `what` says which contacts these are ("選択した管理情報 3 件").
    PrintDialog(std::vector<const AddressRecord*> records, const QString& what,
                QWidget* parent = nullptr);
    ~PrintDialog() override;

    Action action() const { return m_action; }
    // The stored settings with the choices made here.
    const PrintSettings& settings() const { return m_settings; }
    // The addressees of the chosen address kind.
    QList<Addressee> addressees() const;

private:
    QList<QDoubleSpinBox*> sheetSpins() const;
    PrintSettings::Sheet& chosenSheet();
    void takeChoices();
    void showSheet();
    void onLayoutChosen();
    void onDefaults();
    void updateCount();
    void finish(Action action);

    std::unique_ptr<Ui::PrintDialog> ui;
    std::vector<const AddressRecord*> m_records;
    PrintSettings m_settings;
    Action m_action = Action::None;
    int m_shownLayout = -1;
};
