#include "Pop3Client.h"

#include "HostLookup.h"
#include "Pop3Endpoint.h"
#include "Pop3Reply.h"
#include "model/text/Cp932.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QSslSocket>
#include <QTimer>

namespace {

// Waits are cut into slices so that an abort request is seen quickly.
constexpr int kSliceMs = 50;

// The account texts go out in the program's code page; a text CP932 cannot hold goes as UTF-8.
QByteArray accountBytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const auto encoded = Cp932::fromUtf8(std::string_view(utf8.constData(), utf8.size()));
    if (!encoded.ok)
        return utf8;
    return QByteArray(encoded.bytes.data(), static_cast<qsizetype>(encoded.bytes.size()));
}

// A line break or NUL inside a user name or password would let it add commands of its own.
bool isSafeArgument(const QByteArray& bytes)
{
    return !bytes.contains('\r') && !bytes.contains('\n') && !bytes.contains('\0');
}

} // namespace

Pop3Client::Pop3Client(int connectTimeoutMs, int replyTimeoutMs)
    : m_socket(std::make_unique<QSslSocket>()), m_connectTimeout(connectTimeoutMs),
      m_replyTimeout(replyTimeoutMs), m_defaultPort(Pop3Endpoint::PlainPort)
{
}

Pop3Client::~Pop3Client()
{
    Drop();
}

void Pop3Client::Drop()
{
    if (m_socket && m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
}

bool Pop3Client::Connect(const Pop3Endpoint& endpoint)
{
    if (!endpoint.isValid())
        return false;
    const QDeadlineTimer deadline(m_connectTimeout);
    QList<QHostAddress> addresses;
    if (QHostAddress literal; literal.setAddress(endpoint.host)) {
        addresses.append(literal);
    } else {
        // Not Qt's lookup: at exit the program would wait for it, however long the name server
        // keeps silent. This one is left behind when the check gives up.
        HostLookup lookup(endpoint.host);
        while (!lookup.wait(kSliceMs)) {
            if (aborted() || deadline.hasExpired())
                return false;
        }
        addresses = lookup.addresses();
    }
    for (const QHostAddress& address : addresses) {
        if (ConnectTo(address, endpoint, deadline))
            return true;
        if (aborted() || deadline.hasExpired())
            break;
    }
    return false;
}

bool Pop3Client::ConnectTo(const QHostAddress& address, const Pop3Endpoint& endpoint,
                           const QDeadlineTimer& deadline)
{
    // A local loop rather than waitForConnected(), so that the deadline and the abort flag are
    // watched while the connection is made.
    QEventLoop loop;
    QSslSocket* socket = m_socket.get();
    if (endpoint.tls)
        QObject::connect(socket, &QSslSocket::encrypted, &loop, &QEventLoop::quit);
    else
        QObject::connect(socket, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::sslErrors, &loop, &QEventLoop::quit);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (aborted() || deadline.hasExpired())
            loop.quit();
    });
    watch.start(kSliceMs);
    // The address as text is taken as it stands, without a lookup; the certificate is checked
    // against the name the user gave.
    if (endpoint.tls)
        socket->connectToHostEncrypted(address.toString(), endpoint.port, endpoint.host);
    else
        socket->connectToHost(address, endpoint.port);
    if (socket->state() != QAbstractSocket::UnconnectedState)
        loop.exec();
    watch.stop();
    QObject::disconnect(socket, nullptr, &loop, nullptr);

    // Certificate errors that nobody ignored leave the socket unencrypted: a failed connection.
    const bool ok = socket->state() == QAbstractSocket::ConnectedState &&
                    (!endpoint.tls || socket->isEncrypted()) && !aborted();
    if (!ok)
        Drop();
    return ok;
}

bool Pop3Client::SendCommand(const QByteArray& command)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    if (m_socket->write(command) != command.size())
        return false;
    m_socket->flush();
    return true;
}

bool Pop3Client::ReadLine(QByteArray& line)
{
    const QDeadlineTimer deadline(m_replyTimeout);
    for (;;) {
        const QByteArray head = m_socket->peek(MaxReplyLength);
        const qsizetype end = head.indexOf('\n');
        if (end >= 0) {
            line = m_socket->read(end + 1);
            line.chop(1);
            if (line.endsWith('\r'))
                line.chop(1);
            return true;
        }
        if (head.size() >= MaxReplyLength)
            return false; // no line end where one must be
        if (aborted() || deadline.hasExpired() ||
            m_socket->state() != QAbstractSocket::ConnectedState)
            return false;
        const qint64 left = deadline.remainingTime();
        m_socket->waitForReadyRead(static_cast<int>(qMin<qint64>(kSliceMs, left)));
    }
}

bool Pop3Client::ReadReply(Step step)
{
    QByteArray reply;
    if (!ReadLine(reply) || reply.isEmpty()) {
        // Lost, silent or garbled: the dialogue is out of step, end it here so that the
        // following commands fail at once instead of waiting again.
        Drop();
        return false;
    }
    return Pop3Reply::Judge(reply, step == Step::Status, m_nMessageCount);
}

bool Pop3Client::Login(const QString& server, const QString& user, const QString& password)
{
    const QByteArray userBytes = accountBytes(user);
    const QByteArray passBytes = accountBytes(password);
    if (!isSafeArgument(userBytes) || !isSafeArgument(passBytes))
        return false;
    if (!Connect(Pop3Endpoint::parse(server, m_defaultPort)))
        return false;
    if (!ReadReply(Step::Greeting))
        return false;
    if (!SendCommand("USER " + userBytes + "\r\n") || !ReadReply(Step::User))
        return false;
    if (!SendCommand("PASS " + passBytes + "\r\n") || !ReadReply(Step::Password))
        return false;
    return true;
}

bool Pop3Client::Stat()
{
    return SendCommand("STAT \r\n") && ReadReply(Step::Status);
}

bool Pop3Client::Reset()
{
    return SendCommand("RSET \r\n") && ReadReply(Step::Reset);
}

bool Pop3Client::Quit()
{
    return SendCommand("QUIT \r\n") && ReadReply(Step::End);
}
