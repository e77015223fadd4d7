#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/storage/ReadingStore.h"

#include <QDir>

using namespace ModelTest;

class TestReadingStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void roundTrip_data();
    void roundTrip();
    void fileFormat();
    void readsForeignFiles();
    void missingAndUnreadable();
    void saveDropsUnusedNames();
    void failedSaveKeepsOldFile();

private:
    QString m_file;
};

void TestReadingStore::init()
{
    const QString dir = TestEnv::root() + QStringLiteral("/store-") + QTest::currentTestFunction();
    QDir(dir).removeRecursively();
    QVERIFY(QDir().mkpath(dir));
    m_file = dir + QStringLiteral("/Readings.txt");
}

void TestReadingStore::roundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reading");
    QTest::newRow("plain") << QStringLiteral("山田 太郎") << QStringLiteral("やまだ たろう");
    QTest::newRow("katakana kept") << QStringLiteral("佐藤") << QStringLiteral("サトウ");
    QTest::newRow("tab in name") << QStringLiteral("A\tB") << QStringLiteral("えー");
    QTest::newRow("line breaks in name") << QStringLiteral("a\r\nb\nc") << QStringLiteral("x");
    QTest::newRow("backslashes") << QStringLiteral("\\t\\") << QStringLiteral("\\n");
    QTest::newRow("trail byte 0x5C") << QStringLiteral("表ソ") << QStringLiteral("ひょうそ");
    QTest::newRow("tab in reading") << QStringLiteral("n") << QStringLiteral("a\tb");
}

void TestReadingStore::roundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, reading);
    ReadingStore store;
    const std::string cp932 = sjis(name.toUtf8().constData());
    store.setReading(cp932, reading.toStdString());
    store.setReading("other", "べつ");
    QCOMPARE(store.Save(local(m_file)), ReadingStore::Status::Ok);
    ReadingStore loaded;
    QCOMPARE(loaded.Load(local(m_file)), ReadingStore::Status::Ok);
    QCOMPARE(loaded.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(std::string(loaded.reading(cp932))), reading);
    QCOMPARE(loaded.reading("other"), std::string_view("べつ"));
}

void TestReadingStore::fileFormat()
{
    ReadingStore store;
    store.setReading(sjis("山田"), "やまだ");
    store.setReading(sjis("A\tB"), "x");
    store.setReading(sjis("消す"), "けす");
    store.setReading(sjis("消す"), ""); // forgotten
    QCOMPARE(store.Save(local(m_file)), ReadingStore::Status::Ok);
    QCOMPARE(readAll(m_file), QByteArray("A\\tB\tx\n山田\tやまだ\n"));
}

void TestReadingStore::readsForeignFiles()
{
    // A byte-order mark and CR LF from another editor; lines that say nothing are skipped.
    QVERIFY(writeAll(m_file, "\xEF\xBB\xBF山田\tやまだ\r\nno tab\r\n\tno name\r\n"
                             "空\t\r\n😀\tえもじ\r\n鈴木\tすずき"));
    ReadingStore store;
    QCOMPARE(store.Load(local(m_file)), ReadingStore::Status::Ok);
    QCOMPARE(store.size(), std::size_t(2));
    QCOMPARE(store.reading(sjis("山田")), std::string_view("やまだ"));
    QCOMPARE(store.reading(sjis("鈴木")), std::string_view("すずき"));
}

void TestReadingStore::missingAndUnreadable()
{
    ReadingStore store;
    store.setReading("x", "y");
    QCOMPARE(store.Load(local(m_file)), ReadingStore::Status::Missing);
    QVERIFY(store.empty());
    QVERIFY(QDir().mkpath(m_file)); // a folder in the file's place
    QCOMPARE(store.Load(local(m_file)), ReadingStore::Status::ReadError);
}

void TestReadingStore::saveDropsUnusedNames()
{
    ReadingStore store;
    store.setReading(sjis("山田"), "やまだ");
    store.setReading(sjis("去った人"), "さったひと");
    QCOMPARE(store.Save(local(m_file), [](std::string_view name) { return name == sjis("山田"); }),
             ReadingStore::Status::Ok);
    QCOMPARE(readAll(m_file), QByteArray("山田\tやまだ\n"));
}

void TestReadingStore::failedSaveKeepsOldFile()
{
    QVERIFY(writeAll(m_file, "山田\tやまだ\n"));
    ReadingStore store;
    store.setReading("x", "y");
    // A file stands where the folder should be: no new file can be made there.
    const QString blocked = m_file + QStringLiteral("/Readings.txt");
    QCOMPARE(store.Save(local(blocked)), ReadingStore::Status::WriteError);
    QCOMPARE(readAll(m_file), QByteArray("山田\tやまだ\n"));
    QCOMPARE(QDir(QFileInfo(m_file).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

VOK_TEST_APPLESS_MAIN(TestReadingStore)
#include "tst_readingstore.moc"
