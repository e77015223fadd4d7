#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/search/SearchIndex.h"
#include "model/search/SearchQuery.h"
#include "model/text/TextFold.h"

using namespace ModelTest;

namespace {

// A contact from UTF-8 texts: name, e-mail, phone, postal code, memo.
std::unique_ptr<AddressRecord> contact(const char* name, const char* email = "",
                                       const char* phone = "", const char* postal = "",
                                       const char* memo = "")
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, sjis(name));
    r->setField(AddressRecord::Email, sjis(email));
    r->setField(AddressRecord::Phone, sjis(phone));
    r->setField(AddressRecord::PostalCode, sjis(postal));
    r->setField(AddressRecord::Memo, sjis(memo));
    r->setField(AddressRecord::Group, "Private");
    return r;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT
private slots:
    void match_data();
    void match();
    void cp932FoldEqualsUtf8Fold_data();
    void cp932FoldEqualsUtf8Fold();
    void indexFollowsChanges();
    void filterKeepsOrderAndSkipsUnindexed();
};

void TestSearch::match_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("postal");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<bool>("found");
    auto row = [](const char* tag, const char* q, const char* name, const char* reading,
                  const char* phone, const char* postal, const char* memo, bool found) {
        QTest::newRow(tag) << QString::fromUtf8(q) << QString::fromUtf8(name)
                           << QString::fromUtf8(reading) << QString::fromUtf8(phone)
                           << QString::fromUtf8(postal) << QString::fromUtf8(memo) << found;
    };
    row("case", "yamada", "YAMADA Taro", "", "", "", "", true);
    row("full-width Latin", "abc", "ＡＢＣ商事", "", "", "", "", true);
    row("full-width query", "ＡＢＣ", "abc", "", "", "", "", true);
    row("full-width digits", "123", "", "", "", "", "部屋１２３", true);
    row("half-width kana", "カタカナ", "ｶﾀｶﾅ", "", "", "", "", true);
    row("half-width voiced", "ガンダ", "ｶﾞﾝﾀﾞ", "", "", "", "", true);
    row("half-width semi-voiced", "ぱん", "ﾊﾟﾝ", "", "", "", "", true);
    row("hiragana finds katakana", "やまだ", "ヤマダ", "", "", "", "", true);
    row("katakana finds hiragana", "ヤマダ", "やまだ", "", "", "", "", true);
    row("reading", "やまだ", "山田 太郎", "やまだ たろう", "", "", "", true);
    row("katakana reading", "たろう", "山田 太郎", "ヤマダ タロウ", "", "", "", true);
    row("reading without space", "やまだたろう", "山田 太郎", "やまだ たろう", "", "", "", true);
    row("name without space", "山田太郎", "山田　太郎", "", "", "", "", true);
    row("no reading across the parts", "やまだ", "丸山 大介", "まるやま だいすけ", "", "", "",
        false);
    row("no name across the parts", "山大", "丸山 大介", "", "", "", "", false);
    row("joined reading from its start only", "まだたろう", "山田 太郎", "やまだ たろう", "", "",
        "", false);
    row("joined reading among words", "だいすけ まるやまだ", "丸山 大介", "まるやま だいすけ", "",
        "", "", true);
    row("every word", "山田 090", "山田 太郎", "", "090-1111-2222", "", "", true);
    row("ideographic space splits", "山田　090", "山田 太郎", "", "090-1111-2222", "", "", true);
    row("one word missing", "山田 佐藤", "山田 太郎", "", "", "", "", false);
    row("phone digits", "0312345678", "", "", "03-1234-5678", "", "", true);
    row("phone parentheses", "0312345678", "", "", "(03) 1234-5678", "", "", true);
    row("phone typed with dashes", "03-1234-5678", "", "", "0312345678", "", "", true);
    row("phone full-width dashes", "0312345678", "", "", "０３－１２３４－５６７８", "", "", true);
    row("phone long-vowel dashes", "0312345678", "", "", "03ー1234ー5678", "", "", true);
    row("phone minus sign", "0312345678", "", "", "03−1234−5678", "", "", true);
    row("postal code", "1000001", "", "", "", "〒100-0001", "", true);
    row("postal code with mark", "〒100-0001", "", "", "", "1000001", "", true);
    row("digits only in phone forms", "0312345678", "", "", "", "", "03-1234-5678", false);
    row("dash variants in text", "1-2-3", "", "", "", "", "丸の内１‐２―３", true);
    row("kana is no kanji", "やまだ", "山田", "", "", "", "", false);
    row("small kana differ", "やまた", "ヤマダ", "", "", "", "", false);
    row("voiced differs", "はな", "バナナ", "", "", "", "", false);
    row("no word across fields", "太郎090", "山田 太郎", "", "090", "", "", false);
    row("empty query", "   ", "山田", "", "", "", "", true);
    // Romaji of the reading, in Hepburn and the keyboard's spellings; long vowels count once.
    row("romaji", "watanabe", "渡辺 葵", "わたなべ あおい", "", "", "", true);
    row("romaji capitals, both words", "Watanabe Aoi", "渡辺 葵", "わたなべ あおい", "", "", "",
        true);
    row("romaji joined", "watanabeaoi", "渡辺 葵", "わたなべ あおい", "", "", "", true);
    row("romaji while typing", "watan", "渡辺 葵", "わたなべ あおい", "", "", "", true);
    row("romaji sato", "sato", "佐藤 健", "さとう けん", "", "", "", true);
    row("romaji satou", "satou", "佐藤 健", "さとう けん", "", "", "", true);
    row("romaji satoh", "satoh", "佐藤 健", "サトウ ケン", "", "", "", true);
    row("romaji ono", "ono", "大野 智", "おおの さとし", "", "", "", true);
    row("romaji oono", "oono", "大野 智", "おおの さとし", "", "", "", true);
    row("romaji ohno", "Ohno", "大野 智", "おおの さとし", "", "", "", true);
    row("romaji kunrei si and tu", "situ", "志津", "しつ", "", "", "", true);
    row("romaji hu and zi", "huzita", "藤田 浩", "ふじた ひろし", "", "", "", true);
    row("romaji double consonant", "hattori", "服部", "はっとり", "", "", "", true);
    row("romaji palatal", "kyoko", "前田 京子", "まえだ きょうこ", "", "", "", true);
    row("romaji palatal keyboard", "kyouko", "前田 京子", "まえだ きょうこ", "", "", "", true);
    row("romaji sha and sya", "syun", "岡田 俊介", "おかだ しゅんすけ", "", "", "", true);
    row("romaji hya", "hyakuta", "百田", "ひゃくた", "", "", "", true);
    row("romaji m before b", "namba", "難波", "なんば", "", "", "", true);
    row("romaji nn", "kanna", "環奈", "かんな", "", "", "", true);
    row("romaji other name", "watanabe", "佐藤 健", "さとう けん", "", "", "", false);
    row("romaji joined from the start only", "nabeaoi", "渡辺 葵", "わたなべ あおい", "", "", "",
        false);
    row("romaji without reading", "yamada", "山田", "", "", "", "", false);
}

