#include "COptionSheet.h"

#include "AutostartEntry.h"
#include "COptionPage1.h"
#include "COptionPage2.h"
#include "OptionText.h"
#include "SenderPage.h"
#include "SyncPage.h"
#include "settings/MailAccount.h"
#include "settings/OptionSettings.h"
#include "settings/RegistryKey.h"
#include "ui/common/MessageBox.h"
#include "ui/common/SheetHeader.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTabWidget>
#include <QVBoxLayout>

COptionSheet::COptionSheet(QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)), m_page1(new COptionPage1),
      m_page2(new COptionPage2),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(OptionText::SheetTitle);
    m_tabs->addTab(m_page1, m_page1->windowTitle());
    m_tabs->addTab(m_page2, m_page2->windowTitle());
    m_senderPage = new SenderPage;
    m_tabs->addTab(m_senderPage, m_senderPage->windowTitle());
    m_syncPage = new SyncPage;
    m_tabs->addTab(m_syncPage, m_syncPage->windowTitle());
    m_tabs->setCurrentIndex(0);
    m_page1->OnInitDialog(); // the first page is shown with the sheet
    connect(m_tabs, &QTabWidget::currentChanged, this, &COptionSheet::OnPageChanged);

    QWidget* row = SheetHeader::buttonRow(m_buttons, this);
    m_header = row->findChild<SheetHeader*>();
    if (m_header)
        m_header->setVisible(false); // until SetHeaderText gives a text
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(row);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &COptionSheet::OnOK);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

COptionSheet::~COptionSheet() = default;

bool COptionSheet::Run(QWidget* parent, bool& bNewmail, bool& bTasktray, bool trayAvailable)
{
    COptionSheet sheet(parent);
    sheet.m_page1->setTrayAvailable(trayAvailable);
    sheet.SetHeaderText(OptionText::HeaderText);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    bNewmail = sheet.m_page1->m_bNewmail;
    bTasktray = sheet.m_page1->m_bTasktray;
    return true;
}

void COptionSheet::SetHeaderText(const QString& text)
{
    if (m_header)
        m_header->setVisible(!text.isEmpty());
}

QString COptionSheet::GetStartupFolder()
{
    return AutostartEntry::folder();
}

void COptionSheet::OnPageChanged(int index)
{
    if (m_tabs->widget(index) == m_page2)
        m_page2->OnInitDialog();
    if (m_tabs->widget(index) == m_senderPage)
        m_senderPage->OnInitDialog();
    if (m_tabs->widget(index) == m_syncPage)
        m_syncPage->OnInitDialog();
}

void COptionSheet::OnOK()
{
    m_tabs->setCurrentWidget(m_page1);
    m_page1->OnInitDialog();
    m_page1->UpdateData(true);
    OptionSettings options = OptionSettings::load();
    options.newmail = m_page1->m_bNewmail;
    options.tasktray = m_page1->m_bTasktray;
    options.startup = m_page1->m_bStartup;

    if (m_page1->m_bStartup) {
        // Written again at every OK, so a moved program gets a fresh entry. Without a known
        // autostart folder no entry is written (never one in the file system's root), and
        // the stored entry path keeps its old value.
        if (!GetStartupFolder().isEmpty()) {
            options.shortcut = AutostartEntry::path();
            AutostartEntry::write(options.shortcut, QCoreApplication::applicationFilePath());
        }
    } else if (!options.shortcut.isEmpty()) {
        QFile::remove(options.shortcut);
    }
    options.save();

    m_tabs->setCurrentWidget(m_page2);
    m_page2->OnInitDialog();
    m_page2->UpdateData(true);
    MailAccount account;
    account.userName = m_page2->m_strUserName;
    account.password = m_page2->m_strPassword;
    account.popServer = m_page2->m_strPopServer;
    MailAccount::PasswordPlace place;
    bool syncInKeyring = true;
    {
        // The keyring may take a moment to answer: the sheet keeps drawing, but takes no
        // second OK meanwhile.
        setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        place = account.save();
        syncInKeyring = m_syncPage->OnOK();
        QGuiApplication::restoreOverrideCursor();
        setEnabled(true);
    }
    if (place == MailAccount::PasswordPlace::SettingsFileWithoutKeyring || !syncInKeyring)
        MessageBox::information(this, OptionText::PasswordInSettingsFile.arg(
                                          QDir::toNativeSeparators(RegistryKey::storePath())));
    m_senderPage->OnOK();
    accept();
}
