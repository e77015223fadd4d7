#include "ExchangeTestUtil.h"
#include "TestEnv.h"
#include "model/exchange/ContentSniffer.h"
#include "model/exchange/csv/CsvFile.h"
#include "model/exchange/csv/CsvHeaderGuess.h"
#include "model/exchange/csv/ForeignCsv.h"
#include "model/exchange/csv/SpreadsheetCsv.h"

using namespace ModelTest;
using namespace ExchangeTest;

namespace {

std::vector<std::string> cells(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

QStringList labels(const std::vector<CsvColumn>& columns)
{
    QStringList out;
    for (const CsvColumn& c : columns)
        out << QString::fromStdString(c.label());
    return out;
}

} // namespace

class TestForeignCsv : public QObject
{
    Q_OBJECT
private slots:
    void encoding_data();
    void encoding();
    void chosenEncoding();
    void header_data();
    void header();
    void apply_data();
    void apply();
    void ownFormat_data();
    void ownFormat();
    void spreadsheetRoundTrip();
    void sniff_data();
    void sniff();
};

void TestForeignCsv::encoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("text");
    using E = ForeignCsv::Encoding;
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF名前") << int(E::Utf8Bom) << "名前";
    QTest::newRow("UTF-8") << QByteArray("名前,メール") << int(E::Utf8) << "名前,メール";
    QTest::newRow("ASCII") << QByteArray("Name") << int(E::Utf8) << "Name";
    QTest::newRow("CP932, wave dash as Windows reads it")
        << sj("名前,表〜") << int(E::Cp932) << "名前,表～";
    QTest::newRow("UTF-16") << utf16le("氏名,𠮷") << int(E::Utf16) << "氏名,𠮷";
}

void TestForeignCsv::encoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, text);
    const ForeignCsv::Encoding e = ForeignCsv::detectEncoding(sv(bytes));
    QCOMPARE(int(e), encoding);
    QCOMPARE(QString::fromStdString(ForeignCsv::decode(sv(bytes), e)), text);
}

// Half-width kana in CP932 can look like UTF-8; the user's choice reads the file again.
void TestForeignCsv::chosenEncoding()
{
    const QByteArray bytes = "Name,Email\r\n" + sj("ﾂｱ") + ",a@example.jp\r\n";
    QCOMPARE(int(ForeignCsv::detectEncoding(sv(bytes))), int(ForeignCsv::Encoding::Utf8));
    const ForeignCsv::Plan plan = ForeignCsv::guessPlan(sv(bytes), ForeignCsv::Encoding::Cp932);
    QVERIFY(plan.hasHeader);
    const ImportResult r = ForeignCsv::apply(sv(bytes), plan, knownGroups());
    QVERIFY(mismatch(r, 0, {"名前=ﾂｱ", "電子メール=a@example.jp"}).isEmpty());
}

