#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace {

QString userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

QString runtimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return QDir::tempPath();
}

constexpr int kConnectWaitMs = 3000;

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent)
{
    m_base = runtimeDir() + u'/' + name + u'-' + userName();
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString SingleInstance::lockPath() const
{
    return m_base + QStringLiteral(".lock");
}

QString SingleInstance::serverPath() const
{
    return m_base + QStringLiteral(".socket");
}

bool SingleInstance::acquire()
{
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
    QLocalSocket socket;
    socket.connectToServer(serverPath());
    if (socket.waitForConnected(kConnectWaitMs)) {
        socket.write("show\n");
        socket.waitForBytesWritten(kConnectWaitMs);
        // Wait for the first copy's answer so that its window is shown when we exit.
        socket.waitForReadyRead(kConnectWaitMs);
        socket.disconnectFromServer();
    }
    return false;
}

bool SingleInstance::listen()
{
    if (m_server)
        return true;
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
        emit showRequested();
        socket->write("ok\n");
        socket->flush();
    }
}
