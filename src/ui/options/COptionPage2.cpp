#include "COptionPage2.h"

#include "OptionText.h"
#include "app/RegistryKey.h"
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
    {
        RegistryKey key;
        key.Open(QString::fromLatin1(RegistryKey::OptionKey));
        key.ReadString(QStringLiteral("UserName"), m_strUserName);
        key.ReadString(QStringLiteral("PassWord"), m_strPassword);
        key.ReadString(QStringLiteral("POPServer"), m_strPopServer);
    }
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
