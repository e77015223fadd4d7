#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class ByteLimitValidator;

namespace Ui {
class SenderPage;
}

// Page "差出人": the sender printed on postcards, and the lettering of printed addresses (font,
// how the numbers of a vertical address are written).
class SenderPage : public QWidget
{
    Q_OBJECT
public:
    // CP932 bytes, as the contact sheet allows; the address is held to what the settings store
    // keeps (a line break counts as two bytes).
    static constexpr int NameBytes = 127;
    static constexpr int PostalCodeBytes = 8;
    static constexpr int AddressBytes = 250; // as the contact sheet's address

    explicit SenderPage(QWidget* parent = nullptr);
    ~SenderPage() override;

    // Loads the members from the Print key and shows them; only the first call does anything.
    void OnInitDialog();
    bool isInitialized() const { return m_initialized; }
    // true: controls to members; false: members to controls.
    void UpdateData(bool saveAndValidate);
    // The sheet's OK: loads the page if it was never shown, then stores it.
    void OnOK();

    QString m_strName;
    QString m_strPostalCode;
    QString m_strAddress;
    QString m_strFontFamily; // empty: printing's own font
    int m_nNumerals = 0;
    bool m_bTateChuYoko = false;

private:
    std::unique_ptr<Ui::SenderPage> ui;
    ByteLimitValidator* m_name;
    ByteLimitValidator* m_postalCode;
    ByteLimitValidator* m_address;
    QString m_shownFamily; // the font the combo showed first
    bool m_initialized = false;
};
