#include "COptionPage2.h"

#include "OptionText.h"
#include "settings/MailAccount.h"
#include "ui_COptionPage2.h"

COptionPage2::COptionPage2(QWidget* parent) : QWidget(parent), ui(new Ui::COptionPage2)
{
    ui->setupUi(this);
    setWindowTitle(OptionText::Page2Title);
    ui->userNameLabel->setText(OptionText::UserName);
    ui->passwordLabel->setText(OptionText::Password);
    ui->popServerLabel->setText(OptionText::PopServer);
    // A host name is Latin text (the field itself refuses the input method).
    ui->popServer->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoAutoUppercase);
}

COptionPage2::~COptionPage2() = default;

void COptionPage2::OnInitDialog()
{
    if (m_initialized)
        return;
    m_initialized = true;
    const MailAccount account = MailAccount::load();
    m_strUserName = account.userName;
    m_strPassword = account.password;
    m_strPopServer = account.popServer;
    UpdateData(false);
}

void COptionPage2::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strUserName = ui->userName->text();
        m_strPassword = ui->password->text();
        m_strPopServer = ui->popServer->text();
    } else {
        ui->userName->setText(m_strUserName);
        ui->password->setText(m_strPassword);
        ui->popServer->setText(m_strPopServer);
    }
}
