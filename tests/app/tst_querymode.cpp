#include "TestMain.h"
#include "app/CommandLine.h"
#include "app/MailQuery.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordList.h"
#include "model/search/GuessCache.h"
#include "model/search/ReadingDictionary.h"
#include "settings/RegistryKey.h"

#include <QDir>
#include <QFile>

// --query as a mail program runs it: the stored book and its readings, the search field's
// matching, mutt's lines.
class TestQueryMode : public QObject
{
    Q_OBJECT

    static void add(CVOK_AddressDoc& book, const char* name, const char* email,
                    const char* officeEmail = "", const char* phone = "")
    {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, Text::toCp932Lossy(QString::fromUtf8(name)));
        r->setField(AddressRecord::Email, email);
        r->setField(AddressRecord::OfficeEmail, officeEmail);
        r->setField(AddressRecord::Phone, phone);
        r->setField(AddressRecord::Group, "Private");
        book.AddRecord(std::move(r));
    }

    static AddressRecord* record(RecordList& list, const char* name, const char* email = "")
    {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, Text::toCp932Lossy(QString::fromUtf8(name)));
        r->setField(AddressRecord::Email, email);
        r->setField(AddressRecord::Group, "Private");
        return list.AppendRecord(std::move(r));
    }

private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        QDir(DataLocation::addressFilePath()).removeRecursively();
        TestEnv::removeBook(DataLocation::addressFilePath());
        CVOK_AddressDoc book;
        QVERIFY(book.LoadAddressFile());
        add(book, "東海林 太郎", "shoji@example.jp");
        add(book, "山田 太郎", "taro@example.jp", "t.yamada@corp.example, yamada@corp.example",
            "03-1234-5678");
        add(book, "山田 花子", "");
        add(book, "ヤマダ\tケン", "ken@example.jp");
        // Two contacts of one name, one with a joint name kept beside the book.
        add(book, "佐々木 一郎", "ichiro@example.jp");
        auto joint = std::make_unique<AddressRecord>();
        joint->setField(AddressRecord::Name, Text::toCp932Lossy(QStringLiteral("佐々木 一郎")));
        joint->setField(AddressRecord::Email, "sasaki@example.jp");
        joint->setField(AddressRecord::Group, "Private");
        ContactExtras extras;
        extras.jointNames.push_back({"佐々木 梅子", "", "ささき うめこ"});
        joint->setExtras(extras);
        book.AddRecord(std::move(joint));
        book.SetReading(Text::toCp932Lossy(QStringLiteral("東海林 太郎")), "しょうじ たろう");
        QVERIFY(book.SaveAddressFile());
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("dictionary"); // needs the installed name dictionaries
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::newRow("stored reading") << QStringList{"しょうじ"} << false << 0
                                        << "VOK_Address: 1件\n"
                                           "shoji@example.jp\t東海林 太郎\tPrivate\n";
        QTest::newRow("guessed reading, every address, no line from a tab")
            << QStringList{"やまだ"} << true << 0
            << "VOK_Address: 2件\n"
               "taro@example.jp\t山田 太郎\tPrivate\n"
               "t.yamada@corp.example\t山田 太郎\tPrivate\n"
               "yamada@corp.example\t山田 太郎\tPrivate\n"
               "ken@example.jp\tヤマダ ケン\tPrivate\n";
        QTest::newRow("every word, as one argument or several")
            << QStringList{"太郎", "0312345678"} << false << 0
            << "VOK_Address: 1件\n"
               "taro@example.jp\t山田 太郎\tPrivate\n"
               "t.yamada@corp.example\t山田 太郎\tPrivate\n"
               "yamada@corp.example\t山田 太郎\tPrivate\n";
        QTest::newRow("full-width letters") << QStringList{"ＳＨＯＪＩ"} << false << 0
                                            << "VOK_Address: 1件\n"
                                               "shoji@example.jp\t東海林 太郎\tPrivate\n";
        QTest::newRow("joint name") << QStringList{"梅子"} << false << 0
                                    << "VOK_Address: 1件\n"
                                       "sasaki@example.jp\t佐々木 一郎\tPrivate\n";
        QTest::newRow("nobody") << QStringList{"佐藤"} << false << 1 << "VOK_Address: 0件\n";
        QTest::newRow("only contacts without an address")
            << QStringList{"花子"} << false << 1 << "VOK_Address: 0件\n";
    }

    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, dictionary);
        QFETCH(int, status);
        QFETCH(QString, out);
        if (dictionary && !QFile::exists(QString::fromLatin1(ReadingDictionary::DefaultJinmeiPath)))
            QSKIP("the name dictionaries of skkdic-extra are not installed");
        const CommandLine::Result result =
            CommandLine::runMode(QStringList{"VOK_Address", "--query"} + arguments);
        QCOMPARE(QString::fromUtf8(result.out), out);
        QCOMPARE(result.status, status);
        QVERIFY(result.err.isEmpty());
    }

    // Guesses come from the cache when it holds them, are made and kept when it does not or
    // when the dictionaries changed since, and are not looked for when no word needs them.
    void cacheOfGuesses_data()
    {
        QTest::addColumn<QString>("cache"); // what stands in the cache before the query
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("kept"); // a cache of the installed dictionaries afterwards
        QTest::newRow("no cache") << ""
                                  << "やまだ" << true;
        QTest::newRow("cache of this query") << "same"
                                             << "やまだ" << true;
        QTest::newRow("cache of other dictionaries") << "stale"
                                                     << "やまだ" << true;
        QTest::newRow("no word a guess could hold") << ""
                                                    << "taro" << false;
    }

    void cacheOfGuesses()
    {
        QFETCH(QString, cache);
        QFETCH(QString, query);
        QFETCH(bool, kept);
        if (!QFile::exists(QString::fromLatin1(ReadingDictionary::DefaultJinmeiPath)))
            QSKIP("the name dictionaries of skkdic-extra are not installed");
        const QString path = DataLocation::guessCachePath();
        QFile::remove(path);
        const auto run = [&query] {
            return CommandLine::runMode(QStringList{"VOK_Address", "--query", query});
        };
        const CommandLine::Result expected = run(); // made from the dictionaries
        if (cache != "same")
            QFile::remove(path);
        if (cache == "stale") { // other files, and a guess they would give
            const std::string name = Text::toCp932Lossy(QStringLiteral("山田 太郎"));
            QVERIFY(GuessCache::Save(QFile::encodeName(path).toStdString(), "rules 0|/old",
                                     {{name, "さんだ たろう"}}));
        }
        const CommandLine::Result result = run();
        QCOMPARE(QString::fromUtf8(result.out), QString::fromUtf8(expected.out));
        QCOMPARE(result.status, expected.status);
        const GuessCache::Map guesses = GuessCache::Load(QFile::encodeName(path).toStdString(),
                                                         ReadingDictionary().fingerprint());
        QCOMPARE(!guesses.empty(), kept);
        if (kept)
            QCOMPARE(guesses.at(Text::toCp932Lossy(QStringLiteral("山田 太郎"))),
                     std::string("やまだ たろう"));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("unreadableBook");
        QTest::addColumn<QString>("err");
        QTest::newRow("no text") << QStringList{} << false << "the text to look for is missing";
        QTest::newRow("blank text") << QStringList{" "} << false << "the text to look for";
        QTest::newRow("unreadable book")
            << QStringList{"山田"} << true << "cannot read the address book";
    }

    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, unreadableBook);
        QFETCH(QString, err);
        if (unreadableBook) {
            QFile::remove(DataLocation::addressFilePath());
            QVERIFY(QDir().mkpath(DataLocation::addressFilePath())); // a folder in its place
        }
        const CommandLine::Result result =
            CommandLine::runMode(QStringList{"VOK_Address", "--query"} + arguments);
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(QString::fromUtf8(result.err).contains(err), result.err.constData());
        QVERIFY(result.err.startsWith("VOK_Address --query: "));
    }

    void mailLines()
    {
        RecordList list;
        AddressRecord* a = record(list, "山田 太郎", "taro@example.jp");
        a->setField(AddressRecord::OfficeEmail, "t.yamada@corp.example, second@corp.example");
        AddressRecord* b = record(list, "No\tMail");
        AddressRecord* c = record(list, "Tab\tName", "tab@example.jp");
        c->setField(AddressRecord::Group, Text::toCp932Lossy(QString::fromUtf8("友人\r\n")));
        const std::vector<AddressRecord*> found{a, b, c};
        // Every address its own line, tabs and line breaks in names and groups as spaces.
        QCOMPARE(QString::fromStdString(MailQuery::format(found)),
                 QString::fromUtf8("VOK_Address: 3件\n"
                                   "taro@example.jp\t山田 太郎\tPrivate\n"
                                   "t.yamada@corp.example\t山田 太郎\tPrivate\n"
                                   "second@corp.example\t山田 太郎\tPrivate\n"
                                   "tab@example.jp\tTab Name\t友人  \n"));
        QCOMPARE(MailQuery::format({}), std::string("VOK_Address: 0件\n"));
    }
};

VOK_TEST_MAIN(TestQueryMode)
#include "tst_querymode.moc"
