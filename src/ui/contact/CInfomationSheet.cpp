#include "CInfomationSheet.h"

#include "COfficePage.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "core/Text.h"
#include "model/AddressRecord.h"
#include "ui/common/MessageBox.h"
#include "ui/common/SheetHeader.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

CInfomationSheet::CInfomationSheet(QWidget* parent)
    : QDialog(parent), m_privatePage(new CPrivatePage), m_officePage(new COfficePage),
      m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(ContactText::SheetTitle);
    m_tabs->addTab(m_privatePage, m_privatePage->windowTitle());
    m_tabs->addTab(m_officePage, m_officePage->windowTitle());
    m_tabs->setCurrentIndex(0);

    QWidget* row = SheetHeader::buttonRow(m_buttons, this);
    m_header = row->findChild<SheetHeader*>();
    m_header->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(row);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &CInfomationSheet::OnOK);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CInfomationSheet::SetHeaderText(const QString& text)
{
    m_headerText = text;
    m_header->setVisible(!text.isEmpty());
}

void CInfomationSheet::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        m_privatePage->OnInitDialog();
        m_officePage->OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CInfomationSheet::LoadRecord(const AddressRecord& record)
{
    CPrivatePage& p = *m_privatePage;
    COfficePage& o = *m_officePage;
    p.m_strName = record.name();
    p.m_strEmail = record.email();
    p.m_strPostalCode = record.postalCode();
    p.m_strAddress = record.address();
    p.m_strPhone = record.phone();
    p.m_strMobilePhone = record.mobilePhone();
    p.m_strFax = record.fax();
    p.m_strMemo = record.memo();
    o.m_strCompany = record.company();
    o.m_strOfficeEmail = record.officeEmail();
    o.m_strOfficePostalCode = record.officePostalCode();
    o.m_strOfficeAddress = record.officeAddress();
    o.m_strOfficePhone = record.officePhone();
    o.m_strOfficeFax = record.officeFax();
    o.m_strOfficeMemo = record.officeMemo();
    p.m_strGroup = Text::fromCp932(record.group());
}

void CInfomationSheet::StoreRecord(AddressRecord& record) const
{
    const CPrivatePage& p = *m_privatePage;
    const COfficePage& o = *m_officePage;
    const std::string group = Text::toCp932Lossy(p.m_strGroup);
    record.assign(std::array<std::string_view, 16>{
        p.m_strName, p.m_strEmail, p.m_strPostalCode, p.m_strAddress, p.m_strPhone,
        p.m_strMobilePhone, p.m_strFax, p.m_strMemo, o.m_strCompany, o.m_strOfficeEmail,
        o.m_strOfficePostalCode, o.m_strOfficeAddress, o.m_strOfficePhone, o.m_strOfficeFax,
        o.m_strOfficeMemo, group});
}

void CInfomationSheet::OnOK()
{
    QWidget* failedField = nullptr;
    QString message;
    m_tabs->setCurrentIndex(0);
    bool ok = m_privatePage->UpdateData(failedField, message);
    if (ok) {
        m_tabs->setCurrentIndex(1);
        ok = m_officePage->UpdateData(failedField, message);
    }
    if (!ok) {
        // The user can shorten the value; closing would store it cut or lose the edit.
        MessageBox::information(this, message);
        failedField->setFocus();
        return;
    }
    m_privatePage->m_strGroup = m_privatePage->groupCombo()->currentText();
    accept();
}