void TestForeignCsv::header_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<bool>("isHeader");
    QTest::addColumn<QStringList>("targets");
    QTest::newRow("Japanese spreadsheet")
        << QStringList{"氏名",     "ふりがな", "メールアドレス", "電話",   "携帯",   "〒",
                       "都道府県", "市区町村", "番地",           "建物名", "会社名", "部署",
                       "備考",     "グループ", "役職",           "趣味"}
        << true
        << QStringList{"名前",
                       "フリガナ",
                       "電子メール",
                       "電話番号",
                       "携帯電話番号",
                       "郵便番号",
                       "住所（都道府県）",
                       "住所（市区町村）",
                       "住所（番地）",
                       "住所（建物名）",
                       "勤務先名",
                       "勤務先名（部署）",
                       "メモ",
                       "グループ",
                       "役職",
                       "取り込まない"};
    QTest::newRow("family and given, full-width forms")
        << QStringList{"姓", "名", "姓（フリガナ）", "メイ", "ＦＡＸ", "勤務先　電話番号", "読み"}
        << true << QStringList{"名前（姓）", "名前（名）",     "フリガナ（姓）", "フリガナ（名）",
                               "FAX番号",    "勤務先電話番号", "フリガナ"};
    QTest::newRow("English") << QStringList{"Name",           "First Name",   "Last Name",
                                            "E-mail Address", "Phone",        "Mobile Phone",
                                            "Business Phone", "Home Address", "Company",
                                            "Notes",          "Categories",   "Yomi"}
                             << true << QStringList{"名前",           "名前（名）", "名前（姓）",
                                                    "電子メール",     "電話番号",   "携帯電話番号",
                                                    "勤務先電話番号", "住所",       "勤務先名",
                                                    "メモ",           "グループ",   "フリガナ"};
    QTest::newRow("Thunderbird") << QStringList{"Display Name", "Primary Email", "Work Phone",
                                                "Fax Number",   "Home ZipCode",  "Work City",
                                                "Organization", "Web Page 1"}
                                 << true << QStringList{"名前",           "電子メール",
                                                        "勤務先電話番号", "FAX番号",
                                                        "郵便番号",       "勤務先住所（市区町村）",
                                                        "勤務先名",       "メモ（見出し付き）"};
    QTest::newRow("our own spreadsheet header")
        << QStringList{"名前",       "フリガナ",       "電子メール",       "郵便番号",
                       "住所",       "電話番号",       "携帯電話番号",     "FAX番号",
                       "メモ",       "勤務先名",       "勤務先電子メール", "勤務先郵便番号",
                       "勤務先住所", "勤務先電話番号", "勤務先FAX番号",    "勤務先メモ",
                       "グループ"}
        << true << QStringList{"名前",       "フリガナ",       "電子メール",       "郵便番号",
                               "住所",       "電話番号",       "携帯電話番号",     "FAX番号",
                               "メモ",       "勤務先名",       "勤務先電子メール", "勤務先郵便番号",
                               "勤務先住所", "勤務先電話番号", "勤務先FAX番号",    "勤務先メモ",
                               "グループ"};
    QTest::newRow("a contact, not a header")
        << QStringList{"名前", "taro@example.jp", "メモ"} << false
        << QStringList{"名前", "取り込まない", "メモ"};
    QTest::newRow("phone number in the row")
        << QStringList{"電話", "0312345678"} << false << QStringList{"電話番号", "取り込まない"};
    QTest::newRow("unknown words") << QStringList{"foo", "bar", "氏名"} << true
                                   << QStringList{"取り込まない", "取り込まない", "名前"};
    QTest::newRow("mostly unknown")
        << QStringList{"山田", "東京", "氏名", "x", "y"} << false
        << QStringList{"取り込まない", "取り込まない", "名前", "取り込まない", "取り込まない"};
}

void TestForeignCsv::header()
{
    QFETCH(QStringList, row);
    QFETCH(bool, isHeader);
    QFETCH(QStringList, targets);
    QCOMPARE(CsvHeaderGuess::looksLikeHeader(cells(row)), isHeader);
    QCOMPARE(labels(CsvHeaderGuess::guessAll(cells(row))), targets);
}

