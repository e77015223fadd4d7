#pragma once

#include "sync/DavClient.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class SyncPage;
}

// Page "同期": the CardDAV account. "アドレス帳を探す" asks the server for its address books
// without holding the window; a certificate the system does not trust is named by its SHA-256
// fingerprint and used only once the user ticks that it is trusted.
class SyncPage : public QWidget
{
    Q_OBJECT
public:
    explicit SyncPage(QWidget* parent = nullptr);
    ~SyncPage() override;

    // Loads the stored account and shows it; only the first call does anything.
    void OnInitDialog();
    bool isInitialized() const { return m_initialized; }
    // The sheet's OK: stores the account when the page was shown. False when the password
    // went to the settings file because no keyring answered.
    bool OnOK();
    bool isSearching() const { return m_client != nullptr; }

signals:
    void searchEnded();

private:
    void findBooks();
    QString trustedFingerprint() const;
    void showFingerprint(const QString& fingerprint, bool trusted);

    std::unique_ptr<Ui::SyncPage> ui;
    QPointer<DavClient> m_client; // the search under way
    QString m_fingerprint;        // the certificate offered for trust
    bool m_initialized = false;
};
