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
// The requests are kept, head and body.
class ScriptedServer : public QTcpServer
{
public:
    QList<QByteArray> requests;
    // Fills in what the script could not know beforehand (a new contact's UID).
    void substitute(const QByteArray& from, const QByteArray& to)
    {
        for (QByteArray& reply : m_replies) {
            const qsizetype end = reply.indexOf("\r\n\r\n");
            QByteArray body = reply.mid(end + 4);
            if (end < 0 || !body.contains(from))
                continue;
            body.replace(from, to);
            const qsizetype length = reply.indexOf("Content-Length: ");
            reply = reply.left(length) + "Content-Length: " + QByteArray::number(body.size()) +
                    "\r\n\r\n" + body;
        }
    }

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
        requests << in.left(end + 4 + length);
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

QByteArray card(const char* uid, const char* name)
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:") + uid + "\r\nFN:" + name +
           "\r\nN:" + name + ";;;;\r\nEND:VCARD\r\n";
}

// A multistatus of (href, status, etag, card) responses, and a sync token when given.
QByteArray multistatus(const QList<QList<QByteArray>>& responses, const QByteArray& token = {})
{
    QByteArray body = "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">";
    for (const QList<QByteArray>& r : responses) {
        body += "<d:response><d:href>/dav/book/" + r[0] + "</d:href>";
        if (r[1] == "200")
            body += "<d:propstat><d:prop><d:getetag>" + r.value(2) + "</d:getetag>" +
                    (r.value(3).isEmpty() ? QByteArray()
                                          : "<c:address-data>" + r[3] + "</c:address-data>") +
                    "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>";
        else
            body += "<d:status>HTTP/1.1 " + r[1] + " X</d:status>";
        body += "</d:response>";
    }
    if (!token.isEmpty())
        body += "<d:sync-token>" + token + "</d:sync-token>";
    return reply("207 Multi-Status", body + "</d:multistatus>");
}

QByteArray tokenReply(const QByteArray& token)
{
    return reply("207 Multi-Status",
                 "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/dav/book/</d:href>"
                 "<d:propstat><d:prop><d:sync-token>" +
                     token +
                     "</d:sync-token></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                     "</d:response></d:multistatus>");
}

// One book and its engine against a scripted server.
struct Book
{
    QTemporaryDir dir;
    CVOK_AddressDoc doc;
    SyncEngine engine{doc};
    QString path = dir.filePath(QStringLiteral("Address.vok"));

    explicit Book(const ScriptedServer& server)
    {
        doc.LoadAddressFile(path);
        engine.client().setTimeout(500);
        SyncAccount account;
        account.user = QStringLiteral("alice");
        account.password = QStringLiteral("secret");
        account.addressBook =
            QStringLiteral("http://127.0.0.1:%1/dav/book/").arg(server.serverPort());
        engine.setAccount(account);
    }
    void add(const char* name)
    {
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, Text::toCp932(QString::fromUtf8(name)).value());
        record->setField(AddressRecord::Group, "Other");
        doc.AddRecord(std::move(record));
    }
    SyncEngine::Summary sync()
    {
        QSignalSpy done(&engine, &SyncEngine::finished);
        engine.start();
        if (engine.isRunning() && !done.wait(20000))
            qWarning("the run did not end");
        return engine.lastSummary();
    }
};

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
        Book book(server);
        book.add("山田 太郎");
        QVERIFY(book.doc.SaveAddressFile());
        QFile file(book.path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        book.sync();
        QCOMPARE(int(book.engine.lastSummary().outcome), outcome);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFile::exists(book.path + QStringLiteral(".sync")));
    }

    // Answers that come in parts or without what a run relies on, over two runs: changes in
    // 507-cut pages are asked for again from each page's token; a write answered with a weak
    // ETag has its card and strong ETag fetched, so the next run has nothing to do.
    void inParts_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<QByteArray>("contact"); // in the book before the first run
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("request");
        QTest::addColumn<QByteArray>("asked"); // in that request
        QTest::addColumn<bool>("quietSecond");
        QTest::newRow("507 pages")
            << QList<QByteArray>{tokenReply("t1"),
                                 multistatus({{"a.vcf", "200", "\"a1\""}}),
                                 multistatus({{"a.vcf", "200", "\"a1\"", card("a", "A")}}),
                                 tokenReply("t2"),
                                 multistatus({{"b.vcf", "200", "\"b1\""}, {"", "507"}}, "t2a"),
                                 multistatus({{"c.vcf", "200", "\"c1\""}}, "t3"),
                                 multistatus({{"b.vcf", "200", "\"b1\"", card("b", "B")},
                                              {"c.vcf", "200", "\"c1\"", card("c", "C")}})}
            << QByteArray() << 3 << 5 << QByteArray("<d:sync-token>t2a</d:sync-token>") << false;
        QTest::newRow("weak ETag")
            << QList<QByteArray>{tokenReply("t1"),
                                 multistatus({}),
                                 reply("201 Created", {}, "ETag: W/\"w1\"\r\n"),
                                 multistatus({{"x.vcf", "200", "\"s1\"", card("x", "X")}}),
                                 multistatus({{"x.vcf", "200", "\"s1\""}}, "t2"),
                                 tokenReply("t2")}
            << QByteArray("山田 太郎") << 1 << 3 << QByteArray("addressbook-multiget") << true;
    }
    void inParts()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(QByteArray, contact);
        QFETCH(int, records);
        QFETCH(int, request);
        QFETCH(QByteArray, asked);
        QFETCH(bool, quietSecond);
        ScriptedServer server(replies);
        Book book(server);
        if (!contact.isEmpty()) {
            book.add(contact.constData());
            // Its card's href and UID.
            const QByteArray uid =
                QByteArray::fromStdString((*book.doc.records().begin())->uid().toString());
            server.substitute("x.vcf", uid + ".vcf");
            server.substitute("UID:x", "UID:" + uid);
        }
        QCOMPARE(book.sync().outcome, SyncEngine::Outcome::Ok);
        const SyncEngine::Summary second = book.sync();
        QCOMPARE(second.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(second.nothingChanged, quietSecond);
        QCOMPARE(int(book.doc.records().size()), records);
        QVERIFY(request < server.requests.size());
        QVERIFY2(server.requests[request].contains(asked), server.requests[request].constData());
    }
};

VOK_TEST_MAIN(TestHostileServer)
#include "tst_hostileserver.moc"