void TestSearch::match()
{
    QFETCH(QString, query);
    QFETCH(QString, name);
    QFETCH(QString, reading);
    QFETCH(QString, phone);
    QFETCH(QString, postal);
    QFETCH(QString, memo);
    QFETCH(bool, found);
    RecordList list;
    AddressRecord* r = list.AppendRecord(
        contact(name.toUtf8(), "", phone.toUtf8(), postal.toUtf8(), memo.toUtf8()));
    SearchIndex index;
    index.build(list, [&](const AddressRecord&) { return reading.toStdString(); });
    const SearchQuery q(query.toStdString());
    QCOMPARE(index.matches(q, r), found);
    // The one-off match of the command line agrees with the index.
    std::size_t phoneStart = 0;
    std::size_t joinedStart = 0;
    const std::string text =
        SearchIndex::searchText(*r, reading.toStdString(), phoneStart, joinedStart);
    QCOMPARE(q.matches(text, phoneStart, joinedStart), found);
}

void TestSearch::cp932FoldEqualsUtf8Fold_data()
{
    QTest::addColumn<QByteArray>("cp932");
    QTest::newRow("mixed") << qb(sjis("ＡＢＣａｂｃ　ｶﾞｷﾞｸﾞﾊﾟﾋﾟ ヴァイオリン ゝゞヽヾ〒－―‐"));
    QTest::newRow("Greek and Cyrillic") << qb(sjis("ΑΒΓαβγАБВЁабвё"));
    QTest::newRow("invalid bytes") << QByteArray("a\x80\xA0\xFD\x81\x20z\x82", 9);
    QTest::newRow("control bytes") << QByteArray("a\r\nb\tc\x01", 7);
    QTest::newRow("trail backslash") << qb(sjis("表ソ\\"));
    QTest::newRow("ASCII runs") << QByteArray("Mixed CASE~\x7F\x1F tail ZZ");
    // Every lead byte before every byte, twice: characters learnt on first sight fold alike.
    QByteArray pairs;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x20; trail <= 0xFF && (lead <= 0x9F || lead >= 0xE0); ++trail)
            pairs += QByteArray() + char(lead) + char(trail) + ' ';
    }
    QTest::newRow("every pair") << pairs + pairs;
}

