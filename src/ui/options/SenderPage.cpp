#include "SenderPage.h"

#include "OptionText.h"
#include "settings/PrintSettings.h"
#include "settings/SenderSettings.h"
#include "ui/common/ByteLimitValidator.h"
#include "ui/contact/PostalCodeOffer.h"
#include "ui/print/PrintSetup.h"
#include "ui_SenderPage.h"

#include <QApplication>

SenderPage::SenderPage(QWidget* parent) : QWidget(parent), ui(new Ui::SenderPage)
{
    ui->setupUi(this);
    setWindowTitle(OptionText::SenderPageTitle);
    ui->senderGroup->setTitle(OptionText::SenderGroup);
    ui->nameLabel->setText(OptionText::SenderNameLabel);
    ui->postalCodeLabel->setText(OptionText::SenderPostalCodeLabel);
    ui->addressLabel->setText(OptionText::SenderAddressLabel);
    ui->letteringGroup->setTitle(OptionText::LetteringGroup);
    ui->fontLabel->setText(OptionText::FontLabel);
    ui->numeralsLabel->setText(OptionText::NumeralsLabel);
    for (const QString& choice : OptionText::NumeralChoices)
        ui->numeralsCombo->addItem(choice);
    ui->numeralsCombo->setToolTip(OptionText::NumeralsHelp);
    ui->numeralsCombo->setWhatsThis(OptionText::NumeralsHelp);
    ui->tateChuYokoCheck->setText(OptionText::TateChuYoko);
    // Only fonts that hold Japanese: a Latin font would print boxes.
    ui->fontCombo->setWritingSystem(QFontDatabase::Japanese);

    m_name = new ByteLimitValidator(ui->nameEdit, NameBytes);
    m_postalCode = new ByteLimitValidator(ui->postalCodeEdit, PostalCodeBytes);
    m_address = new ByteLimitValidator(ui->addressEdit, AddressBytes);
    for (const ByteLimitValidator* validator : {m_name, m_postalCode, m_address})
        connect(validator, &ByteLimitValidator::refused, ui->hintLabel, &QLabel::setText);
    // The hint is about the field being typed in; it goes when the user moves on.
    connect(qApp, &QApplication::focusChanged, ui->hintLabel, &QLabel::clear);
    // A postal code is digits: no input method, as in the contact sheet.
    ui->postalCodeEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui->postalCodeEdit->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    ui->addressEdit->setTabChangesFocus(true);
    new PostalCodeOffer(ui->postalCodeEdit, ui->addressEdit);
}

SenderPage::~SenderPage() = default;

void SenderPage::OnInitDialog()
{
    if (m_initialized)
        return;
    m_initialized = true;
    const SenderSettings sender = SenderSettings::load();
    m_strName = sender.name;
    m_strPostalCode = sender.postalCode;
    m_strAddress = sender.address;
    const PrintSettings print = PrintSettings::load();
    m_strFontFamily = print.fontFamily;
    m_nNumerals = print.numerals;
    m_bTateChuYoko = print.tateChuYoko;
    UpdateData(false);
}

void SenderPage::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strName = ui->nameEdit->text();
        m_strPostalCode = ui->postalCodeEdit->text();
        m_strAddress = ui->addressEdit->toPlainText();
        // A font the combo only stood in for (not installed) stays as stored.
        if (ui->fontCombo->currentFont().family() != m_shownFamily)
            m_strFontFamily = ui->fontCombo->currentFont().family();
        m_nNumerals = std::max(0, ui->numeralsCombo->currentIndex());
        m_bTateChuYoko = ui->tateChuYokoCheck->isChecked();
    } else {
        m_name->setValue(m_strName);
        m_postalCode->setValue(m_strPostalCode);
        m_address->setValue(m_strAddress);
        PrintSettings effective;
        effective.fontFamily = m_strFontFamily;
        ui->fontCombo->setCurrentFont(QFont(PrintSetup::options(effective).fontFamily));
        m_shownFamily = ui->fontCombo->currentFont().family();
        ui->numeralsCombo->setCurrentIndex(m_nNumerals);
        ui->tateChuYokoCheck->setChecked(m_bTateChuYoko);
        // A stored font that is gone is said so, not silently replaced.
        const bool missing = !PrintSetup::fontInstalled(m_strFontFamily);
        ui->fontMissingLabel->setText(missing ? OptionText::FontMissing.arg(m_strFontFamily)
                                              : QString());
        ui->fontMissingLabel->setVisible(missing);
    }
}

void SenderPage::OnOK()
{
    OnInitDialog();
    UpdateData(true);
    SenderSettings sender;
    sender.name = m_strName;
    sender.postalCode = m_strPostalCode;
    sender.address = m_strAddress;
    sender.save();
    PrintSettings print;
    print.fontFamily = m_strFontFamily;
    print.numerals = m_nNumerals;
    print.tateChuYoko = m_bTateChuYoko;
    print.saveLettering();
}
