#include "MessageBoxGuard.h"
#include "TestMain.h"

#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "model/AddressFile.h"
#include "ui/common/MessageBox.h"

#include <QDialogButtonBox>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QSettings>

#include <csignal>

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
        if (socket.waitForConnected(100)) {
            socket.waitForReadyRead(1000);
            return true;
        }
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

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests

private slots:
    void initTestCase()
    {
        TrayIcon::setAvailableForTesting(true);
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

    void startupWithoutTrayStartsMinimised()
    {
        TrayIcon::setAvailableForTesting(false);
        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address"), QStringLiteral("/Startup")},
                                 QStringLiteral("startup-no-tray")));
        TrayIcon::setAvailableForTesting(true);
        QVERIFY(app.mainFrame()->isVisible());
        QVERIFY(app.mainFrame()->isMinimized());
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
    void secondStartWhileTheFirstIsStarting()
    {
        SingleInstance first = programInstance();
        QVERIFY(first.acquire());
        Sandbox box;
        QProcess second;
        start(second, box);
        QVERIFY(finishes(second));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(box.dataFile()));
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

    void sigtermSavesEverything_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void sigtermSavesEverything()
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
        QVERIFY(after.lastModified() > before);
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