void TestSearch::cp932FoldEqualsUtf8Fold()
{
    QFETCH(QByteArray, cp932);
    QCOMPARE(qb(TextFold::fromCp932(sv(cp932))), qb(TextFold::fromUtf8(Cp932::toUtf8(sv(cp932)))));
}

void TestSearch::indexFollowsChanges()
{
    RecordList list;
    AddressRecord* a = list.AppendRecord(contact("山田 太郎"));
    AddressRecord* b = list.AppendRecord(contact("佐藤 花子"));
    SearchIndex index;
    index.build(list, {});
    const std::vector<AddressRecord*> all{a, b};
    const SearchQuery sato("さとう");
    QVERIFY(index.filter(sato, all).empty());
    index.update(b, "さとう はなこ"); // the reading arrives later
    QCOMPARE(index.filter(sato, all), std::vector<AddressRecord*>{b});
    a->setField(AddressRecord::Memo, sjis("さとうさんの紹介"));
    index.update(a, "やまだ たろう");
    QCOMPARE(index.filter(sato, all), all);
    index.remove(b);
    QCOMPARE(index.size(), std::size_t(1));
    QVERIFY(!index.contains(b));
    QCOMPARE(index.filter(sato, std::vector<AddressRecord*>{a}), std::vector<AddressRecord*>{a});
    // A rebuilt text replaces the old one: the old memo no longer matches.
    a->setField(AddressRecord::Memo, "");
    index.update(a, "やまだ たろう");
    QVERIFY(index.filter(sato, std::vector<AddressRecord*>{a}).empty());
}

void TestSearch::filterKeepsOrderAndSkipsUnindexed()
{
    RecordList list;
    std::vector<AddressRecord*> order;
    for (const char* n : {"田中 一郎", "鈴木 二郎", "田中 三郎"})
        order.insert(order.begin(), list.AppendRecord(contact(n)));
    SearchIndex index;
    index.build(list, {});
    AddressRecord* late = list.AppendRecord(contact("田中 四郎")); // not indexed yet
    order.push_back(late);
    QCOMPARE(index.filter(SearchQuery("田中"), order),
             (std::vector<AddressRecord*>{order[0], order[2], late}));
}

VOK_TEST_APPLESS_MAIN(TestSearch)
#include "tst_search.moc"
