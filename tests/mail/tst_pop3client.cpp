#include "FakePop3Server.h"
#include "TestMain.h"
#include "mail/HostLookup.h"
#include "mail/Pop3Client.h"
#include "mail/Pop3Endpoint.h"

#include <QSslSocket>
#include <atomic>
#include <thread>

using Replies = QHash<QByteArray, QList<QByteArray>>;
Q_DECLARE_METATYPE(Replies)

namespace {

// Short bounds, so that a test of a silent server ends quickly.
constexpr int kConnectMs = 3000;
constexpr int kReplyMs = 400;

// Runs the dialogue the mail check runs: login, STAT after a good login, RSET and QUIT always.
struct Outcome
{
    bool login = false;
    bool stat = false;
    int count = -1;
};

Outcome converse(const QString& server, const QString& user = QStringLiteral("taro"),
                 const QString& password = QStringLiteral("secret"))
{
    Outcome out;
    Pop3Client client(kConnectMs, kReplyMs);
    out.login = client.Login(server, user, password);
    if (out.login) {
        out.stat = client.Stat();
        out.count = client.GetMessageCount();
    }
    client.Reset();
    client.Quit();
    return out;
}

} // namespace

class TestPop3Client : public QObject
{
    Q_OBJECT
private slots:
    void dialogue_data();
    void dialogue();
    void hostileServer_data();
    void hostileServer();
    void unreachableServer();
    void lineBreakInAccountIsRefused_data();
    void lineBreakInAccountIsRefused();
    void defaultPortIsAParameter();
    void abortEndsAWait();
    void hostNameLookedUp();
    void endpoint_data();
    void endpoint();
    void tlsIsNotPlainText();
};

void TestPop3Client::dialogue_data()
{
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<bool>("login");
    QTest::addColumn<bool>("stat");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("sent");

    const QByteArray full = "USER taro\r\nPASS secret\r\nSTAT \r\nRSET \r\nQUIT \r\n";
    const QByteArray noStat = "USER taro\r\nPASS secret\r\nRSET \r\nQUIT \r\n";
    QTest::newRow("empty mailbox")
        << Replies{{"STAT", {"+OK 0 0\r\n"}}} << true << true << 0 << full;
    QTest::newRow("three messages")
        << Replies{{"STAT", {"+OK 3 1200\r\n"}}} << true << true << 3 << full;
    QTest::newRow("tab before count")
        << Replies{{"STAT", {"+OK\t12 480\r\n"}}} << true << true << 12 << full;
    QTest::newRow("two blanks") << Replies{{"STAT", {"+OK  7 900\r\n"}}} << true << true << 7
                                << full;
    QTest::newRow("bare +OK") << Replies{{"STAT", {"+OK\r\n"}}} << true << true << 0 << full;
    QTest::newRow("STAT split over two packets")
        << Replies{{"STAT", {"+OK 1", "2 300\r\n"}}} << true << true << 12 << full;
    QTest::newRow("greeting split over three packets")
        << Replies{{"STAT", {"+OK 2 10\r\n"}}} << true << true << 2 << full;
    QTest::newRow("bare LF line end")
        << Replies{{"STAT", {"+OK 5 50\n"}}} << true << true << 5 << full;
    QTest::newRow("-ERR to PASS") << Replies{{"PASS", {"-ERR invalid password\r\n"}}} << false
                                  << false << -1 << noStat;
    QTest::newRow("lower-case -err to PASS")
        << Replies{{"PASS", {"-err invalid password\r\n"}}} << false << false << -1 << noStat;
    QTest::newRow("-ERR to USER") << Replies{{"USER", {"-ERR no such user\r\n"}}} << false << false
                                  << -1 << QByteArray("USER taro\r\nRSET \r\nQUIT \r\n");
    QTest::newRow("mixed-case -Err to STAT")
        << Replies{{"STAT", {"-Err mailbox locked\r\n"}}} << true << false << 0 << full;
    QTest::newRow("-ERR to RSET and QUIT does not matter")
        << Replies{{"RSET", {"-ERR\r\n"}}, {"QUIT", {"-ERR\r\n"}}} << true << true << 0 << full;
}

void TestPop3Client::dialogue()
{
    QFETCH(Replies, replies);
    QFETCH(bool, login);
    QFETCH(bool, stat);
    QFETCH(int, count);
    QFETCH(QByteArray, sent);

    FakePop3Server::Script script;
    script.replies = replies;
    if (QByteArray(QTest::currentDataTag()).startsWith("greeting split"))
        script.greeting = {"+OK fa", "ke ser", "ver\r\n"};
    FakePop3Server server(script);

    const Outcome out = converse(server.address());
    QCOMPARE(out.login, login);
    QCOMPARE(out.stat, stat);
    QCOMPARE(out.count, count);
    QTRY_COMPARE(server.received(), sent);
    QCOMPARE(server.connections(), 1);
}

