#include "KeyringPasswordStore.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("VOK_Address");
const QString kKey = QStringLiteral("POP3");
// Long enough for the user to type the keyring's password when it asks.
constexpr int kAnswerWaitMs = 120000;

bool noKeyring(QKeychain::Error error)
{
    return error == QKeychain::NoBackendAvailable || error == QKeychain::NotImplemented ||
           error == QKeychain::OtherError || error == QKeychain::AccessDenied ||
           error == QKeychain::AccessDeniedByUser;
}

} // namespace

bool KeyringPasswordStore::run(QKeychain::Job& job)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false); // never a plain copy in QtKeychain's own settings
    job.setKey(kKey);
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

PasswordStore::Result KeyringPasswordStore::read(QString& password)
{
    if (m_unavailable)
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
    if (m_unavailable)
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
    if (m_unavailable)
        return false;
    QKeychain::DeletePasswordJob job(kService);
    return run(job) &&
           (job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound);
}
