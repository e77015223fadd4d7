#include "COptionPage1.h"

#include "OptionText.h"
#include "settings/OptionSettings.h"
#include "ui_COptionPage1.h"

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
    const OptionSettings options = OptionSettings::load();
    m_bNewmail = options.newmail;
    m_bTasktray = options.tasktray;
    m_bStartup = options.startup;
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

void COptionPage1::setTrayAvailable(bool available)
{
    ui->tasktray->setEnabled(available);
    ui->tasktrayNote->setText(available ? QString() : OptionText::TasktrayNoTray);
    ui->tasktrayNote->setVisible(!available);
}
