#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class COptionPage2;
}

// Page "メールチェック": the POP3 account (user name, masked password, server).
class COptionPage2 : public QWidget
{
    Q_OBJECT
public:
    explicit COptionPage2(QWidget* parent = nullptr);
    ~COptionPage2() override;

    // Loads the members from the Option key and shows them; only the first call does anything.
    void OnInitDialog();
    bool isInitialized() const { return m_initialized; }
    // true: controls to members; false: members to controls.
    void UpdateData(bool saveAndValidate);

    QString m_strUserName;
    QString m_strPassword;
    QString m_strPopServer;

private:
    std::unique_ptr<Ui::COptionPage2> ui;
    bool m_initialized = false;
};
