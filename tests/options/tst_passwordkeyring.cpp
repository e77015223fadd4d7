#include "ModalDriver.h"
#include "TestMain.h"
#include "settings/MailAccount.h"
#include "settings/PasswordStore.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/options/COptionPage2.h"
#include "ui/options/COptionSheet.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

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
        QTest::newRow("keyring: the old password moves") << true << QString() << ""
                                                         << "old pw";
        QTest::newRow("keyring: a new password") << true << "new pw"
                                                 << ""
                                                 << "new pw";
        QTest::newRow("no keyring: the file keeps it") << false << QString() << "old pw"
                                                       << "";
        QTest::newRow("no keyring: a new one in the file") << false << "new pw"
                                                           << "new pw"
                                                           << "";
    }

    void okMovesPasswordFromTheFile()
    {
        QFETCH(bool, answers);
        QFETCH(QString, typed);
        QFETCH(QString, inFile);
        QFETCH(QString, inKeyring);
        m_keyring->answers = answers;
        setFilePassword(QStringLiteral("old pw"));
        // Before the move the stored password works as it always did.
        QCOMPARE(MailAccount::load().password, QStringLiteral("old pw"));

        QVERIFY(okOnSheet(typed));
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
