#include "FakePop3Server.h"
#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "mail/CMailNoticeDlg.h"
#include "mail/HostLookup.h"
#include "mail/MailCheck.h"
#include "mail/MailText.h"
#include "resource.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/common/MessageBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

namespace {

const QString kOption = QString::fromLatin1(SettingsKeys::OptionKey);

void writeAccount(const QString& user, const QString& password, const QString& server)
{
    RegistryKey key;
    key.Open(kOption);
    if (!user.isEmpty())
        key.WriteString(QStringLiteral("UserName"), user);
    if (!password.isEmpty())
        key.WriteString(QStringLiteral("PassWord"), password);
    if (!server.isEmpty())
        key.WriteString(QStringLiteral("POPServer"), server);
}

void writeMailMsg(quint32 value)
{
    RegistryKey key;
    key.Open(kOption);
    key.WriteDword(QStringLiteral("MailMsg"), value);
}

// The stored "MailMsg", or -1 when there is none.
qint64 readMailMsg()
{
    RegistryKey key;
    key.Open(kOption);
    quint32 value = 0;
    if (key.ReadDword(QStringLiteral("MailMsg"), value) != RegistryKey::Success)
        return -1;
    return value;
}

FakePop3Server::Script statReply(const QByteArray& reply)
{
    FakePop3Server::Script script;
    script.replies["STAT"] = {reply};
    return script;
}

// Waits, without running the event loop, until the server has answered STAT to that many
// workers and they have had time to block handing their results over.
bool waitForHandOver(const FakePop3Server& server, int workers)
{
    const QDeadlineTimer deadline(15000);
    while (server.received().count("STAT \r\n") < workers && !deadline.hasExpired())
        QThread::msleep(10);
    QThread::msleep(200);
    return server.received().count("STAT \r\n") >= workers;
}

// The animation and the pauses around the beeps, shortened: their order is what is tested.
constexpr int kAnimationMs = 40;
constexpr int kBeepMs = 40;

// Stands in for the main frame: records, in order, what the mail check asks it to show.
struct Frame
{
    Frame()
    {
        check = new MailCheck(window.get());
        check->setTimeouts(3000, 3000);
        check->setIntervals(kAnimationMs, kBeepMs, MailCheck::TipResetInterval);
        check->setBeeper([this] { log << QStringLiteral("beep"); });
        QObject::connect(check, &MailCheck::trayIconChanged, window.get(),
                         [this](int id) { log << QStringLiteral("icon %1").arg(id); });
        QObject::connect(check, &MailCheck::trayTipChanged, window.get(),
                         [this](const QString& t) { log << QStringLiteral("tip ") + t; });
        QObject::connect(check, &MailCheck::mailPaneTextChanged, window.get(),
                         [this](const QString& t) { log << QStringLiteral("pane ") + t; });
    }

    QStringList icons() const { return log.filter(QRegularExpression(QStringLiteral("^icon "))); }
    QString lastPane() const
    {
        const QStringList panes = log.filter(QRegularExpression(QStringLiteral("^pane ")));
        return panes.isEmpty() ? QString() : panes.last();
    }

    QStringList log;
    // Its destruction takes the mail check with it, as the frame's does.
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    MailCheck* check;
};

} // namespace

class TestMailCheck : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests
private slots:
    void initTestCase();
    void init();
    void incompleteAccount_data();
    void incompleteAccount();
    void result_data();
    void result();
    void notice_data();
    void notice();
    void animationAndExitWhileWaiting();
    void exitWhileResultIsHandedOver();
    void twoChecksEachReport();
    void newCheckRightAfterAResult();
    void exitDuringStalledLookup();
    void pictures_data();
    void pictures();
};

void TestMailCheck::initTestCase() {}

void TestMailCheck::init()
{
    QFile::remove(RegistryKey::storePath());
    MessageBox::shownTexts().clear();
}

void TestMailCheck::incompleteAccount_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("server");
    QTest::newRow("no server") << "taro"
                               << "secret"
                               << "";
    QTest::newRow("no user name") << ""
                                  << "secret"
                                  << "127.0.0.1";
    QTest::newRow("no password") << "taro"
                                 << ""
                                 << "127.0.0.1";
    QTest::newRow("nothing") << ""
                             << ""
                             << "";
}

