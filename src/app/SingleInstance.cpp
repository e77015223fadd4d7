#include "SingleInstance.h"

#include "InstanceRequest.h"
#include "core/DataLocation.h"
#include "model/io/FileIo.h"
#include "model/io/PrivateDir.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

// A folder only this user can enter, for the server. Without one from the session, a folder of
// our own under the user's cache: a name in a shared folder such as /tmp could be taken by
// someone else first, who would then listen in our place.
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

// The lock file's text: the holder's process and the server it listens on.
QByteArray lockText(const QString& serverPath)
{
    return QByteArray::number(::getpid()) + '\n' + QFile::encodeName(serverPath) + '\n';
}

} // namespace

SingleInstance::SingleInstance(const QString& bookPath, QObject* parent)
    : QObject(parent), m_lockPath(DataLocation::lockFilePath(bookPath))
{
    // One server per book: copies on other books run beside this one.
    const QString dir = runtimeDir();
    if (!dir.isEmpty()) {
        const QByteArray key =
            QCryptographicHash::hash(QFile::encodeName(m_lockPath), QCryptographicHash::Sha1)
                .toHex()
                .left(12);
        m_serverPath = dir + u'/' + defaultName() + u'-' + userName() + u'-' +
                       QString::fromLatin1(key) + QStringLiteral(".socket");
    }
}

SingleInstance::~SingleInstance()
{
    delete m_server;
    unlock();
}

void SingleInstance::unlock()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd); // the kernel drops the lock with the last descriptor
    m_lockFd = -1;
}

QString SingleInstance::defaultName()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("VOK_Address") : name;
}

void SingleInstance::setStartingWaitForTesting(int ms)
{
    startingWaitMs = ms;
}

bool SingleInstance::tryLock()
{
    m_outcome = Acquired;
    m_error = 0;
    if (m_lockFd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(m_lockPath);
    // The book's folder may not exist before the first save; it is made private like then.
    errno = 0;
    if (!PrivateDir::createFor(path.toStdString())) {
        m_error = errno ? errno : EACCES;
        m_outcome = Refused;
        return false;
    }
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = errno;
        m_outcome = Refused;
        return false;
    }
    struct stat st
    {
    };
    // A lock file someone else made could keep us out, or name a server of theirs.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        m_error = EACCES;
        m_outcome = Refused;
        ::close(fd);
        return false;
    }
    // flock: the kernel lets go of it when the holder ends in any way, a crash included, so a
    // lock is never left behind; it holds across NFS as a POSIX lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int failed = errno;
        ::close(fd);
        if (failed == EWOULDBLOCK)
            return false; // another copy holds it
        m_error = failed;
        m_outcome = Refused;
        return false;
    }
    if ((st.st_mode & 077) != 0)
        ::fchmod(fd, 0600);
    const QByteArray text = lockText(m_serverPath);
    if (::ftruncate(fd, 0) != 0 ||
        !FileIo::writeAll(fd, text.constData(), std::size_t(text.size()))) {
        m_error = errno ? errno : EIO;
        m_outcome = Refused;
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

QString SingleInstance::holderServerPath() const
{
    std::string text;
    if (FileIo::readFile(QFile::encodeName(m_lockPath).toStdString(), text, 64 * 1024) != 0)
        return {};
    const QList<QByteArray> lines = QByteArray::fromStdString(text).split('\n');
    return lines.size() >= 2 ? QFile::decodeName(lines.at(1)) : QString();
}

bool SingleInstance::acquire()
{
    if (tryLock())
        return true;
    if (m_outcome == Refused)
        return false;
    // The first copy listens once its window exists: give one that is starting some time.
    QElapsedTimer waited;
    waited.start();
    QString server = holderServerPath();
    while (server.isEmpty() && waited.elapsed() < startingWaitMs) {
        QThread::msleep(100); // between its lock and the line that names its server
        server = holderServerPath();
    }
    QLocalSocket socket;
    if (server.isEmpty() ||
        !InstanceRequest::connect(socket, server,
                                  std::max(int(startingWaitMs - waited.elapsed()), 1))) {
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
    if (m_serverPath.isEmpty() || m_lockFd < 0)
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
