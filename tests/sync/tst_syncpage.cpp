#include "MessageBoxGuard.h"
#include "RadicaleServer.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "core/DataLocation.h"
#include "settings/SyncAccount.h"
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

namespace {

QByteArray card(const QByteArray& uid)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid +
           "\r\nFN:東雲 翠\r\nN:東雲;翠;;;\r\nTEL;TYPE=CELL:090-1234-5678\r\nEND:VCARD\r\n";
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void retype(QLineEdit* field, const QString& text)
{
    click(field);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
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
        QTest::addColumn<QString>("server"); // "plain", "tls" or "down"
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("firstAnswer"); // the start of the label's text
        QTest::addColumn<int>("syncStatus");
        QTest::newRow("found") << "plain"
                               << "secret"
                               << "アドレス帳が" << 0;
        QTest::newRow("wrong password") << "plain"
                                        << "wrong"
                                        << "サーバーがユーザー名" << 1;
        QTest::newRow("server down") << "down"
                                     << "secret"
                                     << "サーバーに接続できません" << 1;
        QTest::newRow("self-signed, trusted") << "tls"
                                              << "secret"
                                              << "サーバーの証明書" << 0;
    }
    void setUpBySheet()
    {
        QFETCH(QString, server);
        QFETCH(QString, password);
        QFETCH(QString, firstAnswer);
        QFETCH(int, syncStatus);
        RadicaleServer tls;
        if (server == QStringLiteral("tls") && !tls.start(true))
            QSKIP("no HTTPS Radicale (openssl missing?)");
        RadicaleServer& host = server == QStringLiteral("tls") ? tls : m_server;
        // Two books, so that choosing one is a real choice; the card is in the second.
        host.addressBook(QStringLiteral("other%1").arg(++m_books));
        const QUrl wanted = host.addressBook(QStringLiteral("wanted%1").arg(m_books));
        QCOMPARE(host.put(wanted.resolved(QUrl(QStringLiteral("a.vcf"))), card("page-1")).status,
                 201);
        QUrl where = host.base();
        if (server == QStringLiteral("down"))
            where.setPort(1);

        MessageBoxGuard boxes;
        COptionSheet sheet;
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        SyncPage* page = sheet.syncPage();
        QTabBar* bar = sheet.tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->tabRect(sheet.tabs()->indexOf(page)).center());
        QCOMPARE(sheet.tabs()->currentWidget(), page);

        retype(page->findChild<QLineEdit*>(QStringLiteral("server")), where.toString());
        retype(page->findChild<QLineEdit*>(QStringLiteral("user")), QStringLiteral("alice"));
        retype(page->findChild<QLineEdit*>(QStringLiteral("password")), password);
        auto* find = page->findChild<QPushButton*>(QStringLiteral("findBooks"));
        auto* status = page->findChild<QLabel*>(QStringLiteral("status"));
        auto* books = page->findChild<QComboBox*>(QStringLiteral("book"));
        auto* trust = page->findChild<QCheckBox*>(QStringLiteral("trustCert"));
        QSignalSpy ended(page, &SyncPage::searchEnded);
        click(find);
        // The window keeps going while the server is asked.
        QVERIFY(page->isSearching() || ended.count() == 1);
        QVERIFY(ended.count() == 1 || ended.wait(30000));
        QVERIFY2(status->text().startsWith(firstAnswer), qPrintable(status->text()));

        if (server == QStringLiteral("tls")) {
            QVERIFY(trust->isVisible());
            QVERIFY(books->count() == 0);
            click(trust);
            click(find);
            QVERIFY(ended.wait(30000));
            QVERIFY2(status->text().startsWith(QStringLiteral("アドレス帳が")),
                     qPrintable(status->text()));
        }
        if (syncStatus == 0) {
            QVERIFY(books->count() >= 2);
            const int index = books->findData(wanted.toString());
            QVERIFY(index >= 0);
            // A search that found books leaves the keyboard on their list.
            QCOMPARE(QApplication::focusWidget(), books);
            QTest::keyClick(books, Qt::Key_Home);
            for (int i = 0; i < index; ++i)
                QTest::keyClick(books, Qt::Key_Down);
            QCOMPARE(books->currentData().toString(), wanted.toString());
        }
        click(sheet.buttons()->button(QDialogButtonBox::Ok));
        QCOMPARE(sheet.result(), int(QDialog::Accepted));

        const SyncAccount stored = SyncAccount::load();
        QCOMPARE(stored.user, QStringLiteral("alice"));
        QCOMPARE(stored.password, password);
        QCOMPARE(stored.server, where.toString());
        QCOMPARE(stored.trustedCert.isEmpty(), server != QStringLiteral("tls"));
        if (syncStatus == 0)
            QCOMPARE(stored.addressBook, wanted.toString());

        QFile::remove(DataLocation::addressFilePath() + QStringLiteral(".sync"));
        QFile::remove(DataLocation::addressFilePath());
        const CommandLine::Result r =
            CommandLine::runMode({QStringLiteral("VOK_Address"), QStringLiteral("--sync")});
        QCOMPARE(r.status, syncStatus);
        if (syncStatus == 0)
            QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("下り 1 /")),
                     r.err.constData());
        // The next row starts from a sheet that shows nothing stored.
        SyncAccount cleared;
        cleared.save();
    }
};

VOK_TEST_MAIN(TestSyncPage)
#include "tst_syncpage.moc"
