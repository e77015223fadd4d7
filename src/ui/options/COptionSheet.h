#pragma once

#include <QDialog>
#include <QString>

class COptionPage1;
class COptionPage2;
class SenderPage;
class SyncPage;
class QDialogButtonBox;
class QTabWidget;

// The options sheet "環境設定": page 1 (start-up), page 2 (mail account) and the sender page
// (差出人 and the lettering of printed addresses), the sync account, OK and Cancel.
// Nothing is stored before OK; Cancel changes nothing.
class COptionSheet : public QDialog
{
    Q_OBJECT
public:
    explicit COptionSheet(QWidget* parent = nullptr);
    ~COptionSheet() override;

    // Runs the sheet; after OK the frame's two flags take page 1's values at once.
    // Returns whether the sheet ended with OK.
    // trayAvailable: whether the desktop shows the notification icon.
    static bool Run(QWidget* parent, bool& bNewmail, bool& bTasktray, bool trayAvailable = true);

    // The engraved text left of the buttons; empty shows none.
    void SetHeaderText(const QString& text);
    // The folder the start-up entry goes into, or empty text.
    static QString GetStartupFolder();

    COptionPage1* page1() const { return m_page1; }
    COptionPage2* page2() const { return m_page2; }
    SenderPage* senderPage() const { return m_senderPage; }
    SyncPage* syncPage() const { return m_syncPage; }
    QTabWidget* tabs() const { return m_tabs; }
    QDialogButtonBox* buttons() const { return m_buttons; }

    void OnOK();

private:
    void OnPageChanged(int index);

    QTabWidget* m_tabs;
    COptionPage1* m_page1;
    COptionPage2* m_page2;
    SenderPage* m_senderPage;
    SyncPage* m_syncPage;
    QDialogButtonBox* m_buttons;
    QWidget* m_header;
};
