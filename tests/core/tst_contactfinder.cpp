#include "TestEnv.h"
#include "TestNameDictionary.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/SearchQuery.h"
#include "model/text/Cp932.h"
#include "settings/RegistryKey.h"

#include <QFile>

namespace {

std::string cp(const char* utf8)
{
    return Cp932::fromUtf8(utf8).bytes;
}

std::unique_ptr<AddressRecord> contact(const char* name, const char* group = "Private")
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, cp(name));
    r->setField(AddressRecord::Group, cp(group));
    return r;
}

} // namespace

// The finder's readings and its index, which must follow every change of the book.
class TestContactFinder : public QObject
{
    Q_OBJECT

    QStringList found(CVOK_AddressDoc& doc, const QString& text)
    {
        std::vector<AddressRecord*> all;
        for (const auto& r : doc.records())
            all.push_back(r.get());
        QStringList names;
        for (const AddressRecord* r : doc.finder().filter(SearchQuery(text.toStdString()), all))
            names << QString::fromStdString(Cp932::toUtf8(r->name()));
        return names;
    }

private slots:
    void init() { QFile::remove(RegistryKey::storePath()); }

    void readings()
    {
        CVOK_AddressDoc doc;
        doc.finder().setDictionary(testNameDictionary());
        doc.finder().preloadDictionary(); // a worker reads it; the first guess waits for it
        const std::string taro = cp("山田 太郎");
        ContactFinder::Reading r = doc.finder().readingOf(taro);
        QCOMPARE(std::string(r.text), std::string("やまだ たろう"));
        QVERIFY(r.guessed);
        doc.SetReading(taro, "ヤマダ タロウ"); // what the user gave wins, and is no guess
        r = doc.finder().readingOf(taro);
        QCOMPARE(std::string(r.text), std::string("ヤマダ タロウ"));
        QVERIFY(!r.guessed);
        QCOMPARE(std::string(doc.finder().guessedReading(taro)), std::string("やまだ たろう"));
        r = doc.finder().readingOf(cp("John Smith"));
        QVERIFY(r.text.empty() && !r.guessed);
    }

    void indexFollowsTheBook_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("nothing") << ""
                                 << "やまだ" << QStringList{"山田 太郎"};
        QTest::newRow("added") << "add"
                               << "はなこ" << QStringList{"佐藤 花子", "山田 花子"};
        QTest::newRow("name changed") << "rename contact"
                                      << "さとう" << QStringList{};
        QTest::newRow("changed name found") << "rename contact"
                                            << "伊藤" << QStringList{"伊藤 花子", "伊藤"};
        QTest::newRow("removed") << "remove"
                                 << "はなこ" << QStringList{};
        QTest::newRow("group renamed") << "rename group"
                                       << "親友" << QStringList{"佐藤 花子"};
        QTest::newRow("reading stored") << "store reading"
                                        << "いとう" << QStringList{"伊藤"};
        QTest::newRow("readings of an import") << "import readings"
                                               << "いとう" << QStringList{"伊藤"};
        // Names enough that their contacts are looked for a slice at a time.
        QTest::newRow("readings of a large import") << "import many readings"
                                                    << "いとう" << QStringList{"伊藤"};
        QTest::newRow("large import, a contact removed") << "import many readings, remove"
                                                         << "はなみ" << QStringList{"佐藤 花子"};
        QTest::newRow("reading forgotten") << "forget reading"
                                           << "たろう" << QStringList{};
        QTest::newRow("book loaded again") << "reload"
                                           << "はなこ" << QStringList{"佐藤 花子"};
    }

    void indexFollowsTheBook()
    {
        QFETCH(QString, change);
        QFETCH(QString, query);
        QFETCH(QStringList, names);
        CVOK_AddressDoc doc;
        const QString path = TestEnv::root() + QStringLiteral("/finder.vok");
        QFile::remove(path);
        doc.LoadAddressFile(path);
        doc.finder().setDictionary(testNameDictionary());
        doc.CreateGroup(QStringLiteral("友人"));
        doc.AddRecord(contact("山田 太郎"));
        AddressRecord* hanako = doc.AddRecord(contact("佐藤 花子", "友人"));
        AddressRecord* ito = doc.AddRecord(contact("伊藤"));
        QCOMPARE(found(doc, QStringLiteral("たろう")), QStringList{"山田 太郎"}); // builds it

        if (change == "add") {
            doc.AddRecord(contact("山田 花子"));
        } else if (change == "rename contact") {
            AddressRecord value = *hanako;
            value.setField(AddressRecord::Name, cp("伊藤 花子"));
            doc.ChangeRecord(hanako, value);
        } else if (change == "remove") {
            doc.RemoveRecords({hanako});
        } else if (change == "rename group") {
            doc.RenameGroup(QStringLiteral("友人"), QStringLiteral("親友"));
        } else if (change == "store reading") {
            doc.SetReading(ito->name(), "いとう");
        } else if (change == "import readings") {
            doc.SetReadings(
                {{std::string(ito->name()), "いとう"}, {cp("佐藤 花子"), "さとう はなこ"}});
        } else if (change.startsWith("import many readings")) {
            std::vector<std::pair<std::string, std::string>> given;
            for (int i = 0; i < 100; ++i)
                given.emplace_back(cp("取引先") + std::to_string(i), "とりひきさき");
            given.emplace_back(ito->name(), "いとう");
            given.emplace_back(hanako->name(), "はなみ");
            doc.SetReadings(given);
            QVERIFY(!doc.finder().isReady());
            if (change.endsWith("remove"))
                doc.RemoveRecords({ito});
            QTRY_VERIFY(doc.finder().isReady());
        } else if (change == "forget reading") {
            const std::string taro = cp("山田 太郎");
            doc.finder().setDictionary(std::make_shared<const ReadingDictionary>("", ""));
            doc.SetReading(taro, "たろう");
            QCOMPARE(found(doc, query), QStringList{"山田 太郎"});
            doc.SetReading(taro, "");
        } else if (change == "reload") {
            QVERIFY(doc.SaveAddressFile());
            doc.DeleteAllRecords();
            QVERIFY(doc.LoadAddressFile(path));
        }
        QCOMPARE(found(doc, query), names);
    }
};

VOK_TEST_CORE_MAIN(TestContactFinder)
#include "tst_contactfinder.moc"
