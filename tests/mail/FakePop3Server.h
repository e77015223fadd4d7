#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <memory>

// What the fake server says.
struct FakePop3Script
{
    // Each reply is a list of packets, written with a pause between them.
    QList<QByteArray> greeting{"+OK fake POP3 server ready\r\n"};
    // By command word ("USER", "STAT", ...); commands not listed get the defaults below.
    QHash<QByteArray, QList<QByteArray>> replies;
    bool silent = false;             // accept, then say nothing at all
    bool closeAfterGreeting = false; // greet, then hang up
};

// A scripted POP3 server on 127.0.0.1 (port 0), running on a thread of its own so that the
// blocking client can run on the test's thread. Every byte it receives is recorded.
class FakePop3Server
{
public:
    using Script = FakePop3Script;

    explicit FakePop3Server(Script script = {}) : m_script(std::move(script))
    {
        m_context->moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            m_context.get(),
            [this] {
                m_server = new QTcpServer(m_context.get());
                m_server->listen(QHostAddress::LocalHost, 0);
                m_port = m_server->serverPort();
                QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
                    while (QTcpSocket* socket = m_server->nextPendingConnection())
                        serve(socket);
                });
            },
            Qt::BlockingQueuedConnection);
    }

    ~FakePop3Server()
    {
        QMetaObject::invokeMethod(
            m_context.get(), [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    quint16 port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    QByteArray received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

    int connections() const
    {
        QMutexLocker lock(&m_mutex);
        return m_connections;
    }

    // A port on 127.0.0.1 that nobody listens on.
    static quint16 closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    static constexpr int kPacketPause = 150; // ms between the packets of one reply

    void serve(QTcpSocket* socket)
    {
        {
            QMutexLocker lock(&m_mutex);
            ++m_connections;
        }
        if (m_script.silent) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { record(socket->readAll()); });
            return;
        }
        send(socket, m_script.greeting, m_script.closeAfterGreeting);
        if (m_script.closeAfterGreeting)
            return;
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            const QByteArray data = socket->readAll();
            record(data);
            buffer->append(data);
            qsizetype end;
            while ((end = buffer->indexOf("\r\n")) >= 0) {
                const QByteArray line = buffer->left(end);
                buffer->remove(0, end + 2);
                const qsizetype blank = line.indexOf(' ');
                const QByteArray word = (blank < 0 ? line : line.left(blank)).toUpper();
                send(socket, replyTo(word), word == "QUIT");
            }
        });
    }

    QList<QByteArray> replyTo(const QByteArray& word) const
    {
        const auto it = m_script.replies.constFind(word);
        if (it != m_script.replies.cend())
            return *it;
        if (word == "STAT")
            return {"+OK 0 0\r\n"};
        if (word == "QUIT")
            return {"+OK bye\r\n"};
        return {"+OK\r\n"};
    }

    void send(QTcpSocket* socket, QList<QByteArray> packets, bool closeAfter)
    {
        if (packets.isEmpty()) {
            if (closeAfter)
                socket->disconnectFromHost();
            return;
        }
        socket->write(packets.takeFirst());
        socket->flush();
        if (packets.isEmpty()) {
            if (closeAfter)
                socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(kPacketPause, socket, [this, socket, packets, closeAfter] {
            send(socket, packets, closeAfter);
        });
    }

    void record(const QByteArray& data)
    {
        QMutexLocker lock(&m_mutex);
        m_received += data;
    }

    Script m_script;
    QThread m_thread;
    // Lives in the server's thread; the server and its connections are its children.
    std::unique_ptr<QObject> m_context = std::make_unique<QObject>();
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QByteArray m_received;
    int m_connections = 0;
};
