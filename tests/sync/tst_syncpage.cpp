#include "MessageBoxGuard.h"
#include "RadicaleServer.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "core/DataLocation.h"
#include "settings/SyncAccount.h"
#include "sync/Discovery.h"
#include "ui/options/COptionSheet.h"
#include "ui/options/SyncPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QUdpSocket>

namespace {

enum Server
{
    Plain,
    Down,
    SelfSigned,
    BySrv, // an e-mail address; DNS names the server
};

// A DNS server on a loopback address of its own: _carddav._tcp of any domain is the given
// port on 127.0.0.1; every other name does not exist.
class SrvServer
{
public:
    static constexpr const char* Address = "127.0.0.77";
    bool start(quint16 port)
    {
        m_port = port;
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { answer(); });
        return m_socket.bind(QHostAddress(QString::fromLatin1(Address)), 53);
    }

private:
    void answer()
    {
        while (m_socket.hasPendingDatagrams()) {
            QHostAddress from;
            quint16 fromPort = 0;
            QByteArray q(int(m_socket.pendingDatagramSize()), '\0');
            m_socket.readDatagram(q.data(), q.size(), &from, &fromPort);
            if (q.size() < 17)
                continue;
            // The question's name, label by label, then its type and class.
            QByteArrayList labels;
            int at = 12;
            while (at < q.size() && q[at] != 0) {
                labels << q.mid(at + 1, quint8(q[at]));
                at += 1 + quint8(q[at]);
            }
            const QByteArray question = q.mid(12, at + 5 - 12);
            const bool ours = labels.value(0) == "_carddav" && labels.value(1) == "_tcp";
            QByteArray a = q.left(2);
            a += ours ? QByteArray::fromHex("8180") : QByteArray::fromHex("8183"); // NXDOMAIN
            a += QByteArray::fromHex("0001") +
                 (ours ? QByteArray::fromHex("0001") : QByteArray::fromHex("0000"));
            a += QByteArray::fromHex("00000000") + question;
            if (ours) {
                QByteArray target;
                for (const char* part : {"127", "0", "0", "1"})
                    target += char(qstrlen(part)) + QByteArray(part);
                target += '\0';
                QByteArray data = QByteArray::fromHex("00000000"); // priority, weight
                data += char(m_port >> 8);
                data += char(m_port & 0xff);
                data += target;
                a += QByteArray::fromHex("c00c"
                                         "0021"
                                         "0001"
                                         "0000003c");
                a += char(data.size() >> 8);
                a += char(data.size() & 0xff);
                a += data;
            }
            m_socket.writeDatagram(a, from, fromPort);
        }
    }
    QUdpSocket m_socket;
    quint16 m_port = 0;
};

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void retype(SyncPage* page, const char* field, const QString& text)
{
    auto* edit = page->findChild<QLineEdit*>(QString::fromLatin1(field));
    click(edit);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

} // namespace

class TestSyncPage : public QObject
{
    Q_OBJECT
    RadicaleServer m_server;
    int m_books = 0;

private slots:
    void initTestCase()
    {
        if (!RadicaleServer::installed())
            QSKIP("Radicale (python3-radicale) is not installed");
        QVERIFY(m_server.start());
    }