void TestPop3Client::hostileServer_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("closeAfterGreeting");
    QTest::addColumn<QList<QByteArray>>("greeting");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<bool>("login");
    QTest::addColumn<bool>("stat");

    const QList<QByteArray> hello{"+OK hello\r\n"};
    const QByteArray tooLong = "+OK " + QByteArray(600, '9') + "\r\n";
    QTest::newRow("silent after connect") << true << false << hello << Replies{} << false << false;
    QTest::newRow("closes after greeting") << false << true << hello << Replies{} << false << false;
    QTest::newRow("greeting without line end")
        << false << false << QList<QByteArray>{"+OK hello"} << Replies{} << false << false;
    QTest::newRow("-ERR greeting")
        << false << false << QList<QByteArray>{"-ERR busy\r\n"} << Replies{} << false << false;
    QTest::newRow("empty greeting")
        << false << false << QList<QByteArray>{"\r\n"} << Replies{} << false << false;
    QTest::newRow("silent after PASS")
        << false << false << hello << Replies{{"PASS", {}}} << false << false;
    QTest::newRow("silent after STAT")
        << false << false << hello << Replies{{"STAT", {}}} << true << false;
    QTest::newRow("reply longer than 512 bytes")
        << false << false << hello << Replies{{"STAT", {tooLong}}} << true << false;
    // What follows an over-long reply in the same packet is no reply to the later commands.
    QTest::newRow("over-long greeting, then good lines")
        << false << false << QList<QByteArray>{tooLong + "+OK\r\n+OK\r\n"} << Replies{} << false
        << false;
    QTest::newRow("over-long STAT reply, then good lines")
        << false << false << hello << Replies{{"STAT", {tooLong + "+OK 5 50\r\n+OK\r\n"}}} << true
        << false;
}

void TestPop3Client::hostileServer()
{
    QFETCH(bool, silent);
    QFETCH(bool, closeAfterGreeting);
    QFETCH(QList<QByteArray>, greeting);
    QFETCH(Replies, replies);
    QFETCH(bool, login);
    QFETCH(bool, stat);

    FakePop3Server::Script script;
    script.silent = silent;
    script.closeAfterGreeting = closeAfterGreeting;
    script.greeting = greeting;
    script.replies = replies;
    FakePop3Server server(script);

    // Every wait is bounded: each of these ends, as a failure, instead of hanging.
    const Outcome out = converse(server.address());
    QCOMPARE(out.login, login);
    QCOMPARE(out.stat, stat);
    QCOMPARE(server.connections(), 1);
    // Once a reply is missing the dialogue is over: nothing more is sent after that command.
    if (silent)
        QCOMPARE(server.received(), QByteArray());
    const QByteArray tag = QTest::currentDataTag();
    if (tag == "silent after PASS")
        QCOMPARE(server.received(), QByteArray("USER taro\r\nPASS secret\r\n"));
    if (tag.startsWith("over-long greeting"))
        QCOMPARE(server.received(), QByteArray());
    if (tag.startsWith("over-long STAT"))
        QCOMPARE(server.received(), QByteArray("USER taro\r\nPASS secret\r\nSTAT \r\n"));
}

void TestPop3Client::unreachableServer()
{
    const quint16 port = FakePop3Server::closedPort();
    Pop3Client client(kConnectMs, kReplyMs);
    QVERIFY(!client.Login(QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("taro"),
                          QStringLiteral("secret")));
    // RSET and QUIT on a connection that never came up fail at once.
    QVERIFY(!client.Reset());
    QVERIFY(!client.Quit());
    QCOMPARE(client.GetMessageCount(), 0);
}

void TestPop3Client::lineBreakInAccountIsRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("CR LF in password") << QStringLiteral("taro") << QStringLiteral("pw\r\nDELE 1");
    QTest::newRow("LF in user") << QStringLiteral("taro\nDELE 1") << QStringLiteral("pw");
}

void TestPop3Client::lineBreakInAccountIsRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    FakePop3Server server;
    const Outcome out = converse(server.address(), user, password);
    QVERIFY(!out.login);
    QVERIFY(!server.received().contains("DELE"));
}

void TestPop3Client::defaultPortIsAParameter()
{
    FakePop3Server server;
    Pop3Client client(kConnectMs, kReplyMs);
    client.setDefaultPort(server.port());
    QVERIFY(client.Login(QStringLiteral("127.0.0.1"), QStringLiteral("taro"),
                         QStringLiteral("secret")));
    QVERIFY(client.Stat());
    QVERIFY(client.Quit());
    QTRY_COMPARE(server.received(), QByteArray("USER taro\r\nPASS secret\r\nSTAT \r\nQUIT \r\n"));
}