void TestForeignCsv::apply_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<int>("refusedLine");

    QTest::newRow("UTF-8 with mark, header, quoted commas and line breaks")
        << QByteArray("\xEF\xBB\xBF氏名,フリガナ,メールアドレス,郵便番号,都道府県,市区町村,番地,"
                      "建物名,会社名,部署,備考,グループ,役職\r\n"
                      "山田 太郎,やまだ たろう,taro@example.jp,100-0001,東京都,千代田区,"
                      "千代田1-1,\"皇居ビル, 5F\",\"株式会社A, B支店\",営業部,"
                      "\"一行目\n\"\"二\"\"行目\",家族,課長\r\n"
                      "鈴木,,,,,,,,,,,,\r\n")
        << 2
        << QStringList{"名前=山田 太郎",
                       "フリガナ=やまだ たろう",
                       "電子メール=taro@example.jp",
                       "郵便番号=100-0001",
                       "住所=東京都千代田区千代田1-1\r\n皇居ビル, 5F",
                       "勤務先名=株式会社A, B支店",
                       "部署=営業部",
                       "役職=課長",
                       "メモ=一行目\r\n\"二\"行目",
                       "グループ=家族"}
        << 0;
    QTest::newRow("Outlook in Japanese, CP932")
        << sj("姓,名,電子メール アドレス,自宅電話,携帯電話,会社ファックス,会社名,勤務先番地,"
              "勤務先市区町村,勤務先都道府県,勤務先郵便番号,勤務先国/地域,分類項目\r\n"
              "鈴木,一郎,ichiro@example.jp,045-000-1111,070-1234-5678,03-0000-2222,鈴木商事,"
              "本町2-2,横浜市中区,神奈川県,231-0005,日本,Friends;business\r\n")
        << 1
        << QStringList{"名前=鈴木 一郎",
                       "電子メール=ichiro@example.jp",
                       "電話番号=045-000-1111",
                       "携帯電話番号=070-1234-5678",
                       "勤務先FAX番号=03-0000-2222",
                       "勤務先名=鈴木商事",
                       "勤務先郵便番号=231-0005",
                       "勤務先住所=神奈川県横浜市中区本町2-2",
                       "グループ=Business"}
        << 0;
    // Types in their own columns: "Mobile" and "Work" route the values of one row.
    QTest::newRow("Google Contacts")
        << QByteArray("Name,Given Name,Family Name,Given Name Yomi,Family Name Yomi,Birthday,"
                      "Notes,Group Membership,E-mail 1 - Type,E-mail 1 - Value,E-mail 2 - Type,"
                      "E-mail 2 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,"
                      "Phone 2 - Value,Address 1 - Type,Address 1 - Formatted,"
                      "Address 1 - Street,Address 1 - City,Address 1 - Region,"
                      "Address 1 - Postal Code,Organization 1 - Name\n"
                      ",次郎,佐藤,じろう,さとう,1980-01-02,メモです,* myContacts ::: Friends,"
                      "* Home,jiro@example.com ::: jiro2@example.com,Work,jiro@corp.example,Mobile,"
                      "080-2222-3333 ::: 090-4444-5555,"
                      "Work,03-9999-0000,Work,\"丸の内1-1\n千代田区 東京都\",丸の内1-1,千代田区,"
                      "東京都,100-0005,株式会社B\n")
        << 1
        << QStringList{"名前=佐藤 次郎",
                       "フリガナ=さとう じろう",
                       "電子メール=jiro@example.com",
                       "勤務先電子メール=jiro@corp.example",
                       "携帯電話番号=080-2222-3333",
                       "勤務先電話番号=03-9999-0000",
                       "勤務先郵便番号=100-0005",
                       "勤務先住所=東京都千代田区丸の内1-1",
                       "勤務先名=株式会社B",
                       "メモ=メモです\r\n誕生日：1980-01-02\r\n携帯電話：090-4444-5555\r\n"
                       "メール：jiro2@example.com",
                       "wanted=Friends"}
        << 0;
    QTest::newRow("no header, CP932, guessed from the contents")
        << sj("山田太郎,taro@example.jp,090-1234-5678,100-0001,東京都千代田区千代田1-1\r\n"
              "鈴木花子,hanako@example.jp,080-1234-5678,〒231-0005,神奈川県横浜市中区本町2-2\r\n")
        << 2
        << QStringList{"名前=山田太郎", "電子メール=taro@example.jp", "携帯電話番号=090-1234-5678",
                       "郵便番号=100-0001", "住所=東京都千代田区千代田1-1"}
        << 0;
    QTest::newRow("tab-separated UTF-16")
        << utf16le("名前\tメール\r\n山田\ty@example.jp\r\n") << 1
        << QStringList{"名前=山田", "電子メール=y@example.jp"} << 0;
    QTest::newRow("blank row skipped, row with nothing refused")
        << QByteArray("名前,メール,趣味\r\nA,a@example.jp,x\r\n,,\r\n,,釣り\r\nB,,\r\n") << 2
        << QStringList{"名前=A", "電子メール=a@example.jp"} << 4;
    QTest::newRow("characters outside CP932")
        << QByteArray("氏名,会社\n𠮷田 😀,株式会社𠮷\n") << 1
        << QStringList{"名前=〓田 〓", "勤務先名=株式会社〓"} << 0;
}

void TestForeignCsv::apply()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QStringList, first);
    QFETCH(int, refusedLine);
    QVERIFY(!ForeignCsv::isOwnFormat(sv(bytes)));
    const ForeignCsv::Plan plan = ForeignCsv::guessPlan(sv(bytes));
    const ImportResult r = ForeignCsv::apply(sv(bytes), plan, knownGroups());
    QCOMPARE(int(r.records.size()), count);
    const QString diff = mismatch(r, 0, first);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(int(r.refused.size()), refusedLine ? 1 : 0);
    if (refusedLine)
        QCOMPARE(int(r.refused[0].line), refusedLine);
    // The preview shows the same first contact, and the rows after the header.
    const ImportResult shown = ForeignCsv::apply(sv(bytes), plan, knownGroups(), 1);
    QCOMPARE(shown.records.size(), std::size_t(1));
    QVERIFY(*shown.records[0] == *r.records[0]);
    const ForeignCsv::Table rows = ForeignCsv::preview(sv(bytes), plan, 1);
    QCOMPARE(rows.rows.size(), std::size_t(1));
    QCOMPARE(rows.lines[0], plan.hasHeader ? std::size_t(2) : std::size_t(1));
}