    // Typed in, searched, picked and confirmed on the page; then --sync runs on what it stored.
    void setUpBySheet_data()
    {
        QTest::addColumn<int>("server");
        QTest::addColumn<bool>("rightPassword");
        QTest::addColumn<QString>("firstAnswer"); // the start of the label's text
        QTest::addColumn<int>("syncStatus");
        QTest::newRow("found") << int(Plain) << true << "アドレス帳が" << 0;
        QTest::newRow("wrong password") << int(Plain) << false << "サーバーがユーザー名" << 1;
        QTest::newRow("server down") << int(Down) << true << "サーバーに接続できません" << 1;
        QTest::newRow("self-signed, trusted") << int(SelfSigned) << true << "サーバーの証明書" << 0;
        QTest::newRow("found by SRV") << int(BySrv) << true << "アドレス帳が" << 0;
    }
    void setUpBySheet()
    {
        QFETCH(int, server);
        QFETCH(bool, rightPassword);
        QFETCH(QString, firstAnswer);
        QFETCH(int, syncStatus);
        RadicaleServer tls;
        if (server == SelfSigned && !tls.start(true))
            QSKIP("no HTTPS Radicale (openssl missing?)");
        RadicaleServer& host = server == SelfSigned ? tls : m_server;
        // Two books, so that choosing one is a real choice; the card is in the second.
        host.addressBook(QStringLiteral("other%1").arg(++m_books));
        const QUrl wanted = host.addressBook(QStringLiteral("wanted%1").arg(m_books));
        QCOMPARE(host.put(wanted.resolved(QUrl(QStringLiteral("a.vcf"))),
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p-1\r\nFN:東雲 翠\r\nEND:VCARD\r\n")
                     .status,
                 201);
        QString where = host.base().toString();
        SrvServer dns;
        if (server == Down) {
            QUrl dead = host.base();
            dead.setPort(1);
            where = dead.toString();
        }
        if (server == BySrv) {
            if (!dns.start(quint16(host.base().port())))
                QSKIP("this user may not take port 53 for a DNS server of its own");
            Discovery::setNameserverForTesting(
                QHostAddress(QString::fromLatin1(SrvServer::Address)));
            where = QStringLiteral("alice@vok-srv.test");
        }
        const QString password = QString::fromLatin1(rightPassword ? "secret" : "wrong");

        MessageBoxGuard boxes;
        COptionSheet sheet;
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        SyncPage* page = sheet.syncPage();
        QTabBar* bar = sheet.tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->tabRect(sheet.tabs()->indexOf(page)).center());
        QCOMPARE(sheet.tabs()->currentWidget(), page);
        retype(page, "server", where);
        retype(page, "user", QStringLiteral("alice"));
        retype(page, "password", password);
        auto* find = page->findChild<QPushButton*>(QStringLiteral("findBooks"));
        auto* status = page->findChild<QLabel*>(QStringLiteral("status"));
        auto* books = page->findChild<QComboBox*>(QStringLiteral("book"));
        QSignalSpy ended(page, &SyncPage::searchEnded);
        click(find);
        QVERIFY(page->isSearching()); // the window goes on while the server is asked
        QVERIFY(ended.wait(30000));
        QVERIFY2(status->text().startsWith(firstAnswer), qPrintable(status->text()));
        if (server == SelfSigned) {
            QCOMPARE(books->count(), 0);
            click(page->findChild<QCheckBox*>(QStringLiteral("trustCert")));
            click(find);
            QVERIFY(ended.wait(30000));
        }
        if (syncStatus == 0) {
            const int index = books->findData(wanted.toString());
            QVERIFY(index >= 0 && books->count() >= 2);
            QCOMPARE(QApplication::focusWidget(), books); // the keyboard is on the list
            QTest::keyClick(books, Qt::Key_Home);
            for (int i = 0; i < index; ++i)
                QTest::keyClick(books, Qt::Key_Down);
            // The groups as group cards: the last choice.
            auto* groups = page->findChild<QComboBox*>(QStringLiteral("groupMode"));
            groups->setFocus();
            QTest::keyClick(groups, Qt::Key_End);
        }
        click(sheet.buttons()->button(QDialogButtonBox::Ok));
        QCOMPARE(sheet.result(), int(QDialog::Accepted));

        const SyncAccount stored = SyncAccount::load();
        QCOMPARE(stored.password, password);
        QCOMPARE(stored.server, where);
        QCOMPARE(stored.trustedCert.isEmpty(), server != SelfSigned);
        QCOMPARE(stored.addressBook, syncStatus == 0 ? wanted.toString() : QString());
        QCOMPARE(stored.groupMode, syncStatus == 0 ? SyncAccount::GroupMode::GroupCards
                                                   : SyncAccount::GroupMode::Auto);
        QFile::remove(DataLocation::addressFilePath() + QStringLiteral(".sync"));
        QFile::remove(DataLocation::addressFilePath());
        const CommandLine::Result r =
            CommandLine::runMode({QStringLiteral("VOK_Address"), QStringLiteral("--sync")});
        QCOMPARE(r.status, syncStatus);
        if (syncStatus == 0)
            QVERIFY2(r.err.contains("下り 1 /"), r.err.constData());
        SyncAccount().save(); // the next row starts from nothing stored
        Discovery::setNameserverForTesting({});
    }
};

VOK_TEST_MAIN(TestSyncPage)
#include "tst_syncpage.moc"
