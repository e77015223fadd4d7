#include "TestEnv.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"

#include <QFile>
#include <QSettings>
#include <sys/stat.h>

namespace {

const QString kOption = QString::fromLatin1(SettingsKeys::OptionKey);
const QString kTreeView = QString::fromLatin1(SettingsKeys::TreeViewKey);

QString groupKey(const QString& name)
{
    return kTreeView + u'\\' + name;
}

void createGroup(const QString& name)
{
    RegistryKey key;
    key.Open(groupKey(name));
    key.Close();
}

QStringList groups()
{
    QStringList names;
    RegistryKey::EnumGroupKeys(names);
    return names;
}

} // namespace

class TestRegistryKey : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void defaultsWhenAbsent();
    void valuesPersist();
    void notOpen();
    void readStringLimit_data();
    void readStringLimit();
    void enumGroupKeys_data();
    void enumGroupKeys();
    void emptyGroupKeyPersists();
    void groupNamesUnchanged_data();
    void groupNamesUnchanged();
    void deleteKey();
    void settingsFilePrivate();
};

void TestRegistryKey::init()
{
    QFile::remove(RegistryKey::storePath());
}

void TestRegistryKey::defaultsWhenAbsent()
{
    RegistryKey key;
    QVERIFY(!key.isOpen());
    QVERIFY(key.path().isEmpty());
    QCOMPARE(key.Open(kOption), long(RegistryKey::Success));
    QVERIFY(key.isOpen());
    QCOMPARE(key.path(), kOption);
    quint32 number = 17;
    QVERIFY(key.ReadDword(QStringLiteral("Newmail"), number) != RegistryKey::Success);
    QCOMPARE(number, 17u); // untouched: the caller's default stays
    QString text = QStringLiteral("default");
    QVERIFY(key.ReadString(QStringLiteral("POPServer"), text) != RegistryKey::Success);
    QCOMPARE(text, QStringLiteral("default"));
    QStringList names{QStringLiteral("kept")};
    QVERIFY(RegistryKey::EnumGroupKeys(names) != RegistryKey::Success);
    QCOMPARE(names, QStringList{QStringLiteral("kept")});
}

void TestRegistryKey::valuesPersist()
{
    {
        RegistryKey key;
        key.Open(kOption);
        QCOMPARE(key.WriteDword(QStringLiteral("Newmail"), 1), long(RegistryKey::Success));
        QCOMPARE(key.WriteDword(QStringLiteral("Big"), 0xFFFFFFFFu), long(RegistryKey::Success));
        QCOMPARE(key.WriteString(QStringLiteral("UserName"), QStringLiteral("山田, 太郎")),
                 long(RegistryKey::Success));
        QCOMPARE(key.WriteString(QStringLiteral("Empty"), QString()), long(RegistryKey::Success));
    }
    RegistryKey key;
    key.Open(QStringLiteral("software\\vok system\\vok_address\\Option")); // any letter case
    quint32 n = 0;
    QCOMPARE(key.ReadDword(QStringLiteral("Newmail"), n), long(RegistryKey::Success));
    QCOMPARE(n, 1u);
    QCOMPARE(key.ReadDword(QStringLiteral("Big"), n), long(RegistryKey::Success));
    QCOMPARE(n, 0xFFFFFFFFu);
    QString s;
    QCOMPARE(key.ReadString(QStringLiteral("UserName"), s), long(RegistryKey::Success));
    QCOMPARE(s, QStringLiteral("山田, 太郎"));
    s = QStringLiteral("x");
    QCOMPARE(key.ReadString(QStringLiteral("Empty"), s), long(RegistryKey::Success));
    QCOMPARE(s, QString());
    // Reading does not look at the stored type.
    QCOMPARE(key.ReadString(QStringLiteral("Newmail"), s), long(RegistryKey::Success));
    QCOMPARE(s, QStringLiteral("1"));
    // Another key's values are its own.
    RegistryKey other;
    other.Open(QString::fromLatin1(SettingsKeys::ListViewKey));
    QVERIFY(other.ReadDword(QStringLiteral("Newmail"), n) != RegistryKey::Success);
}

void TestRegistryKey::notOpen()
{
    RegistryKey key;
    quint32 n = 5;
    QString s = QStringLiteral("s");
    QVERIFY(key.ReadDword(QStringLiteral("Newmail"), n) != RegistryKey::Success);
    QVERIFY(key.ReadString(QStringLiteral("UserName"), s) != RegistryKey::Success);
    QVERIFY(key.WriteDword(QStringLiteral("Newmail"), 1) != RegistryKey::Success);
    QVERIFY(key.WriteString(QStringLiteral("UserName"), s) != RegistryKey::Success);
    QCOMPARE(n, 5u);
    QCOMPARE(s, QStringLiteral("s"));
    key.Close(); // harmless
    key.Open(kOption);
    key.Close();
    QVERIFY(!key.isOpen());
    QVERIFY(key.WriteDword(QStringLiteral("Newmail"), 1) != RegistryKey::Success);
}

void TestRegistryKey::readStringLimit_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("readable");
    // A value is never lost for its length: what was stored reads back whole.
    QTest::newRow("199 ascii bytes") << QString(199, u'a') << true;
    QTest::newRow("200 ascii bytes") << QString(200, u'a') << true;
    QTest::newRow("100 kanji, 200 bytes") << QString(100, QChar(0x8868)) << true;
    QTest::newRow("a long server name") << QString(300, u's') << true;
    QTest::newRow("empty") << QString() << true;
}