void TestMailCheck::incompleteAccount()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, server);
    writeAccount(user, password, server);
    ModalDriver watcher([](QWidget* w) { w->close(); });

    Frame frame;
    frame.check->OnMailCheck();
    QCOMPARE(MessageBox::shownTexts(), QStringList{MailText::AccountMissing});
    QCOMPARE(frame.log, QStringList());
    QCOMPARE(frame.check->runningChecks(), 0);
    QCOMPARE(watcher.seen(), 0);
    QCOMPARE(readMailMsg(), -1);
}

void TestMailCheck::result_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QString>("text");
    QTest::newRow("no mail") << QByteArray("STAT") << QByteArray("+OK 0 0\r\n") << true
                             << "VOK_Address: You have Mail = 0 ";
    QTest::newRow("three messages") << QByteArray("STAT") << QByteArray("+OK 3 1200\r\n") << true
                                    << "VOK_Address: You have Mail = 3 ";
    QTest::newRow("STAT refused") << QByteArray("STAT") << QByteArray("-ERR locked\r\n") << true
                                  << "VOK_Address: Mail information cannot be retrieved ...";
    QTest::newRow("count beyond int")
        << QByteArray("STAT") << QByteArray("+OK 2147483648 9\r\n") << true
        << "VOK_Address: Mail information cannot be retrieved ...";
    QTest::newRow("over-long STAT reply")
        << QByteArray("STAT") << "+OK " + QByteArray(600, '9') + "\r\n+OK 3 30\r\n"
        << true << "VOK_Address: Mail information cannot be retrieved ...";
    QTest::newRow("password refused") << QByteArray("PASS") << QByteArray("-ERR no\r\n") << true
                                      << "VOK_Address: POP server cannot be connected ...";
    QTest::newRow("nobody listening") << QByteArray() << QByteArray() << false
                                      << "VOK_Address: POP server cannot be connected ...";
}

void TestMailCheck::result()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(bool, reachable);
    QFETCH(QString, text);

    FakePop3Server::Script script;
    if (!command.isEmpty())
        script.replies[command] = {reply};
    FakePop3Server server(script);
    const QString address = reachable
                                ? server.address()
                                : QStringLiteral("127.0.0.1:%1").arg(FakePop3Server::closedPort());
    writeAccount(QStringLiteral("taro"), QStringLiteral("secret"), address);
    writeMailMsg(1);

    Frame frame;
    frame.check->setIntervals(kAnimationMs, kBeepMs, 200);
    frame.check->OnMailCheck();
    QCOMPARE(frame.log.value(0), QStringLiteral("pane ") + MailText::Checking);
    QCOMPARE(frame.check->m_strPopServer, address);

    QTRY_VERIFY_WITH_TIMEOUT(frame.log.contains(QStringLiteral("tip VOK_Address")), 15000);
    // From the result on: two beeps, then the normal icon and the text in tooltip and pane,
    // and later the tooltip alone goes back; the pane keeps the result.
    const QStringList tail = frame.log.mid(frame.log.indexOf(QStringLiteral("beep")));
    const QStringList expected{QStringLiteral("beep"),         QStringLiteral("beep"),
                               QStringLiteral("icon 134"),     QStringLiteral("tip ") + text,
                               QStringLiteral("pane ") + text, QStringLiteral("tip VOK_Address")};
    QCOMPARE(tail, expected);
    QCOMPARE(frame.lastPane(), QStringLiteral("pane ") + text);
    QCOMPARE(MessageBox::shownTexts(), QStringList());
    QTRY_COMPARE(frame.check->runningChecks(), 0);
    // An over-long reply ends the dialogue where it came.
    if (QByteArray(QTest::currentDataTag()).startsWith("over-long"))
        QVERIFY(server.received().endsWith("STAT \r\n"));
    else if (reachable)
        QTRY_VERIFY(server.received().endsWith("RSET \r\nQUIT \r\n"));
}

void TestMailCheck::notice_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<qint64>("stored");
    QTest::newRow("ticked, OK") << true << false << qint64(1);
    QTest::newRow("not ticked, OK") << false << false << qint64(0);
    QTest::newRow("ticked, Esc") << true << true << qint64(0);
}

