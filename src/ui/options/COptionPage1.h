#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class COptionPage1;
}

// Page "起動": the Shift+double-click and notification-icon options and the start-up entry.
class COptionPage1 : public QWidget
{
    Q_OBJECT
public:
    explicit COptionPage1(QWidget* parent = nullptr);
    ~COptionPage1() override;

    // Loads the members from the Option key and shows them; only the first call does anything.
    void OnInitDialog();
    bool isInitialized() const { return m_initialized; }
    // true: controls to members; false: members to controls.
    void UpdateData(bool saveAndValidate);
    // Without a notification area the tray option has no icon to act on: greyed, and said why.
    void setTrayAvailable(bool available);

    bool m_bNewmail = false;
    bool m_bTasktray = false;
    bool m_bStartup = false;

private:
    std::unique_ptr<Ui::COptionPage1> ui;
    bool m_initialized = false;
};
