#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "settings/MailAccount.h"
#include "settings/PasswordStore.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/options/COptionPage2.h"
#include "ui/options/COptionSheet.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <csignal>

namespace {

// A keyring in memory that answers or not, as the test says.
class FakeKeyring : public PasswordStore
{
public:
    bool answers = true;
    bool holds = false;
    QString kept;

    Result read(QString& password) override
    {
        if (!answers)
            return Result::Unavailable;
        if (!holds)
            return Result::NotFound;
        password = kept;
        return Result::Found;
    }
    bool write(const QString& password) override
    {
        if (!answers)
            return false;
        holds = true;
        kept = password;
        return true;
    }
    bool remove() override
    {
        holds = false;
        kept.clear();
        return answers;
    }
};

// A session bus of the test's own on which the keyring's name can be started, but whose
// program never takes the name, so that every call to it waits for the bus to give up.
class SilentKeyringBus
{
public:
    ~SilentKeyringBus()
    {
        QFile pid(m_dir.filePath(QStringLiteral("pid")));
        if (pid.open(QIODevice::ReadOnly))
            ::kill(pid.readAll().trimmed().toInt(), SIGKILL);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    bool start()
    {
        const QString dir = m_dir.path();
        QDir().mkpath(dir + QStringLiteral("/services"));
        writeText(dir + QStringLiteral("/services/secrets.service"),
                  QStringLiteral("[D-BUS Service]\nName=org.freedesktop.secrets\n"
                                 "Exec=/bin/sh -c 'echo $$ > %1/pid; exec sleep 300'\n")
                      .arg(dir));
        writeText(dir + QStringLiteral("/bus.conf"),
                  QStringLiteral("<busconfig><type>session</type>"
                                 "<listen>unix:tmpdir=%1</listen>"
                                 "<servicedir>%1/services</servicedir>"
                                 "<policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                 "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                 "<limit name=\"service_start_timeout\">120000</limit>"
                                 "</busconfig>")
                      .arg(dir));
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + dir + QStringLiteral("/bus.conf"),
                        QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10000))
            return false;
        m_address = m_daemon.readLine().trimmed();
        return !m_address.isEmpty();
    }

    QByteArray address() const { return m_address; }

private:
    static void writeText(const QString& path, const QString& text)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QByteArray m_address;
};

QString filePassword()
{
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::OptionKey));
    QString value;
    key.ReadString(QString::fromLatin1(SettingsKeys::PassWord.name), value);
    return value;
}

void setFilePassword(const QString& password)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::OptionKey));
    key.WriteString(QString::fromLatin1(SettingsKeys::PassWord.name), password);
}

