#include "CPrivatePage.h"

#include "ContactText.h"
#include "FieldExchange.h"
#include "PostalCodeOffer.h"
#include "ReadingField.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/GroupName.h"
#include "ui_CPrivatePage.h"

namespace {

Ui::CPrivatePage* setUp(QWidget* page)
{
    auto* ui = new Ui::CPrivatePage;
    ui->setupUi(page);
    return ui;
}

// The group's index by the whole name, letter case aside; -1 when none matches.
int findGroup(const QStringList& names, const QString& group)
{
    if (!group.isEmpty()) {
        const std::string wanted = Text::toCp932Lossy(group);
        for (int i = 0; i < names.size(); ++i) {
            if (GroupName::equals(Text::toCp932Lossy(names.at(i)), wanted))
                return i;
        }
    }
    return -1;
}

// The index to preselect: the group's own; "Other" when nothing matches.
int groupIndex(const QStringList& names, const QString& group)
{
    if (const int found = findGroup(names, group); found >= 0)
        return found;
    if (names.size() > 2)
        return 2;
    return static_cast<int>(names.indexOf(ContactText::OtherGroup));
}

using R = AddressRecord;

} // namespace

CPrivatePage::CPrivatePage(QWidget* parent)
    : QWidget(parent), m_ui(setUp(this)),
      m_name(m_ui->nameEdit, R::TypedLimit[R::Name], ContactField::Input::Japanese),
      m_reading(m_ui->readingEdit, 127, ContactField::Input::Japanese),
      m_email(m_ui->emailEdit, R::TypedLimit[R::Email], ContactField::Input::Latin),
      m_postalCode(m_ui->postalCodeEdit, R::TypedLimit[R::PostalCode], ContactField::Input::Latin),
      m_address(m_ui->addressEdit, R::TypedLimit[R::Address], ContactField::Input::Japanese),
      m_phone(m_ui->phoneEdit, R::TypedLimit[R::Phone], ContactField::Input::Latin),
      m_mobilePhone(m_ui->mobilePhoneEdit, R::TypedLimit[R::MobilePhone],
                    ContactField::Input::Latin),
      m_fax(m_ui->faxEdit, R::TypedLimit[R::Fax], ContactField::Input::Latin),
      m_memo(m_ui->memoEdit, R::TypedLimit[R::Memo], ContactField::Input::Japanese)
{
    m_reading.setKeepsWholeText(false);
    m_offer = new PostalCodeOffer(m_ui->postalCodeEdit, m_ui->addressEdit);
    m_readingField = new ReadingField(m_ui->nameEdit, m_ui->readingEdit, m_ui->useGuessButton);
    FieldExchange::showHints({&m_name, &m_reading, &m_email, &m_postalCode, &m_address, &m_phone,
                              &m_mobilePhone, &m_fax, &m_memo},
                             m_ui->hintLabel);
    connect(m_ui->copyAsNewCheck, &QCheckBox::clicked, this, &CPrivatePage::OnCopyAsNewClicked);
}

CPrivatePage::~CPrivatePage() = default;

QLineEdit* CPrivatePage::nameEdit() const
{
    return m_ui->nameEdit;
}

QLineEdit* CPrivatePage::readingEdit() const
{
    return m_ui->readingEdit;
}

QComboBox* CPrivatePage::groupCombo() const
{
    return m_ui->groupCombo;
}

QCheckBox* CPrivatePage::copyAsNewCheck() const
{
    return m_ui->copyAsNewCheck;
}

void CPrivatePage::OnInitDialog()
{
    m_name.load(m_strName, m_strWhole[R::Name]);
    m_reading.load(m_strReading);
    m_readingField->loaded();
    m_email.load(m_strEmail);
    m_postalCode.load(m_strPostalCode);
    m_address.load(m_strAddress, m_strWhole[R::Address]);
    m_phone.load(m_strPhone);
    m_fax.load(m_strFax);
    m_ui->copyAsNewCheck->setChecked(m_bCopyAsNew);
    m_mobilePhone.load(m_strMobilePhone);
    m_memo.load(m_strMemo, m_strWhole[R::Memo]);

    if (m_bKeepGroup && !m_strGroup.isEmpty() && findGroup(m_groupNames, m_strGroup) < 0)
        m_groupNames.append(m_strGroup);
    m_ui->groupCombo->clear();
    m_ui->groupCombo->addItems(m_groupNames);
    m_nGroupIndex = groupIndex(m_groupNames, m_strGroup);
    m_ui->groupCombo->setCurrentIndex(m_nGroupIndex);

    m_ui->copyAsNewCheck->setEnabled(m_bAllowCopy);
}

bool CPrivatePage::UpdateData(QWidget*& failedField, QString& message)
{
    if (!FieldExchange::store({{&m_name, &m_strName, &m_strWhole[R::Name]},
                               {&m_reading, &m_strReading},
                               {&m_email, &m_strEmail},
                               {&m_postalCode, &m_strPostalCode},
                               {&m_address, &m_strAddress, &m_strWhole[R::Address]},
                               {&m_phone, &m_strPhone},
                               {&m_fax, &m_strFax}},
                              failedField, message))
        return false;
    m_nGroupIndex = m_ui->groupCombo->currentIndex();
    m_bCopyAsNew = m_ui->copyAsNewCheck->isChecked();
    return FieldExchange::store(
        {{&m_mobilePhone, &m_strMobilePhone}, {&m_memo, &m_strMemo, &m_strWhole[R::Memo]}},
        failedField, message);
}

void CPrivatePage::StoreDraft()
{
    FieldExchange::storeEach({{&m_name, &m_strName},
                              {&m_reading, &m_strReading},
                              {&m_email, &m_strEmail},
                              {&m_postalCode, &m_strPostalCode},
                              {&m_address, &m_strAddress},
                              {&m_phone, &m_strPhone},
                              {&m_fax, &m_strFax},
                              {&m_mobilePhone, &m_strMobilePhone},
                              {&m_memo, &m_strMemo}});
    m_strGroup = m_ui->groupCombo->currentText();
    m_bCopyAsNew = m_ui->copyAsNewCheck->isChecked();
}

void CPrivatePage::OnCopyAsNewClicked()
{
    m_bCopyAsNew = m_ui->copyAsNewCheck->isChecked();
    m_ui->nameEdit->setEnabled(m_bCopyAsNew);
}
