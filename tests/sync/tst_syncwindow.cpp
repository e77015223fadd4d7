#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "RadicaleServer.h"
#include "TestMain.h"
#include "app/AppText.h"
#include "app/SyncController.h"
#include "app/SyncLog.h"
#include "app/SyncMode.h"
#include "app/TrayIcon.h"
#include "settings/SyncAccount.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Outcome = SyncEngine::Outcome;

// "O:msg" offline, "C:msg" a refused certificate, "A:msg" no entry, "F:msg" failed, "K" done.
SyncEngine::Summary step(const QString& code)
{
    SyncEngine::Summary s;
    const qsizetype kind = QStringLiteral("KFDAOC").indexOf(code.at(0));
    s.outcome = Outcome(std::min<qsizetype>(kind, 4));
    s.message = code.mid(2).section(u' ', 0, 0);
    s.fingerprint = kind == 5 ? QStringLiteral("ab:cd") : QString();
    return s;
}

// A window whose account is stored before it starts; nothing answers at the account's address
// unless a server is given.
struct Window
{
    MessageBoxGuard boxes;
    std::unique_ptr<PaneTest::Frame> f;

    explicit Window(const QString& addressBook = QStringLiteral("http://127.0.0.1:1/alice/b/"),
                    const QString& password = QStringLiteral("secret"), int interval = 15)
    {
        TrayIcon::setAvailableForTesting(true);
        PaneTest::startPaneTest();
        QFile::remove(DataLocation::syncLogPath(DataLocation::addressFilePath()));
        SyncAccount{{}, QStringLiteral("alice"), password, addressBook, {}, interval}.save();
        f = std::make_unique<PaneTest::Frame>();
        f->frame->activateWindow();
    }
    SyncController* sync() const { return f->frame->syncController(); }
    SyncEngine* engine() const { return f->frame->syncEngine(); }
    QString status() const { return f->frame->statusBar()->currentMessage(); }
    QString tip() const { return f->frame->tray()->icon()->toolTip(); }
    // What a run nobody asked for (the timer's) ends with.
    void finishInBackground(const SyncEngine::Summary& s) { emit engine()->finished(s); }
    SyncEngine::Summary syncByKeys()
    {
        QSignalSpy done(engine(), &SyncEngine::finished);
        QTest::keyClick(f->frame.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        return done.count() || done.wait(30000) ? engine()->lastSummary() : SyncEngine::Summary{};
    }
};

} // namespace

class TestSyncWindow : public QObject
{
    Q_OBJECT

private slots:
    // The user's 同期 with no server: progress in the tray's tooltip, which then shows again
    // what the mail check set meanwhile; the failure and the next try in the status bar; the
    // user's next 同期 answers again, the timer's same failure stays quiet; no box.
    void serverDownThroughCommand()
    {
        Window w;
        QSignalSpy done(w.engine(), &SyncEngine::finished);
        QTest::keyClick(w.f->frame.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(done.count(), 0); // the network answers later
        QCOMPARE(w.tip(), AppText::TrayTip + QStringLiteral("同期中 0/0"));
        emit w.engine()->progress(3, 10);
        QCOMPARE(w.tip(), AppText::TrayTip + QStringLiteral("同期中 3/10"));
        w.f->frame->tray()->SetTrayTip(QStringLiteral("VOK_Address 新着 2"));
        QCOMPARE(w.tip(), AppText::TrayTip + QStringLiteral("同期中 3/10"));
        QVERIFY(done.wait(30000));
        const SyncEngine::Summary first = w.engine()->lastSummary();
        QCOMPARE(first.outcome, Outcome::Offline);
        QCOMPARE(w.tip(), QStringLiteral("VOK_Address 新着 2"));
        QVERIFY2(w.status().contains(first.message) && w.status().contains(u"1分後"),
                 qPrintable(w.status()));

        QCOMPARE(w.syncByKeys().outcome, Outcome::Offline);
        QVERIFY2(w.status().contains(u"2分後"), qPrintable(w.status()));
        w.finishInBackground(first);
        QCOMPARE(w.status(), QString());
        QVERIFY(w.boxes.shown().isEmpty());
        QCOMPARE(w.sync()->log().runs().size(), 3);
    }

    // Runs nobody asked for: a failure is shown once until a run succeeds; while no server
    // answers, each try waits longer, up to the interval; anything else ends the series.
    void backgroundRuns_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QStringList>("steps"); // outcome, then + shown or - not, retry minutes
        QTest::newRow("same again")
            << 15 << QStringList{"O:a +1", "O:a -2", "O:b +5", "O:b -10", "O:b -15", "O:b -15"};
        QTest::newRow("short interval") << 3 << QStringList{"O:a +1", "O:a -2", "O:a -3"};
        QTest::newRow("no interval")
            << 0 << QStringList{"O:a +1",  "O:a -2",  "O:a -5",  "O:a -10",
                                "O:a -15", "O:a -30", "O:a -60", "O:a -60"};
        QTest::newRow("success between") << 15 << QStringList{"O:a +1", "K +", "O:a +1", "O:a -2"};
        QTest::newRow("other outcome")
            << 15 << QStringList{"O:a +1", "F:a +", "A:a +", "A:a -", "O:a +1"};
        QTest::newRow("refused certificate") << 15 << QStringList{"O:a +1", "C:cert +", "C:cert -"};
    }
    void backgroundRuns()
    {
        QFETCH(int, interval);
        QFETCH(QStringList, steps);
        Window w(QStringLiteral("http://127.0.0.1:1/alice/b/"), QStringLiteral("secret"), interval);
        for (const QString& code : steps) {
            w.f->frame->statusBar()->showMessage(QStringLiteral("同期中 0/0"));
            w.finishInBackground(step(code));
            const QString expected = code.section(u' ', 1);
            QVERIFY2(w.status().isEmpty() == (expected[0] == u'-'), qPrintable(code));
            const int minutes = expected.size() > 1 ? expected.mid(1).toInt() : -1;
            QCOMPARE(w.sync()->retryDelayMs(), minutes < 0 ? -1 : minutes * 60 * 1000);
        }
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(w.boxes.shown().isEmpty());
    }

