#include "SyncPage.h"

#include "OptionText.h"
#include "settings/SyncAccount.h"
#include "sync/DavClient.h"
#include "sync/Discovery.h"
#include "ui_SyncPage.h"

SyncPage::SyncPage(QWidget* parent) : QWidget(parent), ui(new Ui::SyncPage)
{
    ui->setupUi(this);
    setWindowTitle(OptionText::SyncPageTitle);
    ui->serverLabel->setText(OptionText::SyncServer);
    ui->server->setPlaceholderText(OptionText::SyncServerHint);
    ui->server->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhNoAutoUppercase);
    ui->userLabel->setText(OptionText::SyncUser);
    ui->passwordLabel->setText(OptionText::SyncPassword);
    ui->bookLabel->setText(OptionText::SyncBook);
    ui->findBooks->setText(OptionText::SyncFindBooks);
    ui->intervalLabel->setText(OptionText::SyncInterval);
    ui->interval->setSuffix(OptionText::SyncIntervalSuffix);
    ui->interval->setSpecialValueText(OptionText::SyncIntervalNever);
    ui->groupModeLabel->setText(OptionText::SyncGroupMode);
    // In SyncAccount::GroupMode's order.
    ui->groupMode->addItems(
        {OptionText::SyncGroupAuto, OptionText::SyncGroupCategories, OptionText::SyncGroupCards});
    ui->trustCert->setText(OptionText::SyncTrustCert);
    ui->trustCert->setVisible(false);
    connect(ui->findBooks, &QPushButton::clicked, this, &SyncPage::findBooks);
}

SyncPage::~SyncPage()
{
    if (m_client)
        m_client->abortAll();
}

void SyncPage::OnInitDialog()
{
    if (m_initialized)
        return;
    m_initialized = true;
    const SyncAccount account = SyncAccount::load();
    ui->server->setText(account.server);
    ui->user->setText(account.user);
    ui->password->setText(account.password);
    ui->interval->setValue(account.intervalMinutes);
    ui->groupMode->setCurrentIndex(int(account.groupMode));
    if (!account.addressBook.isEmpty())
        ui->book->addItem(account.addressBook, account.addressBook);
    if (!account.trustedCert.isEmpty())
        showFingerprint(account.trustedCert, true);
}

QString SyncPage::trustedFingerprint() const
{
    return ui->trustCert->isChecked() ? m_fingerprint : QString();
}

void SyncPage::showFingerprint(const QString& fingerprint, bool trusted)
{
    m_fingerprint = fingerprint;
    ui->trustCert->setChecked(trusted);
    ui->trustCert->setToolTip(OptionText::SyncFingerprint.arg(fingerprint));
    ui->trustCert->setVisible(true);
}

void SyncPage::findBooks()
{
    const QString server = ui->server->text().trimmed();
    const QString user = ui->user->text();
    const QString password = ui->password->text();
    if (server.isEmpty() || user.isEmpty() || password.isEmpty()) {
        ui->status->setText(OptionText::SyncNeedsFields);
        return;
    }
    if (m_client) {
        m_client->abortAll();
        m_client->deleteLater();
    }
    // The client and its search go when the search ends: deleted later, since the search's
    // own handler is still on the stack then.
    auto* client = new DavClient(this);
    client->setCredentials(user, password);
    client->setTrustedFingerprint(trustedFingerprint());
    auto* discovery = new Discovery(*client, client);
    m_client = client;
    ui->findBooks->setEnabled(false);
    ui->status->setText(OptionText::SyncSearching);
    discovery->start(server, [this, client, server](const Discovery::Result& found) {
        if (m_client != client)
            return;
        m_client = nullptr;
        client->deleteLater();
        ui->findBooks->setEnabled(true);
        if (found.books.isEmpty()) {
            // The refusal names the fingerprint, so it can be compared before it is trusted.
            if (found.failure.tls)
                showFingerprint(found.failure.fingerprint, false);
            ui->status->setText(Discovery::failureText(found, server));
        } else {
            const QString chosen = ui->book->currentData().toString();
            ui->book->clear();
            for (const Discovery::Book& b : found.books) {
                const QString url = b.url.toString();
                ui->book->addItem(b.name.isEmpty() ? url : b.name, url);
                ui->book->setItemData(ui->book->count() - 1, url, Qt::ToolTipRole);
            }
            const int kept = ui->book->findData(chosen);
            ui->book->setCurrentIndex(kept >= 0 ? kept : 0);
            ui->status->setText(OptionText::SyncFound.arg(found.books.size()));
            ui->book->setFocus();
        }
        emit searchEnded();
    });
}

bool SyncPage::OnOK()
{
    if (!m_initialized)
        return true;
    SyncAccount account;
    account.server = ui->server->text().trimmed();
    account.user = ui->user->text();
    account.password = ui->password->text();
    account.addressBook = ui->book->currentData().toString();
    account.trustedCert = trustedFingerprint();
    account.intervalMinutes = ui->interval->value();
    account.groupMode = SyncAccount::GroupMode(ui->groupMode->currentIndex());
    return account.save();
}