void TestMailCheck::notice()
{
    QFETCH(bool, tick);
    QFETCH(bool, escape);
    QFETCH(qint64, stored);

    writeAccount(QStringLiteral("taro"), QStringLiteral("secret"),
                 QStringLiteral("127.0.0.1:%1").arg(FakePop3Server::closedPort()));
    QString title;
    QString noShowText;
    QString messageText;
    int gapAfterIcon = -1;
    bool iconShown = false;
    ModalDriver watcher([&](QWidget* w) {
        auto* dlg = qobject_cast<CMailNoticeDlg*>(w);
        if (!dlg) {
            w->close();
            return;
        }
        title = dlg->windowTitle();
        messageText = dlg->findChild<QLabel*>(QStringLiteral("message"))->text();
        // The text starts right beside the icon in the top left corner.
        const QLabel* icon = dlg->findChild<QLabel*>(QStringLiteral("icon"));
        const int pictureRight = icon->x() + qRound(icon->pixmap().deviceIndependentSize().width());
        gapAfterIcon = dlg->findChild<QLabel*>(QStringLiteral("message"))->x() - pictureRight;
        iconShown = !icon->pixmap().isNull() && icon->x() < 20 && icon->y() < 20;
        auto* box = dlg->findChild<QCheckBox*>();
        noShowText = box->text();
        if (tick)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QCOMPARE(box->isChecked(), tick);
        if (escape)
            QTest::keyClick(dlg, Qt::Key_Escape);
        else
            QTest::mouseClick(dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
    });

    Frame frame;
    frame.check->OnMailCheck();
    QCOMPARE(watcher.seen(), 1);
    QCOMPARE(title, MailText::NoticeTitle);
    QCOMPARE(noShowText, MailText::NoticeNoShow);
    QCOMPARE(messageText,
             QStringLiteral("ダイアルアップ接続の場合は、メールチェック終了（ビープ音）"
                            "後、手動で切断してください。"));
    QVERIFY(iconShown);
    QVERIFY2(gapAfterIcon >= 0 && gapAfterIcon <= 16, qPrintable(QString::number(gapAfterIcon)));
    QCOMPARE(readMailMsg(), stored);
    QCOMPARE(frame.check->runningChecks(), 1);
    QTRY_COMPARE(frame.check->runningChecks(), 0);

    // The next check shows the notice again unless the box was ticked and confirmed.
    frame.check->OnMailCheck();
    QCOMPARE(watcher.seen(), stored ? 1 : 2);
    QTRY_COMPARE(frame.check->runningChecks(), 0);
}

void TestMailCheck::animationAndExitWhileWaiting()
{
    FakePop3Server::Script script;
    script.silent = true;
    FakePop3Server server(script);
    writeAccount(QStringLiteral("taro"), QStringLiteral("secret"), server.address());
    writeMailMsg(1);

    auto frame = std::make_unique<Frame>();
    // Far beyond the test's own time limit: only giving up at exit can end this check.
    frame->check->setTimeouts(3600 * 1000, 3600 * 1000);
    frame->check->OnMailCheck();
    QTRY_VERIFY_WITH_TIMEOUT(frame->icons().size() >= 5, 15000);
    QCOMPARE(frame->icons().mid(0, 5),
             (QStringList{"icon 153", "icon 156", "icon 157", "icon 158", "icon 153"}));
    QCOMPARE(frame->check->runningChecks(), 1);

    // The frame goes while the worker waits on the server: no result, no hang, no crash.
    frame->window.reset();
    QVERIFY(!frame->log.contains(QStringLiteral("beep")));
    QVERIFY(frame->log.filter(QStringLiteral("You have Mail")).isEmpty());
    QVERIFY(frame->log.filter(QStringLiteral("cannot")).isEmpty());
}

void TestMailCheck::exitWhileResultIsHandedOver()
{
    FakePop3Server server;
    writeAccount(QStringLiteral("taro"), QStringLiteral("secret"), server.address());
    writeMailMsg(1);

    auto frame = std::make_unique<Frame>();
    frame->check->OnMailCheck();
    // Without running the event loop, let the worker get its answer and block handing it over.
    QVERIFY(waitForHandOver(server, 1));

    frame->window.reset();
    QCOMPARE(frame->log, QStringList{QStringLiteral("pane ") + MailText::Checking});
}

// Two results that arrive together are two pairs of beeps, each followed by its own result.
void TestMailCheck::twoChecksEachReport()
{
    FakePop3Server server(statReply("+OK 2 20\r\n"));
    writeAccount(QStringLiteral("taro"), QStringLiteral("secret"), server.address());
    writeMailMsg(1);

    Frame frame;
    frame.check->OnMailCheck();
    frame.check->OnMailCheck();
    // Without running the event loop, let both workers get their answer and wait to hand it
    // over, so that both results arrive in the same pass.
    QVERIFY(waitForHandOver(server, 2));

    const QString result = QStringLiteral("VOK_Address: You have Mail = 2 ");
    QTRY_COMPARE_WITH_TIMEOUT(frame.log.count(QStringLiteral("pane ") + result), 2, 15000);
    const QStringList pair{QStringLiteral("beep"), QStringLiteral("beep"),
                           QStringLiteral("icon 134"), QStringLiteral("tip ") + result,
                           QStringLiteral("pane ") + result};
    QCOMPARE(frame.log.mid(frame.log.indexOf(QStringLiteral("beep"))), pair + pair);
    QCOMPARE(server.connections(), 2);
    QTRY_COMPARE(frame.check->runningChecks(), 0);
}

// A check started while the last result still waits for its beeps: that result is shown at
// once and never later over the new check.
void TestMailCheck::newCheckRightAfterAResult()
{
    FakePop3Server firstServer(statReply("+OK 1 10\r\n"));
    FakePop3Server secondServer(statReply("+OK 7 70\r\n"));
    writeAccount(QStringLiteral("taro"), QStringLiteral("secret"), firstServer.address());
    writeMailMsg(1);

    Frame frame;
    bool again = true;
    // The user starts the next check at the first beep, well within the second.
    frame.check->setBeeper([&] {
        frame.log << QStringLiteral("beep");
        if (std::exchange(again, false)) {
            writeAccount(QStringLiteral("taro"), QStringLiteral("secret"), secondServer.address());
            QTimer::singleShot(0, frame.check, [&] { frame.check->OnMailCheck(); });
        }
    });
    frame.check->OnMailCheck();
    QTRY_VERIFY_WITH_TIMEOUT(
        frame.log.contains(QStringLiteral("tip VOK_Address: You have Mail = 7 ")), 15000);
    const QStringList panes = frame.log.filter(QRegularExpression(QStringLiteral("^pane ")));
    QCOMPARE(panes, (QStringList{QStringLiteral("pane ") + MailText::Checking,
                                 QStringLiteral("pane VOK_Address: You have Mail = 1 "),
                                 QStringLiteral("pane ") + MailText::Checking,
                                 QStringLiteral("pane VOK_Address: You have Mail = 7 ")}));
    QTRY_COMPARE(frame.check->runningChecks(), 0);
    // Nothing of the first check comes after the second's result.
    QTest::qWait(2 * kBeepMs + 100);
    QCOMPARE(frame.lastPane(), QStringLiteral("pane VOK_Address: You have Mail = 7 "));
}

// The program ends while a check waits on a name server that never answers. This test runs
// itself a second time as the program that ends.
void TestMailCheck::exitDuringStalledLookup()
{
    const char* childMark = "VOK_STALLED_LOOKUP_CHILD";
    if (qEnvironmentVariableIsSet(childMark)) {
        auto entered = std::make_shared<std::atomic<bool>>(false);
        HostLookup::setResolver([entered](const std::string&) {
            *entered = true;
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
            return std::vector<std::string>{};
        });
        writeAccount(QStringLiteral("taro"), QStringLiteral("secret"),
                     QStringLiteral("pop.example.test"));
        writeMailMsg(1);
        auto frame = std::make_unique<Frame>();
        frame->check->setTimeouts(3600 * 1000, 3600 * 1000);
        frame->check->OnMailCheck();
        QTRY_VERIFY(entered->load());
        frame->window.reset(); // the frame shuts down; then the process ends
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(childMark), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("exitDuringStalledLookup")});
    // A program that waited for the lookup would never end.
    const bool ended = child.waitForFinished(60000);
    if (!ended)
        child.kill();
    QVERIFY(ended);
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             child.readAll().constData());
}

void TestMailCheck::pictures_data()
{
    QTest::addColumn<int>("iconId");
    QTest::newRow("normal") << IDI_TRAY;
    QTest::newRow("glass left") << IDI_ANIMATION;
    QTest::newRow("glass top") << IDI_ANIMATION_2;
    QTest::newRow("glass right") << IDI_ANIMATION_3;
    QTest::newRow("glass bottom") << IDI_ANIMATION_4;
}

void TestMailCheck::pictures()
{
    QFETCH(int, iconId);
    const QString path = MailCheck::iconPath(iconId);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QVERIFY(!MailCheck::icon(iconId).pixmap(32, 32).isNull());
    // The four animation frames differ from the normal picture and from each other.
    static QSet<QString> seen;
    QVERIFY(!seen.contains(path));
    seen.insert(path);
}

VOK_TEST_MAIN(TestMailCheck)
#include "tst_mailcheck.moc"