    // A refused password: the user's 同期 asks for it once and runs again with it; Escape
    // keeps the stored one; a script's run asks nothing.
    void passwordAskedAgain_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("typed") << "enter";
        QTest::newRow("cancelled") << "escape";
        QTest::newRow("script") << "script";
    }
    void passwordAskedAgain()
    {
        QFETCH(QString, gesture);
        const int dialogs = gesture == u"script" ? 0 : 1;
        const int records = gesture == u"enter" ? 1 : 0; // the second run brings the card
        if (!RadicaleServer::installed())
            QSKIP("Radicale (python3-radicale) is not installed");
        RadicaleServer server;
        QVERIFY(server.start());
        const QUrl book = server.addressBook(QStringLiteral("book"));
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a-1\r\nFN:東雲\r\nEND:VCARD\r\n";
        QCOMPARE(server.put(book.resolved(QUrl(QStringLiteral("a.vcf"))), card).status, 201);
        Window w(book.toString(), QStringLiteral("wrong"), 0);
        ModalDriver driver([&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>();
            if (gesture == u"enter") {
                QTest::keyClick(edit, Qt::Key_Return); // empty: refused by the dialog
                QTest::keyClicks(edit, QStringLiteral("secret"));
                QTest::keyClick(edit, Qt::Key_Return);
            } else {
                QTest::keyClick(edit, Qt::Key_Escape);
            }
        });
        QSignalSpy done(w.engine(), &SyncEngine::finished);
        if (gesture == u"script")
            QVERIFY(SyncMode::answer(*w.f->frame, "SYNC\n"));
        else
            QCOMPARE(w.syncByKeys().outcome, Outcome::AuthFailed);
        if (!dialogs)
            QTest::qWait(200); // a box would have come by now
        QTRY_COMPARE_WITH_TIMEOUT(driver.seen(), dialogs, 10000);
        QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(records ? done.count() == 2 || done.wait(30000) : !w.engine()->isRunning());
        QCOMPARE(done.count(), 1 + records);
        QCOMPARE(SyncAccount::load().password, records ? "secret" : "wrong");
        QCOMPARE(w.f->frame->document()->records().size(), std::size_t(records));
    }

    // The log keeps the newest runs, newest first, within its count and its size; the newest
    // run stays however long it is.
    void logKeepsNewest_data()
    {
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("notes");
        QTest::addColumn<int>("kept"); // -1: as many as fit the size
        QTest::newRow("few") << 3 << 1 << 3;
        QTest::newRow("count") << SyncLog::MaxRuns + 7 << 0 << SyncLog::MaxRuns;
        QTest::newRow("size") << 60 << 20 << -1;
        QTest::newRow("one huge run") << 2 << 3000 << 1;
    }
    void logKeepsNewest()
    {
        QFETCH(int, runs);
        QFETCH(int, notes);
        QFETCH(int, kept);
        QTemporaryDir dir;
        const SyncLog log(dir.filePath(QStringLiteral("SyncLog.txt")));
        const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
        SyncEngine::Summary s = step(QStringLiteral("O:down\nagain"));
        s.notes = QStringList(notes, QString(200, u'〓'));
        for (int i = 0; i < runs; ++i) {
            s.down = i;
            QVERIFY(log.append(when, s));
        }
        const QStringList read = log.runs();
        if (kept < 0) {
            kept = int(SyncLog::MaxBytes / (SyncLog::entry(when, s).toUtf8().size() + 1));
            QVERIFY(kept > 1 && kept < runs);
        }
        QCOMPARE(read.size(), kept);
        QCOMPARE(read.first(), SyncLog::entry(when, s)); // newest first
        QVERIFY(read.last().contains(QStringLiteral("下り %1 ").arg(runs - kept)));
        QCOMPARE(read.first().count(u'\n'), notes); // a message's break stays in its line
        if (kept > 1)
            QVERIFY(QFileInfo(log.path()).size() <= SyncLog::MaxBytes);
        QCOMPARE(QFile(log.path()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
    }

    // ツール → 同期ログ shows every run, newest first with its notes, read-only; Escape
    // closes it.
    void logDialogFromMenu()
    {
        Window w;
        SyncEngine::Summary first = step(QStringLiteral("K"));
        first.down = 4;
        SyncEngine::Summary second = step(QStringLiteral("F:サーバーがエラーを返しました"));
        second.notes = {QStringLiteral("東雲 翠: 競合")};
        w.finishInBackground(first);
        w.finishInBackground(second);
        QString text;
        ModalDriver driver([&](QWidget* dialog) {
            auto* view = dialog->findChild<QPlainTextEdit*>();
            QTest::keyClicks(view, QStringLiteral("x"));
            QTest::keyClick(view, Qt::Key_Delete);
            text = view->toPlainText();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        w.f->frame->commands()->action(ID_SYNC_LOG)->trigger(); // the menu's item
        QCOMPARE(driver.seen(), 1);
        const QStringList lines = text.split(u'\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].contains(u"失敗") && lines[0].contains(second.message), qPrintable(text));
        QCOMPARE(lines[1], QStringLiteral("    東雲 翠: 競合"));
        QVERIFY2(lines[2].contains(u"完了") && lines[2].contains(u"下り 4 /"), qPrintable(text));
    }
};

VOK_TEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