void TestRegistryKey::readStringLimit()
{
    QFETCH(QString, value);
    QFETCH(bool, readable);
    RegistryKey key;
    key.Open(kOption);
    key.WriteString(QStringLiteral("POPServer"), value);
    key.Close();
    key.Open(kOption);
    QString got = QStringLiteral("before");
    const long status = key.ReadString(QStringLiteral("POPServer"), got);
    QCOMPARE(status == RegistryKey::Success, readable);
    QCOMPARE(got, readable ? value : QStringLiteral("before"));
}

void TestRegistryKey::enumGroupKeys_data()
{
    QTest::addColumn<QStringList>("created");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("alphabetical, case ignored") << QStringList{"beta", "Gamma", "alpha", "Delta"}
                                                << QStringList{"alpha", "beta", "Delta", "Gamma"};
    QTest::newRow("Japanese after Latin")
        << QStringList{"友人", "Work", "取引先"} << QStringList{"Work", "友人", "取引先"};
}

void TestRegistryKey::enumGroupKeys()
{
    QFETCH(QStringList, created);
    QFETCH(QStringList, listed);
    for (const QString& name : created)
        createGroup(name);
    QCOMPARE(groups(), listed);
    // Values of other keys never show as groups.
    RegistryKey key;
    key.Open(kOption);
    key.WriteDword(QStringLiteral("Newmail"), 1);
    key.Close();
    QCOMPARE(groups(), listed);
}

void TestRegistryKey::emptyGroupKeyPersists()
{
    createGroup(QStringLiteral("Family"));
    // A fresh QSettings on the file, as in the next run of the program.
    {
        QSettings fresh(RegistryKey::storePath(), QSettings::IniFormat);
        fresh.beginGroup(QStringLiteral("TreeView"));
        QCOMPARE(fresh.childGroups(), QStringList{QStringLiteral("Family")});
    }
    QCOMPARE(groups(), QStringList{QStringLiteral("Family")});
    // Opening it again changes nothing.
    createGroup(QStringLiteral("Family"));
    QCOMPARE(groups(), QStringList{QStringLiteral("Family")});
}

void TestRegistryKey::groupNamesUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("slash") << QStringLiteral("a/b");
    QTest::newRow("backslash") << QStringLiteral("a\\b");
    QTest::newRow("both, leading and trailing") << QStringLiteral("/x\\y/\\");
    QTest::newRow("percent escapes literally") << QStringLiteral("100%2F%5C%25");
    QTest::newRow("INI specials") << QStringLiteral("a=b;c,d [e] #f");
    QTest::newRow("Japanese") << QStringLiteral("友人／知人＼表ソ");
    QTest::newRow("spaces") << QStringLiteral(" a b ");
}

void TestRegistryKey::groupNamesUnchanged()
{
    QFETCH(QString, name);
    createGroup(QStringLiteral("Neighbour"));
    createGroup(name);
    QStringList listed = groups();
    QCOMPARE(listed.size(), 2);
    QVERIFY(listed.contains(name));
    QCOMPARE(RegistryKey().DeleteKey(groupKey(name)), long(RegistryKey::Success));
    QCOMPARE(groups(), QStringList{QStringLiteral("Neighbour")});
}

void TestRegistryKey::deleteKey()
{
    createGroup(QStringLiteral("Alpha"));
    createGroup(QStringLiteral("Beta"));
    RegistryKey key;
    // Key names ignore case, as in the registry.
    QCOMPARE(key.DeleteKey(groupKey(QStringLiteral("ALPHA"))), long(RegistryKey::Success));
    QCOMPARE(groups(), QStringList{QStringLiteral("Beta")});
    QVERIFY(key.DeleteKey(groupKey(QStringLiteral("Alpha"))) != RegistryKey::Success);
    QVERIFY(key.DeleteKey(groupKey(QStringLiteral("Bet"))) != RegistryKey::Success);
    QCOMPARE(groups(), QStringList{QStringLiteral("Beta")});
    // The object's own open key plays no part.
    key.Open(kOption);
    key.WriteDword(QStringLiteral("Tasktray"), 1);
    QCOMPARE(key.DeleteKey(groupKey(QStringLiteral("Beta"))), long(RegistryKey::Success));
    key.Close();
    QVERIFY(groups().isEmpty());
    key.Open(kOption);
    quint32 n = 0;
    QCOMPARE(key.ReadDword(QStringLiteral("Tasktray"), n), long(RegistryKey::Success));
    QCOMPARE(n, 1u);
}

void TestRegistryKey::settingsFilePrivate()
{
    const QString file = RegistryKey::storePath();
    QVERIFY(
        file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/VOK System/")));
    QVERIFY(file.endsWith(QStringLiteral("/VOK_Address.conf")));
    for (int round = 0; round < 2; ++round) {
        RegistryKey key;
        key.Open(kOption);
        key.WriteString(QStringLiteral("PassWord"), QStringLiteral("secret%1").arg(round));
        key.Close();
        createGroup(QStringLiteral("G%1").arg(round));
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }
    // Even a file that someone widened is narrowed again at the next use.
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadOther));
    RegistryKey key;
    key.Open(kOption);
    key.WriteDword(QStringLiteral("Startup"), 0);
    key.Close();
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
}

VOK_TEST_CORE_MAIN(TestRegistryKey)
#include "tst_registrykey.moc"