// The options sheet as the user meets it: its second page opened, the password field typed
// into when asked, then OK.
bool okOnSheet(const QString& typed)
{
    ModalDriver driver([&](QWidget* shown) {
        auto* sheet = qobject_cast<COptionSheet*>(shown);
        if (!sheet)
            return;
        QTabBar* bar = sheet->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        if (!typed.isNull()) {
            auto* password = sheet->page2()->findChild<QLineEdit*>(QStringLiteral("password"));
            password->selectAll();
            QTest::keyClick(password, Qt::Key_Delete);
            QTest::keyClicks(password, typed);
        }
        QPushButton* ok = sheet->buttons()->button(QDialogButtonBox::Ok);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    bool newmail = false, tasktray = false;
    return COptionSheet::Run(nullptr, newmail, tasktray);
}

} // namespace

// The POP3 password in the desktop's keyring, the settings file when none answers, and the
// move from the file into the keyring at the options sheet's OK.
class TestPasswordKeyring : public QObject
{
    Q_OBJECT
    FakeKeyring* m_keyring = nullptr;

private slots:
    void init()
    {
        qputenv("VOK_PASSWORD_STORE", "file");
        QFile::remove(RegistryKey::storePath());
        auto keyring = std::make_unique<FakeKeyring>();
        m_keyring = keyring.get();
        PasswordStore::setForTesting(std::move(keyring));
    }

    void cleanupTestCase() { PasswordStore::chooseAgainForTesting(); }

    void okMovesPasswordFromTheFile_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QString>("typed"); // null: left as it was
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QString>("inKeyring");
        QTest::addColumn<bool>("told"); // the user is told that the file holds it now
        QTest::newRow("keyring: the old password moves") << true << QString() << ""
                                                         << "old pw" << false;
        QTest::newRow("keyring: a new password") << true << "new pw"
                                                 << ""
                                                 << "new pw" << false;
        QTest::newRow("no keyring: the file keeps it") << false << QString() << "old pw"
                                                       << "" << false;
        QTest::newRow("no keyring: a new one in the file") << false << "new pw"
                                                           << "new pw"
                                                           << "" << true;
        QTest::newRow("no keyring: emptied") << false << ""
                                             << ""
                                             << "" << false;
    }

    void okMovesPasswordFromTheFile()
    {
        QFETCH(bool, answers);
        QFETCH(QString, typed);
        QFETCH(QString, inFile);
        QFETCH(QString, inKeyring);
        QFETCH(bool, told);
        m_keyring->answers = answers;
        setFilePassword(QStringLiteral("old pw"));
        // Before the move the stored password works as it always did.
        QCOMPARE(MailAccount::load().password, QStringLiteral("old pw"));

        MessageBoxGuard boxes;
        QVERIFY(okOnSheet(typed));
        QCOMPARE(boxes.shown().size(), told ? 1 : 0);
        if (told)
            QVERIFY2(boxes.shown().first().contains(RegistryKey::storePath()),
                     qPrintable(boxes.shown().first()));
        QCOMPARE(filePassword(), inFile);
        QCOMPARE(m_keyring->holds, !inKeyring.isEmpty());
        QCOMPARE(m_keyring->kept, inKeyring);
        const QString expected = typed.isNull() ? QStringLiteral("old pw") : typed;
        QCOMPARE(MailAccount::load().password, expected);
    }

    // A keyring entry wins over a stale copy in the file; an emptied password leaves neither.
    void keyringWinsAndEmptyClears()
    {
        setFilePassword(QStringLiteral("stale"));
        m_keyring->write(QStringLiteral("current"));
        QCOMPARE(MailAccount::load().password, QStringLiteral("current"));
        QVERIFY(okOnSheet(QStringLiteral("")));
        QVERIFY(!m_keyring->holds);
        QCOMPARE(filePassword(), QString());
        QCOMPARE(MailAccount::load().password, QString());
    }

    // A keyring the session bus would start but that never comes up (a keyring daemon without
    // its session): OK gives it up within seconds, rather than after the keyring library's
    // 25 s or the bus's two minutes, keeps the password in the file and says so.
    void silentKeyringGivenUp()
    {
        SilentKeyringBus bus;
        QVERIFY2(bus.start(), "dbus-daemon (package dbus-daemon) is part of the set-up");
        // The real keyring, on the test's own bus (the first use of the bus in this program).
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address());
        qunsetenv("VOK_PASSWORD_STORE");
        PasswordStore::chooseAgainForTesting();
        MessageBoxGuard boxes;
        QElapsedTimer waited;
        waited.start();
        QVERIFY(okOnSheet(QStringLiteral("pw")));
        // The bound is what is tested here: a few seconds, not 25 or 120.
        QVERIFY2(waited.elapsed() < 15000, qPrintable(QString::number(waited.elapsed())));
        QCOMPARE(filePassword(), QStringLiteral("pw"));
        QCOMPARE(boxes.shown().size(), 1);
    }

    // Without a test keyring, VOK_PASSWORD_STORE=file keeps every password in the file.
    void fileOnlyByEnvironment()
    {
        PasswordStore::chooseAgainForTesting();
        QVERIFY(!PasswordStore::current());
        MailAccount account;
        account.password = QStringLiteral("pw");
        account.save();
        QCOMPARE(filePassword(), QStringLiteral("pw"));
    }
};

VOK_TEST_MAIN(TestPasswordKeyring)
#include "tst_passwordkeyring.moc"
