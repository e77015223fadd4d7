#include "COptionPage1.h"

#include "OptionText.h"
#include "app/RegistryKey.h"
#include "ui_COptionPage1.h"

namespace {

bool readFlag(const RegistryKey& key, const QString& name)
{
    quint32 value = 0;
    return key.ReadDword(name, value) == RegistryKey::Success && value != 0;
}

} // namespace

COptionPage1::COptionPage1(QWidget* parent) : QWidget(parent), ui(new Ui::COptionPage1)
{
    ui->setupUi(this);
    setWindowTitle(OptionText::Page1Title);
    ui->newmail->setText(OptionText::Newmail);
    ui->tasktray->setText(OptionText::Tasktray);
    ui->startup->setText(OptionText::Startup);
}

COptionPage1::~COptionPage1() = default;

void COptionPage1::OnInitDialog()
{
    if (m_initialized)
        return;
    m_initialized = true;
    {
        RegistryKey key;
        key.Open(QString::fromLatin1(RegistryKey::OptionKey));
        m_bNewmail = readFlag(key, QStringLiteral("Newmail"));
        m_bTasktray = readFlag(key, QStringLiteral("Tasktray"));
        m_bStartup = readFlag(key, QStringLiteral("Startup"));
    }
    UpdateData(false);
}

void COptionPage1::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_bNewmail = ui->newmail->isChecked();
        m_bTasktray = ui->tasktray->isChecked();
        m_bStartup = ui->startup->isChecked();
    } else {
        ui->newmail->setChecked(m_bNewmail);
        ui->tasktray->setChecked(m_bTasktray);
        ui->startup->setChecked(m_bStartup);
    }
}
