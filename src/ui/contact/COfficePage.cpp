#include "COfficePage.h"

#include "FieldExchange.h"
#include "PostalCodeOffer.h"
#include "model/book/AddressRecord.h"
#include "ui_COfficePage.h"

namespace {

Ui::COfficePage* setUp(QWidget* page)
{
    auto* ui = new Ui::COfficePage;
    ui->setupUi(page);
    return ui;
}

using R = AddressRecord;

} // namespace

COfficePage::COfficePage(QWidget* parent)
    : QWidget(parent), m_ui(setUp(this)),
      m_company(m_ui->companyEdit, R::TypedLimit[R::Company], ContactField::Input::Japanese),
      m_officeEmail(m_ui->officeEmailEdit, R::TypedLimit[R::OfficeEmail],
                    ContactField::Input::Latin),
      m_officePostalCode(m_ui->officePostalCodeEdit, R::TypedLimit[R::OfficePostalCode],
                         ContactField::Input::Latin),
      m_officeAddress(m_ui->officeAddressEdit, R::TypedLimit[R::OfficeAddress],
                      ContactField::Input::Japanese),
      m_officePhone(m_ui->officePhoneEdit, R::TypedLimit[R::OfficePhone],
                    ContactField::Input::Latin),
      m_officeFax(m_ui->officeFaxEdit, R::TypedLimit[R::OfficeFax], ContactField::Input::Latin),
      m_officeMemo(m_ui->officeMemoEdit, R::TypedLimit[R::OfficeMemo],
                   ContactField::Input::Japanese)
{
    m_offer = new PostalCodeOffer(m_ui->officePostalCodeEdit, m_ui->officeAddressEdit);
    FieldExchange::showHints({&m_company, &m_officeEmail, &m_officePostalCode, &m_officeAddress,
                              &m_officePhone, &m_officeFax, &m_officeMemo},
                             m_ui->hintLabel);
}

COfficePage::~COfficePage() = default;

void COfficePage::OnInitDialog()
{
    m_officePostalCode.load(m_strOfficePostalCode);
    m_officeAddress.load(m_strOfficeAddress, m_strWhole[AddressRecord::OfficeAddress]);
    m_officePhone.load(m_strOfficePhone);
    m_company.load(m_strCompany, m_strWhole[AddressRecord::Company]);
    m_officeEmail.load(m_strOfficeEmail);
    m_officeFax.load(m_strOfficeFax);
    m_officeMemo.load(m_strOfficeMemo, m_strWhole[AddressRecord::OfficeMemo]);
}

void COfficePage::StoreDraft()
{
    FieldExchange::storeEach({{&m_officePostalCode, &m_strOfficePostalCode},
                              {&m_officeAddress, &m_strOfficeAddress},
                              {&m_officePhone, &m_strOfficePhone},
                              {&m_company, &m_strCompany},
                              {&m_officeEmail, &m_strOfficeEmail},
                              {&m_officeFax, &m_strOfficeFax},
                              {&m_officeMemo, &m_strOfficeMemo}});
}

bool COfficePage::UpdateData(QWidget*& failedField, QString& message)
{
    return FieldExchange::store({{&m_officePostalCode, &m_strOfficePostalCode},
                                 {&m_officeAddress, &m_strOfficeAddress, &m_strWhole[AddressRecord::OfficeAddress]},
                                 {&m_officePhone, &m_strOfficePhone},
                                 {&m_company, &m_strCompany, &m_strWhole[AddressRecord::Company]},
                                 {&m_officeEmail, &m_strOfficeEmail},
                                 {&m_officeFax, &m_strOfficeFax},
                                 {&m_officeMemo, &m_strOfficeMemo, &m_strWhole[AddressRecord::OfficeMemo]}},
                                failedField, message);
}
