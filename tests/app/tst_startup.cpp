#include "MessageBoxGuard.h"
#include "TestMain.h"

#include "app/AppText.h"
#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/AutoSave.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "settings/RegistryKey.h"
#include "ui/common/MessageBox.h"

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

// A process environment of its own: fresh data and settings folders, the shared runtime folder
// (the single-instance lock lives there).
struct Sandbox
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    Sandbox()
    {
        const QString base = dir.path();
        for (const char* sub : {"config", "data", "share"})
            QDir().mkpath(base + u'/' + QLatin1String(sub));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), base + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), base + QStringLiteral("/share"));
        env.insert(QStringLiteral("VOK_ADDRESS_DIR"), base + QStringLiteral("/data"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    QString dataFile() const { return dir.path() + QStringLiteral("/data/Address.vok"); }
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

SingleInstance programInstance()
{
    return SingleInstance(QStringLiteral("VOK_Address"));
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
        QVERIFY(app.InitInstance(commandLine, QStringLiteral("startup-word")));
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
            QVERIFY(app.InitInstance(commandLine, QStringLiteral("start-no-tray")));
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
        SingleInstance first = programInstance();
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        Sandbox box;
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

    // This test process is the first copy, started hidden; the real program is the second.
    void secondStartShowsTheFirstAndExits()
    {
        CAddressApp first;
        QVERIFY(first.InitInstance({QStringLiteral("VOK_Address"), QStringLiteral("/Startup")},
                                   QStringLiteral("VOK_Address")));
        QVERIFY(!first.mainFrame()->isVisible());

        Sandbox box;
        QProcess second;
        start(second, box);
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAll().isEmpty());
        QVERIFY(first.mainFrame()->isVisible());
        // The second copy never got as far as its frame.
        QVERIFY(!QFileInfo::exists(box.dataFile()));
        QVERIFY(!QFileInfo::exists(box.settingsFile()));
    }

    // The first copy holds the lock but does not listen yet: the second ends without anything.
    // The first copy holds the lock and begins to listen a moment later: the second waits for
    // it, hands over and ends.
    void secondStartWhileTheFirstIsStarting()
    {
        SingleInstance first = programInstance();
        QVERIFY(first.acquire());
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        QTimer::singleShot(1000, &first, [&first] { first.listen(); });
        Sandbox box;
        QProcess second;
        start(second, box);
        // This process answers in its event loop: wait in it.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(shown.count(), 1);
        QVERIFY(!QFileInfo::exists(box.dataFile()));
    }

    // A holder of the lock that never answers is named on stderr and in a message box.
    void silentHolderIsReported()
    {
        SingleInstance first = programInstance();
        QVERIFY(first.acquire());
        StderrCapture said;
        CAddressApp second;
        QVERIFY(
            !second.InitInstance({QStringLiteral("VOK_Address")}, QStringLiteral("VOK_Address")));
        QCOMPARE(said.take(), AppText::NoAnswer.toLocal8Bit() + '\n');
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(MessageBox::shownTexts(), QStringList{AppText::NoAnswer});
        MessageBox::shownTexts().clear();
    }

    // Without a session runtime folder the lock and the socket go into a folder of the user's
    // own, closed to everyone else, never into a shared folder.
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
        SingleInstance instance(QStringLiteral("private-lock"));
        const bool acquired = instance.acquire();
        const QString lockDir = QFileInfo(instance.lockPath()).absolutePath();
        const QString serverDir = QFileInfo(instance.serverPath()).absolutePath();
        const bool listening = instance.listen();
        qputenv("XDG_RUNTIME_DIR", runtime);
        QVERIFY(acquired);
        QVERIFY(listening);
        QCOMPARE(lockDir, own);
        QCOMPARE(serverDir, own);
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(own).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
    }

    void twoRealProcesses()
    {
        Sandbox box;
        QProcess first;
        start(first, box, {QStringLiteral("/Startup")});
        QVERIFY(waitUntilListening(programInstance().serverPath(), first));

        Sandbox box2;
        QProcess second;
        start(second, box2);
        QVERIFY(finishes(second));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(box2.dataFile()));
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
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}, QStringLiteral("signal-save")));
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

    // The application told to quit from outside (the session ends) runs the exit first.
    void quitFromOutsideSaves()
    {
        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}, QStringLiteral("quit-save")));
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
        QVERIFY(waitUntilListening(programInstance().serverPath(), program));
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
        QVERIFY(waitUntilListening(programInstance().serverPath(), crashed));
        ::kill(pid_t(crashed.processId()), SIGKILL);
        QVERIFY(crashed.waitForFinished(30000));
        QVERIFY(QFileInfo::exists(programInstance().lockPath()));

        QProcess next;
        start(next, box);
        QVERIFY(waitUntilListening(programInstance().serverPath(), next));
        ::kill(pid_t(next.processId()), SIGTERM);
        QVERIFY(finishes(next));
        QCOMPARE(next.exitCode(), 0);
    }
};

VOK_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