void TestPop3Client::abortEndsAWait()
{
    FakePop3Server::Script script;
    script.silent = true;
    FakePop3Server server(script);
    std::atomic<bool> abort{false};
    // A reply bound far beyond the test's own time limit: only the abort can end this wait.
    Pop3Client client(kConnectMs, 3600 * 1000);
    client.setAbortFlag(&abort);
    std::thread stopper([&abort] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        abort = true;
    });
    const bool ok =
        client.Login(server.address(), QStringLiteral("taro"), QStringLiteral("secret"));
    stopper.join();
    QVERIFY(!ok);
    QVERIFY(!client.Reset());
}

void TestPop3Client::hostNameLookedUp()
{
    FakePop3Server server;
    // The first address refuses; the next one is tried, as for any name with several.
    HostLookup::setResolver([](const std::string& host) {
        return host == "pop.example.test" ? std::vector<std::string>{"127.0.0.2", "127.0.0.1"}
                                          : std::vector<std::string>{};
    });
    const Outcome named = converse(QStringLiteral("pop.example.test:%1").arg(server.port()));
    const Outcome unknown = converse(QStringLiteral("nowhere.example.test:%1").arg(server.port()));
    HostLookup::setResolver({});
    QVERIFY(named.login);
    QVERIFY(named.stat);
    QVERIFY(!unknown.login);
    QCOMPARE(server.connections(), 1);
}

void TestPop3Client::endpoint_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("tls");

    QTest::newRow("host") << "mail.example.org" << true << "mail.example.org" << 110 << false;
    QTest::newRow("blanks around")
        << "  mail.example.org " << true << "mail.example.org" << 110 << false;
    QTest::newRow("address") << "192.0.2.7" << true << "192.0.2.7" << 110 << false;
    QTest::newRow("host:port") << "mail.example.org:2110" << true << "mail.example.org" << 2110
                               << false;
    QTest::newRow("host:995") << "mail.example.org:995" << true << "mail.example.org" << 995
                              << true;
    QTest::newRow("pop3s") << "pop3s://mail.example.org" << true << "mail.example.org" << 995
                           << true;
    QTest::newRow("POP3S upper case")
        << "POP3S://mail.example.org/" << true << "mail.example.org" << 995 << true;
    QTest::newRow("pop3s with port")
        << "pop3s://mail.example.org:1995" << true << "mail.example.org" << 1995 << true;
    QTest::newRow("pop3") << "pop3://mail.example.org" << true << "mail.example.org" << 110
                          << false;
    QTest::newRow("bare IPv6") << "2001:db8::1" << true << "2001:db8::1" << 110 << false;
    QTest::newRow("bracketed IPv6 and port")
        << "[2001:db8::1]:995" << true << "2001:db8::1" << 995 << true;
    QTest::newRow("empty") << "" << false << "" << 0 << false;
    QTest::newRow("colon without port") << "mail.example.org:" << false << "" << 0 << false;
    QTest::newRow("port 0") << "mail.example.org:0" << false << "" << 0 << false;
    QTest::newRow("port too big") << "mail.example.org:70000" << false << "" << 0 << false;
    QTest::newRow("port not a number") << "mail.example.org:pop" << false << "" << 0 << false;
    QTest::newRow("scheme only") << "pop3s://" << false << "" << 0 << false;
}

void TestPop3Client::endpoint()
{
    QFETCH(QString, server);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, tls);
    const Pop3Endpoint ep = Pop3Endpoint::parse(server);
    QCOMPARE(ep.isValid(), valid);
    if (!valid)
        return;
    QCOMPARE(ep.host, host);
    QCOMPARE(int(ep.port), port);
    QCOMPARE(ep.tls, tls);
}

void TestPop3Client::tlsIsNotPlainText()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend");
    // A plain server behind a pop3s:// name: the client opens with a TLS handshake, the
    // server's plain greeting is no TLS answer, and the login fails without sending the
    // user name or the password in clear.
    FakePop3Server server;
    const Outcome out = converse(QStringLiteral("pop3s://127.0.0.1:%1").arg(server.port()));
    QVERIFY(!out.login);
    QTRY_VERIFY(!server.received().isEmpty());
    QCOMPARE(server.received().at(0), char(0x16)); // TLS handshake record
    QVERIFY(!server.received().contains("secret"));
    QVERIFY(!server.received().contains("USER"));
}

VOK_TEST_MAIN(TestPop3Client)
#include "tst_pop3client.moc"
