#pragma once

#include "ContactField.h"

#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

class PostalCodeOffer;
namespace Ui {
class COfficePage;
}

// The office fields of a contact (dialog 134, "勤務先情報").
class COfficePage : public QWidget
{
    Q_OBJECT
public:
    explicit COfficePage(QWidget* parent = nullptr);
    ~COfficePage() override;

    void OnInitDialog();
    bool UpdateData(QWidget*& failedField, QString& message);
    // Controls to members as far as they go (CPrivatePage::StoreDraft).
    void StoreDraft();

    PostalCodeOffer* postalCodeOffer() const { return m_offer; }

    std::string m_strCompany;
    std::string m_strOfficeEmail;
    std::string m_strOfficePostalCode;
    std::string m_strOfficeAddress;
    std::string m_strOfficePhone;
    std::string m_strOfficeFax;
    std::string m_strOfficeMemo;
    // The whole text of a field that CP932 cannot hold, by AddressRecord field; else empty.
    std::map<int, QString> m_strWhole;

private:
    std::unique_ptr<Ui::COfficePage> m_ui;
    ContactField m_company, m_officeEmail, m_officePostalCode, m_officeAddress, m_officePhone,
        m_officeFax, m_officeMemo;
    PostalCodeOffer* m_offer = nullptr;
};
