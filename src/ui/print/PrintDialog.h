#pragma once

#include "print/Addressee.h"
#include "print/PrintOptions.h"
#include "print/PrintRun.h"
#include "settings/PrintSettings.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <memory>
#include <optional>
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
    // The contacts the choices take, and who they leave out.
    PrintRun run() const;
    // The printing options of this run: the stored ones with the 敬称 chosen for it.
    PrintOptions options() const;
    // The 年賀状's year the run was chosen for, if any: the printed cards may be marked sent.
    std::optional<int> year() const;
    // Shows the calibration page for the options given (the preview); set by the caller.
    std::function<void(const PrintOptions&)> onCalibrate;

private:
    QList<QDoubleSpinBox*> sheetSpins() const;
    PrintSettings::Sheet& chosenSheet();
    void takeChoices();
    void showSheet();
    void onLayoutChosen();
    void onDefaults();
    void updateCount();
    PrintRun::Choice choice() const;
    void finish(Action action);

    std::unique_ptr<Ui::PrintDialog> ui;
    std::vector<const AddressRecord*> m_records;
    PrintSettings m_settings;
    Action m_action = Action::None;
    int m_shownLayout = -1;
};
