#include "SingleInstance.h"

#include "InstanceRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <algorithm>

#include "model/io/PrivateDir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

// A folder only this user can enter. Without one from the session, a folder of our own under
// the user's cache: a name in a shared folder such as /tmp could be taken by someone else
// first, who would then hold our lock or listen in our place.
QString runtimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        QStringLiteral("/VOK_Address");
    const QByteArray path = QFile::encodeName(own);
    PrivateDir::create(path.toStdString());
    struct stat st
    {
    };
    // Ours, a real folder, and closed to others (an older one may have been made looser).
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return {};
    return own;
}

constexpr int kConnectWaitMs = 3000;
// How long a second start waits for a first copy that is still starting.
int startingWaitMs = 5000;

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent)
{
    const QString dir = runtimeDir();
    if (!dir.isEmpty())
        m_base = dir + u'/' + name + u'-' + userName();
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void SingleInstance::setStartingWaitForTesting(int ms)
{
    startingWaitMs = ms;
}

QString SingleInstance::lockPath() const
{
    return m_base + QStringLiteral(".lock");
}

QString SingleInstance::serverPath() const
{
    return m_base + QStringLiteral(".socket");
}

bool SingleInstance::tryLock()
{
    m_outcome = Acquired;
    if (m_base.isEmpty())
        return true; // no private place for a lock: run rather than refuse to start
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Never stale by age: a copy may run for weeks. A lock left by a crashed process is still
    // recognised, since its process no longer exists.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() != QLockFile::LockFailedError) {
        // The lock cannot be made at all (unwritable folder): run rather than refuse to start.
        m_lock.reset();
        return true;
    }
    m_lock.reset();
    return false;
}

bool SingleInstance::acquire()
{
    if (tryLock())
        return true;
    // The first copy listens once its window exists: give one that is starting some time.
    QLocalSocket socket;
    if (!InstanceRequest::connect(socket, serverPath(), startingWaitMs)) {
        m_outcome = NoAnswer;
        return false;
    }
    socket.write(showLine(qgetenv("XDG_ACTIVATION_TOKEN")));
    socket.waitForBytesWritten(kConnectWaitMs);
    // Wait for the first copy's answer so that its window is shown when we exit; a busy copy
    // that took the request shows it later.
    socket.waitForReadyRead(kConnectWaitMs);
    socket.disconnectFromServer();
    m_outcome = HandedOver;
    return false;
}

bool SingleInstance::listen()
{
    if (m_server)
        return true;
    if (m_base.isEmpty())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a crashed copy: we hold the lock, so nobody else uses it.
    QLocalServer::removeServer(serverPath());
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return m_server->listen(serverPath());
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onRequest(socket); });
        if (socket->canReadLine())
            onRequest(socket);
    }
}

QByteArray SingleInstance::showLine(const QByteArray& activationToken)
{
    // A token is printable text; anything else is no token of a desktop's.
    const bool printable = std::all_of(activationToken.begin(), activationToken.end(),
                                       [](char c) { return c > ' ' && c < 127; });
    if (activationToken.isEmpty() || !printable)
        return QByteArrayLiteral("show\n");
    return QByteArrayLiteral("show ") + activationToken + '\n';
}

void SingleInstance::setRequestHandler(RequestHandler handler)
{
    m_handler = std::move(handler);
}

void SingleInstance::onRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > InstanceRequest::MaxLine)
            socket->abort();
        return;
    }
    // One request per connection.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const QByteArray line = socket->readLine(InstanceRequest::MaxLine + 1);
    if (!line.endsWith('\n')) {
        // Longer than any request of ours: what was read is only its head, never carried out.
        socket->abort();
        return;
    }
    // The handler may show a message box, under which a client that gave up goes away.
    const QPointer<QLocalSocket> alive(socket);
    std::optional<QByteArray> answer;
    if (m_handler)
        answer = m_handler(line);
    if (!answer) {
        QByteArray token;
        if (line.startsWith("show "))
            token = line.mid(5).trimmed();
        emit showRequested(token);
        answer = QByteArrayLiteral("ok\n");
    }
    if (!alive)
        return;
    socket->write(*answer);
    socket->flush();
}
