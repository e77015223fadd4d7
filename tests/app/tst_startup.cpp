#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"

#include "app/AppText.h"
#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/AutoSave.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/common/CommandTable.h"
#include "ui/common/MessageBox.h"
#include "ui/groups/CGroupTree.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

// The program under test, built beside the tests.
QString programPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/VOK_Address");
}

// A process environment of its own: fresh data and settings folders (or the book of this test
// process, whose lock a copy in this process holds), the shared runtime folder.
struct Sandbox
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString bookDir;

    explicit Sandbox(const QString& book = {})
    {
        const QString base = dir.path();
        for (const char* sub : {"config", "data", "share"})
            QDir().mkpath(base + u'/' + QLatin1String(sub));
        bookDir = book.isEmpty() ? base + QStringLiteral("/data") : book;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), base + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), base + QStringLiteral("/share"));
        env.insert(QStringLiteral("VOK_ADDRESS_DIR"), bookDir);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    QString dataFile() const { return bookDir + QStringLiteral("/Address.vok"); }
    QString settingsFile() const
    {
        return dir.path() + QStringLiteral("/config/VOK System/VOK_Address.conf");
    }
};

void start(QProcess& process, const Sandbox& box, const QStringList& args = {})
{
    process.setProcessEnvironment(box.env);
    process.start(programPath(), args);
}

// Waits until the copy answers on its local server, i.e. it has finished starting.
bool waitUntilListening(const QString& serverPath, QProcess& process)
{
    for (int i = 0; i < 300; ++i) {
        if (process.state() == QProcess::NotRunning)
            return false;
        QLocalSocket socket;
        socket.connectToServer(serverPath);
        if (socket.waitForConnected(100))
            return true; // it listens once its window and its signal handlers exist
        QTest::qWait(100);
    }
    return false;
}

bool finishes(QProcess& process)
{
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
}

// The book of this test process, which the copies started here lock.
QString ownBookDir()
{
    return QFileInfo(DataLocation::addressFilePath()).absolutePath();
}

// What is written to standard error while it lives, up to take().
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        if (m_file.open()) {
            m_saved = ::dup(STDERR_FILENO);
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~StderrCapture() { take(); }

    QByteArray take()
    {
        if (m_saved < 0)
            return {};
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

// The server a copy working on the book listens on, as the lock beside the book names it.
QString serverOf(const QString& book)
{
    return SingleInstance(book).holderServerPath();
}

// Waits until a copy of the book answers on its server, i.e. it has finished starting.
bool waitUntilListening(const Sandbox& box, QProcess& process)
{
    for (int i = 0; i < 300; ++i) {
        const QString server = serverOf(box.dataFile());
        if (!server.isEmpty())
            return waitUntilListening(server, process);
        if (process.state() == QProcess::NotRunning)
            return false;
        QTest::qWait(100);
    }
    return false;
}

// Closes whatever a test that fails leaves open, so that it fails rather than hangs, and
// counts what it had to close.
struct Unblocker
{
    QTimer timer;
    int closed = 0;
    explicit Unblocker(int afterMs)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* open :
                 {QApplication::activePopupWidget(), QApplication::activeModalWidget()}) {
                if (open) {
                    open->close();
                    ++closed;
                }
            }
        });
        timer.start(afterMs);
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests

private slots:
    void initTestCase()
    {
        TrayIcon::setAvailableForTesting(true);
        // This process never waits long for a holder that stays silent; the real program
        // started by the tests keeps its own wait.
        SingleInstance::setStartingWaitForTesting(300);
        QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
    }

    void standardButtonsJapanese_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("OK") << int(QDialogButtonBox::Ok) << QStringLiteral("OK");
        QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << QStringLiteral("キャンセル");
        QTest::newRow("Yes") << int(QDialogButtonBox::Yes) << QStringLiteral("はい");
        QTest::newRow("No") << int(QDialogButtonBox::No) << QStringLiteral("いいえ");
    }

    void standardButtonsJapanese()
    {
        QFETCH(int, button);
        QFETCH(QString, text);
        QVERIFY(CAddressApp::InstallQtTranslations());
        const auto which = static_cast<QDialogButtonBox::StandardButton>(button);
        QDialogButtonBox box(which);
        QPushButton* b = box.button(which);
        QVERIFY(b);
        QString shown = b->text();
        shown.remove(u'&');
        QVERIFY2(shown.startsWith(text), qPrintable(shown));
    }

    void startupWord_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("nothing") << QStringList{} << false;
        QTest::newRow("/Startup") << QStringList{"/Startup"} << true;
        QTest::newRow("/Startup and more characters") << QStringList{"/StartupNow"} << true;
        QTest::newRow("/Startup then another argument") << QStringList{"/Startup", "x"} << true;
        QTest::newRow("lower case") << QStringList{"/startup"} << false;
        QTest::newRow("upper case") << QStringList{"/STARTUP"} << false;
        QTest::newRow("leading blank") << QStringList{" /Startup"} << false;
        QTest::newRow("second argument") << QStringList{"-x", "/Startup"} << false;
        QTest::newRow("seven characters") << QStringList{"/Startu"} << false;
        QTest::newRow("dash instead of slash") << QStringList{"-Startup"} << false;
    }

    void startupWord()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, hidden);
        const QStringList commandLine = QStringList{QStringLiteral("VOK_Address")} + arguments;
        QCOMPARE(CAddressApp::isStartupCommandLine(commandLine), hidden);

        CAddressApp app;
        QVERIFY(app.InitInstance(commandLine));
        QCOMPARE(app.mainFrame()->isVisible(), !hidden);
    }

    void startWithoutTray_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QStringList>("commandLine");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("explained");
        const QStringList startup{QStringLiteral("VOK_Address"), QStringLiteral("/Startup")};
        QTest::newRow("tray, /Startup: hidden") << true << startup << false << false;
        QTest::newRow("no tray, /Startup") << false << startup << true << true;
        QTest::newRow("no tray") << false << QStringList{QStringLiteral("VOK_Address")} << true
                                 << true;
    }

    // Without a tray nothing could bring back a hidden window, nor, on Wayland, a minimised
    // one: it is shown as it is, and the first start says once what closing it does.
    void startWithoutTray()
    {
        QFETCH(bool, tray);
        QFETCH(QStringList, commandLine);
        QFETCH(bool, shown);
        QFETCH(bool, explained);
        QFile::remove(RegistryKey::storePath());
        TrayIcon::setAvailableForTesting(tray);
        auto restore = qScopeGuard([] { TrayIcon::setAvailableForTesting(true); });
        for (int run = 0; run < 2; ++run) {
            MessageBox::shownTexts().clear();
            CAddressApp app;
            QVERIFY(app.InitInstance(commandLine));
            QCOMPARE(app.mainFrame()->isVisible(), shown);
            QVERIFY(!app.mainFrame()->isMinimized());
            QTest::qWait(100); // the explanation waits for the event loop
            QCOMPARE(MessageBox::shownTexts(),
                     explained && run == 0 ? QStringList{AppText::NoTrayExplained} : QStringList());
        }
    }

    void secondStartHandsOnItsActivationToken_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("handedOn");
        QTest::newRow("a launcher's token") << QStringLiteral("5e0c2a41f0b37e9d_TIME1234")
                                            << QByteArray("5e0c2a41f0b37e9d_TIME1234");
        QTest::newRow("none") << QString() << QByteArray();
        QTest::newRow("no token of a desktop's") << QStringLiteral("a b") << QByteArray();
    }

    // A Wayland compositor brings a window forward only with the token the desktop gave the
    // second start: it goes to the running copy with the request.
    void secondStartHandsOnItsActivationToken()
    {
        QFETCH(QString, token);
        QFETCH(QByteArray, handedOn);
        SingleInstance first(DataLocation::addressFilePath());
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        Sandbox box(ownBookDir());
        box.env.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
        if (!token.isEmpty())
            box.env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), token);
        QProcess second;
        start(second, box);
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toByteArray(), handedOn);
    }

    // This test process is the first copy, started hidden; the real program is the second,
    // on the same book, started from another environment: a terminal, cron (no session
    // runtime folder), ssh (a runtime folder of its own), a service (another cache and home),
    // a path through a link to the book's folder or to the book itself. The second start shows the
    // first copy's window and ends; a script's --import goes into the first copy's book.
    void secondStartFindsTheFirst_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("import");
        for (const bool import : {false, true}) {
            const char* what = import ? "--import" : "window";
            for (const char* from : {"terminal", "cron", "ssh", "service", "link", "book link"})
                QTest::addRow("%s from %s", what, from) << QString::fromLatin1(from) << import;
        }
    }

    void secondStartFindsTheFirst()
    {
        QFETCH(QString, from);
        QFETCH(bool, import);
        CAddressApp first;
        QVERIFY(first.InitInstance({QStringLiteral("VOK_Address"), QStringLiteral("/Startup")}));
        QVERIFY(!first.mainFrame()->isVisible());

        Sandbox box(ownBookDir());
        if (from == u"cron") {
            box.env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        } else if (from == u"ssh") {
            QDir().mkpath(box.dir.filePath(QStringLiteral("run")));
            box.env.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           box.dir.filePath(QStringLiteral("run")));
        } else if (from == u"service") {
            box.env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            box.env.insert(QStringLiteral("HOME"), box.dir.path());
            box.env.insert(QStringLiteral("XDG_CACHE_HOME"),
                           box.dir.filePath(QStringLiteral("cache")));
        } else if (from == u"link") {
            const QString link = box.dir.filePath(QStringLiteral("book"));
            QVERIFY(QFile::link(ownBookDir(), link));
            box.env.insert(QStringLiteral("VOK_ADDRESS_DIR"), link);
        } else if (from == u"book link") {
            // Address.vok in another folder, a link to this book.
            const QString real = DataLocation::addressFilePath();
            QFile touch(real);
            QVERIFY(touch.open(QIODevice::Append));
            const QString other = box.dir.filePath(QStringLiteral("other"));
            QVERIFY(QDir().mkpath(other));
            QVERIFY(QFile::link(real, other + QStringLiteral("/Address.vok")));
            box.env.insert(QStringLiteral("VOK_ADDRESS_DIR"), other);
        }
        QProcess second;
        QStringList args;
        if (import)
            args << QStringLiteral("--import")
                 << TestEnv::writeFile(QStringLiteral("cron.vcf"),
                                       "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cron\r\nEND:VCARD\r\n");
        start(second, box, args);
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        if (second.state() != QProcess::NotRunning) {
            second.kill();
            second.waitForFinished();
        }
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(box.settingsFile()));
        if (!import) {
            QVERIFY(second.readAll().isEmpty());
            QVERIFY(first.mainFrame()->isVisible());
            QFile::remove(DataLocation::addressFilePath());
            return;
        }
        QVERIFY(second.readAllStandardOutput().contains("imported into the running VOK_Address"));
        const RecordList& records = first.mainFrame()->document()->records();
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records.at(0)->name(), std::string_view("Cron"));
        first.mainFrame()->document()->DeleteAllRecords();
        QFile::remove(DataLocation::addressFilePath());
    }

    // The first copy holds the lock but does not listen yet: the second ends without anything.
    // The first copy holds the lock and begins to listen a moment later: the second waits for
    // it, hands over and ends.
    void secondStartWhileTheFirstIsStarting()
    {
        SingleInstance first(DataLocation::addressFilePath());
        QVERIFY(first.acquire());
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        QTimer::singleShot(1000, &first, [&first] { first.listen(); });
        Sandbox box(ownBookDir());
        QProcess second;
        start(second, box);
        // This process answers in its event loop: wait in it.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(shown.count(), 1);
        QVERIFY(!QFileInfo::exists(box.settingsFile()));
    }

    // A holder of the lock that never answers is named on stderr and in a message box.
    void silentHolderIsReported()
    {
        SingleInstance first(DataLocation::addressFilePath());
        QVERIFY(first.acquire());
        StderrCapture said;
        CAddressApp second;
        QVERIFY(!second.InitInstance({QStringLiteral("VOK_Address")}));
        QCOMPARE(said.take(), AppText::NoAnswer.toLocal8Bit() + '\n');
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(MessageBox::shownTexts(), QStringList{AppText::NoAnswer});
        MessageBox::shownTexts().clear();
    }

    // Where no lock can be made beside the book, neither the window nor a script runs: two
    // copies without one could each save their book over the other's.
    void noPlaceForTheLock_data()
    {
        QTest::addColumn<QString>("why");
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("reason");
        for (const bool import : {false, true}) {
            const char* what = import ? "--import" : "window";
            QTest::addRow("%s: a file where the book's folder should be", what)
                << "notdir" << import << AppText::ReasonFileForFolder;
            QTest::addRow("%s: a lock file of another user", what)
                << "owner" << import << AppText::ReasonNoPermission;
        }
    }

    void noPlaceForTheLock()
    {
        QFETCH(QString, why);
        QFETCH(bool, import);
        QFETCH(QString, reason);
        QTemporaryDir place(TestEnv::root() + QStringLiteral("/nolock-XXXXXX"));
        QString dir = place.filePath(QStringLiteral("data"));
        if (why == u"notdir") {
            QVERIFY(
                !TestEnv::writeFile(QDir(TestEnv::root()).relativeFilePath(dir), "x").isEmpty());
            dir += QStringLiteral("/VOK_Address");
        } else {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            QVERIFY(QDir().mkpath(dir));
            QVERIFY(!TestEnv::writeFile(QDir(TestEnv::root()).relativeFilePath(dir) +
                                            QStringLiteral("/.Address.vok.lock"),
                                        "")
                         .isEmpty());
            QCOMPARE(
                ::chown(QFile::encodeName(dir + QStringLiteral("/.Address.vok.lock")).constData(),
                        65534, 65534),
                0);
        }
        const QByteArray saved = qgetenv("VOK_ADDRESS_DIR");
        qputenv("VOK_ADDRESS_DIR", QFile::encodeName(dir));
        const QString lock = DataLocation::lockFilePath(DataLocation::addressFilePath());
        int status = 0;
        QByteArray said;
        if (import) {
            const CommandLine::Result r = CommandLine::runMode(
                {"VOK_Address", "--import",
                 TestEnv::writeFile(QStringLiteral("x.vcf"),
                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:X\r\nEND:VCARD\r\n")});
            status = r.status;
            said = r.err;
        } else {
            CAddressApp app;
            if (!app.InitInstance({QStringLiteral("VOK_Address")}))
                status = app.exitCode();
            said = MessageBox::shownTexts().join(u'\n').toUtf8();
            MessageBox::shownTexts().clear();
        }
        qputenv("VOK_ADDRESS_DIR", saved);
        QCOMPARE(status, 1);
        if (import)
            QVERIFY2(said.contains("cannot lock the address book: " + QFile::encodeName(lock)),
                     said.constData());
        else
            QCOMPARE(QString::fromUtf8(said), AppText::LockRefused.arg(lock, reason));
        QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/Address.vok")));
    }

    // Without a session runtime folder the server goes into a folder of the user's own,
    // closed to everyone else, never into a shared folder; the lock stays beside the book.
    void lockWithoutRuntimeFolder()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                            QStringLiteral("/VOK_Address");
        QDir().mkpath(own);
        QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                       QFileDevice::ExeOther); // an older, looser folder
        SingleInstance instance(DataLocation::addressFilePath());
        const bool acquired = instance.acquire();
        const QString lockDir = QFileInfo(instance.lockPath()).absolutePath();
        const QString serverDir = QFileInfo(instance.serverPath()).absolutePath();
        const bool listening = instance.listen();
        qputenv("XDG_RUNTIME_DIR", runtime);
        QVERIFY(acquired);
        QVERIFY(listening);
        QCOMPARE(lockDir, QFileInfo(ownBookDir()).canonicalFilePath());
        QCOMPARE(serverDir, own);
        QCOMPARE(instance.holderServerPath(), instance.serverPath());
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(own).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        QCOMPARE(::stat(QFile::encodeName(instance.lockPath()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    // Two copies on one book are one; copies on two books run side by side.
    void twoRealProcesses_data()
    {
        QTest::addColumn<bool>("sameBook");
        QTest::newRow("the same book") << true;
        QTest::newRow("two books") << false;
    }

    void twoRealProcesses()
    {
        QFETCH(bool, sameBook);
        Sandbox box;
        QProcess first;
        start(first, box, {QStringLiteral("/Startup")});
        QVERIFY(waitUntilListening(box, first));

        Sandbox box2(sameBook ? box.bookDir : QString());
        QProcess second;
        start(second, box2);
        if (sameBook) {
            QVERIFY(finishes(second));
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(!QFileInfo::exists(box2.settingsFile()));
        } else {
            QVERIFY(waitUntilListening(box2, second));
            ::kill(pid_t(second.processId()), SIGTERM);
            QVERIFY(finishes(second));
        }
        QCOMPARE(first.state(), QProcess::Running);

        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(finishes(first));
        QCOMPARE(first.exitCode(), 0);
    }

    void signals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP (a closed terminal)") << int(SIGHUP);
    }

    // A change made just before the signal reaches the file on the way out.
    void signalSavesChanges_data() { signals_data(); }

    void signalSavesChanges()
    {
        QFETCH(int, signal);
        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        CMainFrame* frame = app.mainFrame();
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, "Yamada");
        frame->document()->AddRecord(std::move(record));
        QVERIFY(frame->autoSave()->hasUnsavedChanges());
        QCOMPARE(::raise(signal), 0);
        QTRY_COMPARE(finished.count(), 1);
        RecordList saved;
        QCOMPARE(AddressFile::Load(
                     QFile::encodeName(frame->document()->addressFilePath()).toStdString(), saved),
                 AddressFile::Status::Ok);
        QCOMPARE(saved.size(), std::size_t(1));
        QCOMPARE(saved.at(0)->name(), std::string_view("Yamada"));
        QFile::remove(frame->document()->addressFilePath());
    }

    // Whatever is open when a signal comes (a menu, a question, a dialog) is closed, and
    // nothing on the way out waits for a click: a book that cannot be written is said on
    // standard error and in the exit status. The program ends by itself.
    void signalEndsWhateverIsOpen_data()
    {
        QTest::addColumn<QString>("open");
        QTest::newRow("a context menu") << "menu";
        QTest::newRow("a question") << "question";
        QTest::newRow("the about box") << "about";
        QTest::newRow("a book that cannot be saved") << "save";
    }

    void signalEndsWhateverIsOpen()
    {
        QFETCH(QString, open);
        const QString book = ownBookDir();
        QFile::remove(DataLocation::addressFilePath());
        RegistryKey().Open(QString::fromLatin1(SettingsKeys::TreeViewKey) +
                           QStringLiteral("\\Friends"));
        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        CMainFrame* frame = app.mainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, "Yamada");
        record->setField(AddressRecord::Group, "Friends");
        frame->document()->AddRecord(std::move(record));
        QVERIFY(frame->SaveAddressFile());
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        MessageBox::setTestMode(false); // real boxes, as the user meets them
        Unblocker unblock(8000);
        CGroupTree* tree = frame->groupTree();
        const auto signalNow = [](QWidget*) { ::raise(SIGTERM); };
        if (open == u"save") {
            frame->document()->AddRecord(std::make_unique<AddressRecord>());
            QVERIFY(QDir().rename(book, book + QStringLiteral(".moved")));
            QVERIFY(
                !TestEnv::writeFile(QDir(TestEnv::root()).relativeFilePath(book), "x").isEmpty());
            signalNow(nullptr);
        } else if (open == u"menu") {
            ModalDriver driver(signalNow, ModalDriver::Popups);
            const QPoint p = tree->visualItemRect(tree->rootItem()).center();
            QContextMenuEvent event(QContextMenuEvent::Mouse, p, tree->viewport()->mapToGlobal(p));
            QApplication::sendEvent(tree->viewport(), &event);
        } else if (open == u"question") {
            ModalDriver driver(signalNow);
            tree->setFocus();
            tree->setCurrentItem(
                tree->findItems(QStringLiteral("Friends"), Qt::MatchExactly | Qt::MatchRecursive)
                    .value(0));
            QTest::keyClick(tree, Qt::Key_Delete);
        } else {
            ModalDriver driver(signalNow);
            frame->commands()->action(ID_APP_ABOUT)->trigger();
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        MessageBox::setTestMode(true);
        // The program ended by itself: nothing had to be closed for it from outside.
        QCOMPARE(unblock.closed, 0);
        if (open == u"save") {
            QVERIFY(frame->finalSaveFailed());
            QCOMPARE(app.runExitCode(), 1);
            QFile::remove(book);
            QVERIFY(QDir().rename(book + QStringLiteral(".moved"), book));
        } else {
            QVERIFY(!frame->finalSaveFailed());
            // The question the end closed was not answered Yes: the group and its contact stay.
            RecordList saved;
            AddressFile::Load(QFile::encodeName(DataLocation::addressFilePath()).toStdString(),
                              saved);
            QCOMPARE(saved.size(), std::size_t(1));
        }
        QFile::remove(DataLocation::addressFilePath());
    }

    // The application told to quit from outside (the session ends) runs the exit first.
    void quitFromOutsideSaves()
    {
        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        CMainFrame* frame = app.mainFrame();
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, "Suzuki");
        frame->document()->AddRecord(std::move(record));
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(frame->isExiting());
        const QString file = frame->document()->addressFilePath();
        QCOMPARE(QFileInfo(file).size(), qint64(AddressFile::RecordSize));
        QFile::remove(file);
    }

    // The real program ends on each signal with the window's state saved; a book nobody
    // changed is not written again.
    void signalsEndTheProgram_data() { signals_data(); }

    void signalsEndTheProgram()
    {
        QFETCH(int, signal);
        Sandbox box;
        // One contact already on disk; it must still be there after the signal.
        {
            QFile file(box.dataFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray record(AddressFile::RecordSize, '\0');
            record.replace(0, 6, "Yamada");
            file.write(record);
        }
        QFile(box.dataFile())
            .setFileTime(QDateTime::currentDateTime().addDays(-1),
                         QFileDevice::FileModificationTime);
        const QDateTime before = QFileInfo(box.dataFile()).lastModified();

        QProcess program;
        start(program, box);
        QVERIFY(waitUntilListening(box, program));
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(finishes(program));
        QCOMPARE(program.exitCode(), 0);

        QFileInfo after(box.dataFile());
        QCOMPARE(after.size(), qint64(AddressFile::RecordSize));
        QCOMPARE(after.lastModified(), before);
        QVERIFY(!QFileInfo::exists(box.dataFile() + QStringLiteral(".bak")));
        QSettings settings(box.settingsFile(), QSettings::IniFormat);
        QVERIFY(!settings.value(QStringLiteral("Window/Style")).toString().isEmpty());
        QVERIFY(!settings.value(QStringLiteral("ToolBars/State")).toByteArray().isEmpty());
    }

    // A copy that crashed leaves its lock and socket behind; the next start runs all the same.
    void staleLockFromACrash()
    {
        Sandbox box;
        QProcess crashed;
        start(crashed, box);
        QVERIFY(waitUntilListening(box, crashed));
        ::kill(pid_t(crashed.processId()), SIGKILL);
        QVERIFY(crashed.waitForFinished(30000));
        QVERIFY(QFileInfo::exists(SingleInstance(box.dataFile()).lockPath()));

        QProcess next;
        start(next, box);
        QVERIFY(waitUntilListening(box, next));
        ::kill(pid_t(next.processId()), SIGTERM);
        QVERIFY(finishes(next));
        QCOMPARE(next.exitCode(), 0);
    }
};

VOK_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