void TestForeignCsv::ownFormat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("own");
    std::vector<std::string> readings;
    const auto book = trickyBook(readings);
    QTest::newRow("our legacy export, quoted values too")
        << qb(CsvFile::Format(pointers(book))) << true;
    QTest::newRow("an older copy's line of seventeen fields")
        << sj("a,b,c,d,e,f,g,h,株式会社A, B支店,j,k,l,m,n,o,Private\r\n") << true;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("UTF-8") << QByteArray("山田,a,b,c,d,e,f,g,h,i,j,k,l,m,n,Private\r\n") << false;
    QTest::newRow("mark") << QByteArray("\xEF\xBB\xBF"
                                        "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,P\r\n")
                          << false;
    QTest::newRow("header of sixteen")
        << sj("名前,メール,郵便番号,住所,電話,携帯,FAX,メモ,会社,勤務先メール,勤務先郵便番号,"
              "勤務先住所,会社電話,会社FAX,会社メモ,グループ\r\n")
        << false;
    QTest::newRow("five columns") << sj("山田,a@b,03,100,東京\r\n") << false;
    QTest::newRow("empty group") << QByteArray("a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,\r\n") << false;
    const QByteArray good("a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,Private\r\n");
    QTest::newRow("ours, with words that name columns")
        << QByteArray("Name,mail,,,,,,,,,,,,,,Private\r\n") << true;
    QTest::newRow("one damaged line among ours") << good + good + "c,,,\r\n" + good << true;
    QTest::newRow("as many damaged lines as good") << good + "c,,,\r\n" << false;
    // Names that are no column we know still make a header above contacts.
    const QByteArray contact("Taro,taro@example.jp,,,,,,,,,,,,,,Private\r\n");
    QTest::newRow("sixteen unknown names above contacts")
        << "Feld1,Feld2,Feld3,Feld4,Feld5,Feld6,Feld7,Feld8,Feld9,Feld10,Feld11,Feld12,Feld13,"
           "Feld14,Feld15,Feld16\r\n" +
               contact + contact
        << false;
    QTest::newRow("seventeen unknown names and an unnamed column")
        << sj("項目1,項目2,項目3,項目4,項目5,項目6,項目7,項目8,項目9,項目10,項目11,項目12,項目13,"
              "項目14,項目15,項目16,項目17,\r\n") +
               "Taro,a,b,c,d,e,f,g,h,i,j,k,l,m,n,Private,,\r\n"
        << false;
}

void TestForeignCsv::ownFormat()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, own);
    QCOMPARE(ForeignCsv::isOwnFormat(sv(bytes)), own);
}

// The spreadsheet CSV reads back through the import preview's guesses to the same contacts.
void TestForeignCsv::spreadsheetRoundTrip()
{
    std::vector<std::string> readings;
    const auto book = trickyBook(readings);
    const std::vector<const AddressRecord*> chosen = pointers(book);
    const std::string text = SpreadsheetCsv::format(chosen, [&](const AddressRecord& r) {
        return readings[std::size_t(std::find(chosen.begin(), chosen.end(), &r) - chosen.begin())];
    });
    QVERIFY(text.starts_with("\xEF\xBB\xBF名前,フリガナ,電子メール,"));
    const ForeignCsv::Plan plan = ForeignCsv::guessPlan(text);
    QVERIFY(plan.hasHeader);
    const ImportResult back = ForeignCsv::apply(text, plan, knownGroups());
    QCOMPARE(back.records.size(), book.size());
    QVERIFY(back.replaced.empty() && back.cut.empty() && back.refused.empty());
    for (std::size_t i = 0; i < book.size(); ++i) {
        for (int f = 0; f < AddressRecord::FieldCount; ++f)
            QCOMPARE(qb(back.records[i]->field(f)), qb(book[i]->field(f)));
        QCOMPARE(back.readings[i], readings[i]);
    }
}

void TestForeignCsv::sniff_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("kind");
    using K = ContentSniffer::Kind;
    QTest::newRow("vCard") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\n") << int(K::VCard);
    QTest::newRow("vCard after a mark and blank lines, lower case")
        << QByteArray("\xEF\xBB\xBF\r\n\r\nbegin:vcard\r\n") << int(K::VCard);
    QTest::newRow("UTF-16 vCard, cut in the middle")
        << utf16le("BEGIN:VCARD\r\nFN:A").left(25) << int(K::VCard);
    QTest::newRow("our CSV") << sj("山田,a,b\r\n") << int(K::Csv);
    QTest::newRow("UTF-8 CSV with a vCard in a cell")
        << QByteArray("名前,メモ\r\nA,BEGIN:VCARD\r\n") << int(K::Csv);
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                               << int(K::Unknown);
}

void TestForeignCsv::sniff()
{
    QFETCH(QByteArray, head);
    QFETCH(int, kind);
    QCOMPARE(int(ContentSniffer::sniff(sv(head))), kind);
}

VOK_TEST_APPLESS_MAIN(TestForeignCsv)
#include "tst_foreigncsv.moc"
