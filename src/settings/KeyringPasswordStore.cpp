#include "KeyringPasswordStore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("VOK_Address");
const QString kKey = QStringLiteral("POP3");
// Long enough for the user to type the keyring's password when it asks.
constexpr int kAnswerWaitMs = 120000;
// A keyring that is there answers a ping at once; one that has to start, within a second.
constexpr int kProbeWaitMs = 4000;
// The bus names of the keyrings QtKeychain talks to.
constexpr const char* kKeyringNames[] = {"org.freedesktop.secrets", "org.kde.kwalletd6",
                                         "org.kde.kwalletd5"};

bool noKeyring(QKeychain::Error error)
{
    return error == QKeychain::NoBackendAvailable || error == QKeychain::NotImplemented ||
           error == QKeychain::OtherError || error == QKeychain::AccessDenied ||
           error == QKeychain::AccessDeniedByUser;
}

} // namespace

KeyringPasswordStore::KeyringPasswordStore(QString key)
    : m_key(key.isEmpty() ? kKey : std::move(key))
{
}

bool KeyringPasswordStore::run(QKeychain::Job& job) const
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false); // never a plain copy in QtKeychain's own settings
    job.setKey(m_key);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kAnswerWaitMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec();
    return finished;
}

bool KeyringPasswordStore::answers()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    bool alive = false;
    int pending = 0;
    QEventLoop loop;
    for (const char* name : kKeyringNames) {
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            QString::fromLatin1(name), QStringLiteral("/"),
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        // Children of the loop: gone with it, whether they answered or not.
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ping, kProbeWaitMs), &loop);
        ++pending;
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &loop,
                         [&](QDBusPendingCallWatcher* call) {
                             alive = alive || !call->isError();
                             if (alive || --pending == 0)
                                 loop.quit();
                         });
    }
    QTimer::singleShot(kProbeWaitMs + 500, &loop, &QEventLoop::quit);
    loop.exec();
    return alive;
}

bool KeyringPasswordStore::available()
{
    if (!m_probed) {
        m_probed = true;
        m_unavailable = !answers();
    }
    return !m_unavailable;
}

PasswordStore::Result KeyringPasswordStore::read(QString& password)
{
    if (!available())
        return Result::Unavailable;
    QKeychain::ReadPasswordJob job(kService);
    if (!run(job) || noKeyring(job.error())) {
        m_unavailable = true;
        return Result::Unavailable;
    }
    if (job.error() != QKeychain::NoError)
        return Result::NotFound;
    password = job.textData();
    return Result::Found;
}

bool KeyringPasswordStore::write(const QString& password)
{
    if (!available())
        return false;
    QKeychain::WritePasswordJob job(kService);
    job.setTextData(password);
    if (!run(job) || noKeyring(job.error())) {
        m_unavailable = true;
        return false;
    }
    return job.error() == QKeychain::NoError;
}

bool KeyringPasswordStore::remove()
{
    if (!available())
        return false;
    QKeychain::DeletePasswordJob job(kService);
    return run(job) &&
           (job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound);
}
