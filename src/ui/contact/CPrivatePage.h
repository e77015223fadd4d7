#pragma once

#include "ContactField.h"

#include <QStringList>
#include <map>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class PostalCodeOffer;
class ReadingField;
class QCheckBox;
class QComboBox;
class QLineEdit;
namespace Ui {
class CPrivatePage;
}

// The personal fields of a contact and its group (dialog 133, "個人情報").
class CPrivatePage : public QWidget
{
    Q_OBJECT
public:
    explicit CPrivatePage(QWidget* parent = nullptr);
    ~CPrivatePage() override;

    // Members to controls, then the group list and the copy box: once, before the page shows.
    void OnInitDialog();
    // Controls to members in exchange order; on a refused value names the field and the reason.
    bool UpdateData(QWidget*& failedField, QString& message);
    // Controls to members as far as they go, the group and the copy box too: what the user has
    // typed so far, kept when the sheet cannot stay open.
    void StoreDraft();

    QLineEdit* nameEdit() const;
    QLineEdit* readingEdit() const;
    ReadingField* readingField() const { return m_readingField; }
    QComboBox* groupCombo() const;
    QCheckBox* copyAsNewCheck() const;
    PostalCodeOffer* postalCodeOffer() const { return m_offer; }

    std::string m_strName;
    std::string m_strReading; // the name's reading, not a field of the record
    std::string m_strEmail;
    std::string m_strPostalCode;
    std::string m_strAddress;
    std::string m_strPhone;
    std::string m_strMobilePhone;
    std::string m_strFax;
    std::string m_strMemo;
    // The whole text of a field that CP932 cannot hold, by AddressRecord field; else empty.
    std::map<int, QString> m_strWhole;
    QStringList m_groupNames;
    QString m_strGroup;
    int m_nGroupIndex = -1;
    bool m_bCopyAsNew = false;
    bool m_bAllowCopy = false;
    // An edited contact's group stays offered where the list lacks it (a book carried here
    // without its settings), so that an unrelated edit does not move the contact to Other.
    bool m_bKeepGroup = false;

private:
    void OnCopyAsNewClicked();

    std::unique_ptr<Ui::CPrivatePage> m_ui;
    ContactField m_name, m_reading, m_email, m_postalCode, m_address, m_phone, m_mobilePhone, m_fax,
        m_memo;
    PostalCodeOffer* m_offer = nullptr;
    ReadingField* m_readingField = nullptr;
};
