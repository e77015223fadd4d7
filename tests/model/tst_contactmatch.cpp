#include "ExchangeTestUtil.h"
#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/book/ContactUid.h"
#include "model/exchange/csv/ForeignCsv.h"
#include "model/exchange/vcard/VCardReader.h"
#include "model/match/ContactMatcher.h"
#include "model/match/ContactMerge.h"
#include "model/match/DuplicateScan.h"

#include <QFile>
#include <QtTest>
#include <map>
#include <set>

using namespace ModelTest;
using C = ContactMatcher::Confidence;

namespace {

// The same people exported from an iPhone, Google, Outlook (CP932) and an old phone (vCard 2.1),
// with the person behind each contact in truth.tsv.
struct Corpus
{
    std::vector<std::unique_ptr<AddressRecord>> records;
    std::vector<std::string> readings;
    std::vector<int> person;
};

QByteArray dataFile(const QString& name)
{
    QFile file(QFINDTESTDATA("data/movein/" + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Corpus load(const QStringList& files)
{
    std::map<std::pair<QString, int>, int> truth;
    for (const QByteArray& line : dataFile(QStringLiteral("truth.tsv")).split('\n')) {
        const QList<QByteArray> c = line.split('\t');
        if (c.size() == 3 && !line.startsWith('#'))
            truth[{QString::fromUtf8(c[0]), c[1].toInt()}] = c[2].toInt();
    }
    Corpus corpus;
    for (const QString& name : files) {
        const QByteArray bytes = dataFile(name);
        const std::string_view b = sv(bytes);
        ImportResult r =
            name.endsWith(QStringLiteral(".vcf"))
                ? VCardReader::read(b, ExchangeTest::knownGroups())
                : ForeignCsv::apply(b, ForeignCsv::guessPlan(b), ExchangeTest::knownGroups());
        for (std::size_t i = 0; i < r.records.size(); ++i) {
            corpus.records.push_back(std::move(r.records[i]));
            corpus.readings.push_back(i < r.readings.size() ? r.readings[i] : std::string());
            corpus.person.push_back(truth.count({name, int(i)}) ? truth[{name, int(i)}] : -1);
        }
    }
    return corpus;
}

AddressRecord card(const char* name, const char* phone, const char* email, const char* memo = "")
{
    AddressRecord r;
    r.setField(AddressRecord::Name, sjis(name));
    r.setField(AddressRecord::MobilePhone, sjis(phone));
    r.setField(AddressRecord::Email, sjis(email));
    r.setField(AddressRecord::Memo, sjis(memo));
    r.setField(AddressRecord::Group, "Private");
    return r;
}

} // namespace

class TestContactMatch : public QObject
{
    Q_OBJECT
private slots:
    void corpus_data();
    void corpus();
    void pair_data();
    void pair();
    void mergeKeepsEveryValue();
};

void TestContactMatch::corpus_data()
{
    QTest::addColumn<QStringList>("files");
    const QString iphone = QStringLiteral("iphone.vcf"), google = QStringLiteral("google.csv"),
                  outlook = QStringLiteral("outlook.csv"), phone = QStringLiteral("phone21.vcf");
    QTest::newRow("iPhone and Google") << QStringList{iphone, google};
    QTest::newRow("iPhone and Outlook") << QStringList{iphone, outlook};
    QTest::newRow("iPhone and old phone") << QStringList{iphone, phone};
    QTest::newRow("Google and Outlook") << QStringList{google, outlook};
    QTest::newRow("Outlook and old phone") << QStringList{outlook, phone};
    QTest::newRow("all four") << QStringList{iphone, google, outlook, phone};
}

// Every pair of contacts of one person should be found; no pair of two people may be certain,
// and namesakes (people sharing only a name) are not proposed at all.
void TestContactMatch::corpus()
{
    QFETCH(QStringList, files);
    const Corpus c = load(files);
    QVERIFY(c.records.size() > 30);
    QVERIFY(std::count(c.person.begin(), c.person.end(), -1) == 0);
    ContactMatcher matcher;
    for (std::size_t i = 0; i < c.records.size(); ++i)
        matcher.add(ContactMatcher::keysOf(*c.records[i], c.readings[i]));
    std::set<std::pair<std::size_t, std::size_t>> found;
    int wrongCertain = 0, wrongProposed = 0;
    for (const ContactMatcher::Pair& p : matcher.pairs()) {
        if (c.person[p.first] == c.person[p.second]) {
            found.insert({p.first, p.second});
        } else {
            ++wrongProposed;
            wrongCertain += p.match.confidence == C::Certain;
            qWarning("wrong: %s / %s", Cp932::toUtf8(c.records[p.first]->name()).c_str(),
                     Cp932::toUtf8(c.records[p.second]->name()).c_str());
        }
    }
    int truePairs = 0;
    for (std::size_t a = 0; a < c.records.size(); ++a) {
        for (std::size_t b = a + 1; b < c.records.size(); ++b) {
            if (c.person[a] != c.person[b])
                continue;
            ++truePairs;
            if (!found.count({a, b}))
                qWarning("missed: %s / %s", Cp932::toUtf8(c.records[a]->name()).c_str(),
                         Cp932::toUtf8(c.records[b]->name()).c_str());
        }
    }
    QVERIFY(truePairs > 0);
    qInfo("%d of %d pairs found, %d wrong proposed, %d wrong certain", int(found.size()), truePairs,
          wrongProposed, wrongCertain);
    QVERIFY2(found.size() * 100 >= std::size_t(truePairs) * 95, "fewer than 95 % found");
    QCOMPARE(wrongCertain, 0);
    QCOMPARE(wrongProposed, 0);
    // The groups hold each person once.
    for (const DuplicateScan::Group& g : DuplicateScan::groups(matcher)) {
        for (std::size_t m : g.members)
            QCOMPARE(c.person[m], c.person[g.members.front()]);
    }
}

void TestContactMatch::pair_data()
{
    QTest::addColumn<QString>("nameA");
    QTest::addColumn<QString>("readingA");
    QTest::addColumn<QString>("phoneA");
    QTest::addColumn<QString>("emailA");
    QTest::addColumn<QString>("nameB");
    QTest::addColumn<QString>("readingB");
    QTest::addColumn<QString>("phoneB");
    QTest::addColumn<QString>("emailB");
    QTest::addColumn<int>("confidence");
    auto row = [](const char* tag, const char* na, const char* ra, const char* pa, const char* ea,
                  const char* nb, const char* rb, const char* pb, const char* eb, C c) {
        QTest::newRow(tag) << QString::fromUtf8(na) << QString::fromUtf8(ra)
                           << QString::fromUtf8(pa) << QString::fromUtf8(ea)
                           << QString::fromUtf8(nb) << QString::fromUtf8(rb)
                           << QString::fromUtf8(pb) << QString::fromUtf8(eb) << int(c);
    };
    row("variant kanji and +81", "髙橋 健二", "", "+81 90-1111-2222", "", "高橋健二", "",
        "090-1111-2222", "", C::Certain);
    row("邊 and 辺, mail case", "渡邊 葵", "", "", "Aoi@Example.JP", "渡辺　葵", "", "",
        "aoi@example.jp", C::Certain);
    row("齋 and 斉", "齋藤 由美", "", "0452220003", "", "斉藤 由美", "", "045-222-0003", "",
        C::Certain);
    row("full-width digits", "山﨑 翔太", "", "０９０－３３３３－０００４", "", "山崎 翔太", "",
        "09033330004", "", C::Certain);
    row("half-width kana name and reading", "ﾀｶﾊｼ ｹﾝｼﾞ", "", "09011112222", "", "高橋 健二",
        "たかはし けんじ", "090-1111-2222", "", C::Likely);
    row("Latin name and reading", "Satoshi Ohno", "", "", "ohno@example.jp", "大野 智",
        "おおの さとし", "", "ohno@example.jp", C::Likely);
    row("same name alone", "佐藤 健", "", "", "", "佐藤 健", "", "", "", C::Possible);
    row("same name, one phone against", "佐藤 健", "", "090-1111-0005", "", "佐藤 健", "",
        "090-9999-0005", "", C::Possible);
    row("same name, phone and mail differ", "佐藤 健", "", "090-1111-0005", "a@example.jp",
        "佐藤 健", "", "090-9999-0005", "b@example.jp", C::None);
    row("family shares the home phone", "山田 太郎", "", "03-1313-0013", "", "山田 花子", "",
        "03-1313-0013", "", C::None);
    row("a family shares an e-mail", "山田 太郎", "やまだ たろう", "", "yamada@example.jp",
        "山田 花子", "やまだ はなこ", "", "yamada@example.jp", C::None);
    row("different names share a mobile", "山田 太郎", "", "090-1313-0013", "", "ヤマダ", "",
        "090-1313-0013", "", C::Likely);
    row("same reading, different kanji", "伊藤 健", "いとう けん", "", "", "伊東 健", "いとう けん",
        "", "", C::Possible);
    row("nothing shared", "山田 太郎", "", "090-1", "", "佐藤 健", "", "", "", C::None);
}

void TestContactMatch::pair()
{
    QFETCH(QString, nameA);
    QFETCH(QString, readingA);
    QFETCH(QString, phoneA);
    QFETCH(QString, emailA);
    QFETCH(QString, nameB);
    QFETCH(QString, readingB);
    QFETCH(QString, phoneB);
    QFETCH(QString, emailB);
    QFETCH(int, confidence);
    const AddressRecord a = card(nameA.toUtf8(), phoneA.toUtf8(), emailA.toUtf8());
    const AddressRecord b = card(nameB.toUtf8(), phoneB.toUtf8(), emailB.toUtf8());
    const auto ka = ContactMatcher::keysOf(a, readingA.toStdString());
    const auto kb = ContactMatcher::keysOf(b, readingB.toStdString());
    QCOMPARE(int(ContactMatcher::compare(ka, kb).confidence), confidence);
    QCOMPARE(int(ContactMatcher::compare(kb, ka).confidence), confidence);
    // The index finds what compare() says, from either side.
    ContactMatcher index;
    index.add(ka);
    QCOMPARE(index.find(kb).size(), std::size_t(confidence != int(C::None)));
    // Said to be two people, they never match again.
    if (confidence != int(C::None)) {
        const std::string uid = ContactUid::generate().toString();
        auto said = kb;
        said.uid = uid;
        auto other = ka;
        other.notSame = {uid};
        QCOMPARE(int(ContactMatcher::compare(other, said).confidence), int(C::None));
    }
}

// Fields are filled, differing values go into the memo labelled, and a second merge of the
// same card changes nothing.
void TestContactMatch::mergeKeepsEveryValue()
{
    AddressRecord kept = card("高橋 健二", "090-1111-2222", "", "古い友人");
    AddressRecord other = card("髙橋 健二", "080-3333-4444", "k@example.jp", "古い友人\r\n2階の奥");
    std::vector<ContactMerge::Difference> diffs;
    AddressRecord merged;
    QVERIFY(ContactMerge::fill(kept, other, merged, &diffs));
    QCOMPARE(diffs.size(), std::size_t(3)); // name, mobile, memo
    QCOMPARE(Cp932::toUtf8(merged.name()), std::string("高橋 健二"));
    QCOMPARE(Cp932::toUtf8(merged.email()), std::string("k@example.jp"));
    QCOMPARE(Cp932::toUtf8(merged.memo()),
             std::string("古い友人\r\n2階の奥\r\n名前：髙橋 健二\r\n携帯電話番号：080-3333-4444"));
    AddressRecord again;
    QVERIFY(ContactMerge::fill(merged, other, again));
    QVERIFY(again == merged);
    // A memo that cannot take the values refuses the merge rather than cut anything.
    AddressRecord full = card("高橋 健二", "", "", std::string(240, 'x').c_str());
    AddressRecord untouched = card("x", "", "");
    QVERIFY(!ContactMerge::fill(full, other, untouched));
    QCOMPARE(std::string(untouched.name()), std::string("x"));
}

VOK_TEST_APPLESS_MAIN(TestContactMatch)
#include "tst_contactmatch.moc"
