#include "TestMain.h"
#include "core/CVOK_AddressDoc.h"
#include "core/Text.h"
#include "settings/SyncAccount.h"
#include "sync/SyncEngine.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A server that answers each request with the next of its scripted replies, byte for byte: an
// empty reply never comes (a stall); one that starts with "!cut" is sent and the line dropped.
class ScriptedServer : public QTcpServer
{
public:
    explicit ScriptedServer(QList<QByteArray> replies) : m_replies(std::move(replies))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost);
    }

private:
    void read(QTcpSocket* socket)
    {
        QByteArray& in = m_pending[socket];
        in += socket->readAll();
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray& line : in.left(end).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (in.size() < end + 4 + length)
            return;
        in.remove(0, end + 4 + length);
        const QByteArray reply = m_replies.value(m_next++);
        if (reply.startsWith("!cut")) {
            socket->write(reply.mid(4));
            socket->flush();
            socket->disconnectFromHost();
        } else {
            socket->write(reply);
        }
    }

    QList<QByteArray> m_replies;
    int m_next = 0;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

QByteArray reply(const QByteArray& status, const QByteArray& body, const QByteArray& extra = {})
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/xml\r\n" + extra +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray kToken =
    reply("207 Multi-Status", "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/dav/book/"
                              "</d:href><d:propstat><d:prop><d:sync-token>t1</d:sync-token>"
                              "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                              "</d:response></d:multistatus>");
const QByteArray kListing =
    reply("207 Multi-Status", "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/dav/book/"
                              "a.vcf</d:href><d:propstat><d:prop><d:getetag>\"e1\"</d:getetag>"
                              "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                              "</d:response></d:multistatus>");

} // namespace

// Servers that answer badly, slowly or not at all: each run ends with the right kind of
// failure, and neither the book's file nor a sync state is written.
class TestHostileServer : public QObject
{
    Q_OBJECT
private slots:
    void failsCleanly_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("outcome");
        using O = SyncEngine::Outcome;
        QTest::newRow("bad XML") << QList<QByteArray>{reply(
                                        "207 Multi-Status",
                                        "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/a/")}
                                 << int(O::Failed);
        QTest::newRow("login page")
            << QList<QByteArray>{reply("200 OK", "<html>Login</html>")} << int(O::Failed);
        QTest::newRow("truncated")
            << QList<QByteArray>{"!cutHTTP/1.1 207 Multi-Status\r\nContent-Length: 5000\r\n\r\n"
                                 "<d:multistatus xmlns:d=\"DAV:\"><d:response>"}
            << int(O::Failed);
        QTest::newRow("stall") << QList<QByteArray>{QByteArray()} << int(O::Offline);
        QTest::newRow("stall in the multiget")
            << QList<QByteArray>{kToken, kListing, QByteArray()} << int(O::Offline);
        QTest::newRow("redirect loop")
            << QList<QByteArray>(3, reply("301 Moved Permanently", {}, "Location: /dav/book/\r\n"))
            << int(O::Failed);
        QTest::newRow("Digest refused")
            << QList<QByteArray>(
                   4,
                   reply("401 Unauthorized", {},
                         "WWW-Authenticate: Digest realm=\"dav\", nonce=\"n1\", qop=\"auth\"\r\n"))
            << int(O::AuthFailed);
        QTest::newRow("server error")
            << QList<QByteArray>{reply("500 Internal Server Error", {})} << int(O::Failed);
    }
    void failsCleanly()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, outcome);
        ScriptedServer server(replies);
        QVERIFY(server.isListening());
        QTemporaryDir dir;
        CVOK_AddressDoc doc;
        const QString path = dir.filePath(QStringLiteral("Address.vok"));
        doc.LoadAddressFile(path);
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, Text::toCp932(QStringLiteral("山田 太郎")).value());
        record->setField(AddressRecord::Group, "Other");
        doc.AddRecord(std::move(record));
        QVERIFY(doc.SaveAddressFile());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        SyncEngine engine(doc);
        engine.client().setTimeout(500);
        SyncAccount account;
        account.user = QStringLiteral("alice");
        account.password = QStringLiteral("secret");
        account.addressBook =
            QStringLiteral("http://127.0.0.1:%1/dav/book/").arg(server.serverPort());
        engine.setAccount(account);
        QSignalSpy done(&engine, &SyncEngine::finished);
        engine.start();
        QVERIFY(done.wait(20000));
        QCOMPARE(int(engine.lastSummary().outcome), outcome);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFile::exists(path + QStringLiteral(".sync")));
    }
};

VOK_TEST_MAIN(TestHostileServer)
#include "tst_hostileserver.moc"
