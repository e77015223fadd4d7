#include "TestMain.h"
#include "app/CommandLine.h"
#include "app/MailQuery.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordFingerprint.h"
#include "model/book/RecordList.h"
#include "model/search/GuessCache.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/RecordPrefilter.h"
#include "model/search/SearchIndex.h"
#include "model/search/SearchQuery.h"
#include "model/storage/AddressFile.h"
#include "model/storage/AddressFileReader.h"
#include "model/storage/CompanionLookup.h"
#include "model/storage/ReadingStore.h"
#include "model/text/Cp932.h"
#include "model/text/Kana.h"
#include "model/text/TextFold.h"
#include "model/text/Utf8.h"
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
        QTest::newRow("romaji of a guessed reading") << QStringList{"sasaki"} << true << 0
                                                     << "VOK_Address: 2件\n"
                                                        "ichiro@example.jp\t佐々木 一郎\tPrivate\n"
                                                        "sasaki@example.jp\t佐々木 一郎\tPrivate\n";
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
                                                    << "5678" << false;
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

    // The files as another program may leave them: the records reversed, entries with extras
    // aside, another book's fingerprints; or the twins' e-mail slots blank but for a kanji
    // filling the second's (cut off), so that both bear the fingerprint only the first's entry
    // (with extras) has.
    static void reshape(const QString& how, const QString& bookPath, const QString& path)
    {
        QFile book(bookPath), file(path);
        QVERIFY(book.open(QIODevice::ReadWrite) && file.open(QIODevice::ReadWrite));
        QByteArray bytes = book.readAll(), reversed;
        QList<QByteArray> lines = file.readAll().split('\n');
        const auto isEntry = [](const QByteArray& l) { return l.size() == 69 && l[36] == '\t'; };
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (how == "aside" && isEntry(lines[i]) && lines.value(i + 1).startsWith('\t'))
                lines[i].prepend("aside\t");
            if (how == "foreign" && isEntry(lines[i]))
                lines[i].back() = lines[i].back() == '0' ? '1' : '0';
        }
        for (qsizetype at = bytes.size() - 1684; how == "reordered" && at >= 0; at -= 1684)
            reversed += bytes.mid(at, 1684);
        for (qsizetype r = 6; how == "filled" && r < 8; ++r)
            bytes.replace(r * 1684 + 128, 128,
                          QByteArray(126, ' ') + (r == 6 ? QByteArray(2, '\0') : "\x88\x9f"));
        std::string hex;
        RecordFingerprint::of(AddressFile::RecordFields(bytes.constData() + 6 * 1684))
            .appendHex(hex);
        for (int at = 0; QByteArray & line : lines) {
            if (how == "filled" && isEntry(line) && at++ == 6)
                line = line.left(37) + QByteArray::fromStdString(hex);
        }
        QVERIFY(book.seek(0) && file.resize(0) && file.seek(0));
        book.write(how == "reordered" ? reversed : bytes);
        file.write(lines.join('\n'));
    }

    // The answer of --query is the search field's own over every stored record, each with the
    // reading and the extras it would load with, though most records are ruled out from their
    // bytes and their companion lines: rows whose bytes differ from what they match as, and
    // words found only beside the book.
    void sameAsEveryRecordMatched_data()
    {
        QTest::addColumn<QString>("query");
        // "written", "reordered", "aside", "foreign", "filled"
        QTest::addColumn<QString>("companion");
        QTest::addColumn<int>("contacts");
        const QString w = "written", r = "reordered", aside = "aside", foreign = "foreign";
        QTest::newRow("katakana whose second byte is a backslash") << "ソニー" << w << 1;
        QTest::newRow("backslash, inside ソ 表 十 and an extra") << "\\" << w << 1;
        QTest::newRow("bar, also inside ポ of another") << "|" << w << 1;
        QTest::newRow("stored reading") << "ひょうじ" << w << 1;
        QTest::newRow("romaji of a stored reading") << "hyoji" << w << 1;
        QTest::newRow("half-width kana with a mark") << "じろう" << w << 1;
        QTest::newRow("katakana for half-width kana") << "タナカ" << w << 1;
        QTest::newRow("name joined") << "たなかじろう" << w << 1;
        QTest::newRow("full-width address, typed plain") << "jiro@example" << w << 1;
        QTest::newRow("mark apart in the record") << "がわ" << w << 1;
        QTest::newRow("capitals in the record") << "kawa@example.jp" << w << 1;
        QTest::newRow("phone form") << "(03)1234-5678" << w << 1;
        QTest::newRow("phone digits") << "0312345678" << w << 1;
        QTest::newRow("address CP932 cannot hold, in extras") << "hanakö" << w << 1;
        QTest::newRow("its kanji") << "例え" << w << 1;
        QTest::newRow("joint name's reading") << "うめこ" << w << 1;
        QTest::newRow("title") << "部長" << w << 1;
        QTest::newRow("words in fields and reading") << "ぽー pipe" << w << 1;
        QTest::newRow("many contacts") << "example" << w << 8;
        QTest::newRow("its characters in two fields, none holding all") << "kawa1234" << w << 0;
        QTest::newRow("its characters in one field, out of order") << "awak" << w << 0;
        QTest::newRow("one word in a field, the other in two") << "john 03example" << w << 0;
        QTest::newRow("mobile with hyphen") << "090-1111" << w << 1;
        QTest::newRow("phone only in the extras") << "☏" << w << 1;
        QTest::newRow("escaped backslash in the extras") << "発\\二" << w << 1;
        QTest::newRow("words in fields and extras") << "山田 部長" << w << 1;
        QTest::newRow("twin with a title") << "課長" << w << 1;
        QTest::newRow("twins, entries reordered") << "課長" << r << 0;
        QTest::newRow("extras set aside") << "hanakö" << aside << 0;
        QTest::newRow("another book's companion") << "hanakö" << foreign << 0;
        QTest::newRow("twins apart but for a kanji the slot cuts") << "課長"
                                                                   << "filled" << 0;
    }

    void sameAsEveryRecordMatched()
    {
        QFETCH(QString, query);
        QFETCH(QString, companion);
        QFETCH(int, contacts);
        TestEnv::removeBook(DataLocation::addressFilePath());
        {
            CVOK_AddressDoc book;
            QVERIFY(book.LoadAddressFile());
            const auto put = [&book](const char* name, const char* reading, const char* email,
                                     const char* phone = "", const ContactExtras& x = {}) {
                auto r = std::make_unique<AddressRecord>();
                r->setField(AddressRecord::Name, name);
                r->setField(AddressRecord::Email, email);
                r->setField(AddressRecord::Phone, phone);
                r->setField(AddressRecord::Group, "Private");
                if (!x.empty())
                    r->setExtras(x);
                book.SetReading(name, reading);
                book.AddRecord(std::move(r));
            };
            const auto cp932 = [](const char* utf8) {
                return Text::toCp932Lossy(QString::fromUtf8(utf8));
            };
            put(cp932("ソニーポ 表示").c_str(), "そにーぽ ひょうじ", "sony@example.jp");
            put(cp932("ﾀﾅｶ ｼﾞﾛｳ").c_str(), "たなか じろう",
                cp932("ＪＩＲＯ＠ＥＸＡＭＰＬＥ．ＪＰ").c_str());
            put(cp932("か゛わ 一郎").c_str(), "かわ いちろう", "Kawa@Example.JP", "(03) 1234-5678");
            ContactExtras x;
            x.fullText[AddressRecord::Email] = "hanakö@例え.jp";
            x.jointNames.push_back({"山田 梅子", "", "やまだ うめこ"});
            x.title = "部長";
            put(cp932("山田 花子").c_str(), "やまだ はなこ",
                Text::toCp932Replacing(QStringLiteral("hanakö@例え.jp")).c_str(), "", x);
            put("Smith John", "すみす じょん", "john.smith@example.com", "090-1111-2222");
            put(cp932("ポ|ー 十").c_str(), "ぽー じゅう", "pipe|@example.jp");
            ContactExtras more; // twins, only the first with extras
            more.title = "課長";
            put(cp932("鈴木 五郎").c_str(), "すずき ごろう", "suzuki@example.jp", "", more);
            put(cp932("鈴木 五郎").c_str(), "すずき ごろう", "suzuki@example.jp");
            more = {};
            more.fullText[AddressRecord::Phone] = "03-7777 ☏";
            more.honorific = "先生";
            more.department = "開発\\二課";
            put(cp932("佐藤 三郎").c_str(), "さとう さぶろう", "sato@example.jp",
                Text::toCp932Replacing(QStringLiteral("03-7777 ☏")).c_str(), more);
            QVERIFY(book.SaveAddressFile());
        }
        const QString bookPath = DataLocation::addressFilePath();
        const QString companionPath = DataLocation::companionFilePath(bookPath);
        reshape(companion, bookPath, companionPath);
        const auto encoded = [](const QString& p) { return QFile::encodeName(p).toStdString(); };
        // Every record decoded with its reading and the extras of the entry it takes.
        ReadingStore readings;
        readings.Load(encoded(DataLocation::readingsFilePath(bookPath)));
        CompanionFile::Contents contents;
        CompanionFile::Load(encoded(companionPath), contents);
        CompanionLookup lookup(encoded(companionPath));
        AddressFileReader reader(encoded(bookPath));
        const SearchQuery words(query.toStdString());
        std::vector<std::unique_ptr<AddressRecord>> kept;
        std::vector<AddressRecord*> expected;
        for (std::size_t at = 0; const AddressRecord* r = reader.next(); ++at) {
            auto record = std::make_unique<AddressRecord>(*r);
            if (const CompanionFile::Place* p = lookup.find(at, RecordFingerprint::of(*r)))
                record->setExtras(
                    contents.entries[std::size_t(p - lookup.entries().data())].extras);
            std::size_t phoneStart = 0;
            std::size_t joinedStart = 0;
            const std::string text = SearchIndex::searchText(
                *record, readings.reading(record->name()), phoneStart, joinedStart);
            const std::string mail = std::string(record->email()) +
                                     std::string(record->field(AddressRecord::OfficeEmail));
            if (mail.find_first_not_of(",; \t\r\n") != std::string::npos &&
                words.matches(text, phoneStart, joinedStart))
                expected.push_back(kept.emplace_back(std::move(record)).get());
        }
        QCOMPARE(int(expected.size()), contacts);
        const CommandLine::Result result =
            CommandLine::runMode(QStringList{"VOK_Address", "--query", query});
        QCOMPARE(QString::fromUtf8(result.out),
                 QString::fromStdString(MailQuery::format(expected)));
        QCOMPARE(result.status, contacts ? 0 : 1);
    }

    // Every CP932 code that decodes to one character is among the forms looked for of what
    // it folds to, and of the voiced kana it makes with a mark, when that is looked for at all.
    void everyCodeAmongTheForms()
    {
        std::vector<std::pair<std::string, char32_t>> codes;
        const auto decode = [&codes](std::string code) {
            const std::string utf8 = Cp932::toUtf8(code);
            std::size_t pos = 0;
            const char32_t c = utf8.empty() ? Utf8::Replacement : Utf8::next(utf8, pos);
            if (c != Utf8::Replacement && pos == utf8.size())
                codes.emplace_back(std::move(code), TextFold::foldChar(c));
        };
        for (int b = 1; b < 256; ++b) {
            if (!Cp932::isLeadByte(static_cast<unsigned char>(b))) {
                decode(std::string(1, char(b)));
                continue;
            }
            for (int t = 1; t < 256; ++t)
                decode({char(b), char(t)});
        }
        std::vector<char32_t> chars;
        for (const auto& [code, c] : codes) {
            chars.push_back(c);
            for (char32_t joined : {Kana::withVoicedMark(c), Kana::withSemiVoicedMark(c)}) {
                if (joined)
                    chars.push_back(joined);
            }
        }
        const auto forms = RecordPrefilter::formsOf(chars);
        int lookedFor = 0;
        for (const auto& [code, c] : codes) {
            for (char32_t target : {c, Kana::withVoicedMark(c), Kana::withSemiVoicedMark(c)}) {
                if (target == 0)
                    continue;
                const std::vector<std::string>& f = forms.at(target);
                if (f.empty())
                    continue;
                ++lookedFor;
                QVERIFY2(std::find(f.begin(), f.end(), code) != f.end(),
                         qPrintable(QString::fromStdString(Cp932::toUtf8(code))));
            }
        }
        // Letters, digits, kana and JIS kanji are all looked for.
        QVERIFY(lookedFor > 6000);
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
