#include "ExchangeTestUtil.h"
#include "TestEnv.h"
#include "model/exchange/ContactBuilder.h"
#include "model/exchange/csv/CsvFile.h"
#include "model/exchange/csv/SpreadsheetCsv.h"
#include "model/exchange/vcard/VCardReader.h"
#include "model/exchange/vcard/VCardWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace ModelTest;
using namespace ExchangeTest;

namespace {

using B = ContactBuilder;

// Feeds "kind:types:value" steps to the builder; types are letters h w c f p (home, work,
// cell, fax, pref), parts of names and addresses are separated by "|".
void feed(ContactBuilder& b, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QString kind = step.section(u':', 0, 0);
        const QString t = step.section(u':', 1, 1);
        const std::string value = step.section(u':', 2).toStdString();
        const QStringList parts = step.section(u':', 2).split(u'|');
        const auto part = [&](int i) {
            return i < parts.size() ? parts[i].toStdString() : std::string();
        };
        unsigned types = 0;
        for (const auto& [letter, bit] : {std::pair{u'h', B::Home},
                                          {u'w', B::Work},
                                          {u'c', B::Cell},
                                          {u'f', B::Fax},
                                          {u'p', B::Pref}}) {
            if (t.contains(letter))
                types |= bit;
        }
        if (kind == u"fn")
            b.setFormattedName(value);
        else if (kind == u"n")
            b.setNameParts(part(0), part(1), part(2));
        else if (kind == u"tel")
            b.addPhone(value, types);
        else if (kind == u"email")
            b.addEmail(value, types);
        else if (kind == u"adr")
            b.addAddress({part(0), part(1), part(2), part(3), part(4), part(5), part(6)}, types);
        else if (kind == u"org")
            b.addCompany(value);
        else if (kind == u"note")
            b.addNote(value, types & B::Work);
        else if (kind == u"extra")
            b.addExtra(t.toStdString(), value);
        else if (kind == u"group")
            b.addGroupCandidate(value);
    }
}

} // namespace

class TestContactBuilder : public QObject
{
    Q_OBJECT
private slots:
    void place_data();
    void place();
    void labels_data();
    void labels();
    void missingGroups();
    void fileFailures();
};

void TestContactBuilder::place_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expect");
    QTest::newRow("the preferred mobile wins the field")
        << QStringList{"tel:c:080-1", "tel:cp:090-2"}
        << QStringList{"携帯電話番号=090-2", "メモ=携帯電話：080-1"};
    QTest::newRow("types route phones")
        << QStringList{"fn::A",       "tel::03-1",  "tel:h:03-2",  "tel:hf:03-3",
                       "tel:wf:03-4", "tel:w:03-5", "tel:wc:090-6"}
        << QStringList{"名前=A",
                       "電話番号=03-1",
                       "FAX番号=03-3",
                       "勤務先FAX番号=03-4",
                       "勤務先電話番号=03-5",
                       "携帯電話番号=090-6",
                       "メモ=電話：03-2"};
    QTest::newRow("a number longer than the sheet takes goes to the memo")
        << QStringList{"fn::A", "tel:w:+81-3-1234-5678 ext 9"}
        << QStringList{"名前=A", "メモ=勤務先電話：03-1234-5678 ext 9"};
    QTest::newRow("a full-width number is kept half-width in its field")
        << QStringList{"fn::A", "tel:c:０９０－１２３４－５６７８",
                       "tel::＋８１　３（１２３４）５６７８"}
        << QStringList{"名前=A", "携帯電話番号=090-1234-5678", "電話番号=03(1234)5678"};
    QTest::newRow("Japanese name parts, family first")
        << QStringList{"n::山田|太郎"} << QStringList{"名前=山田 太郎"};
    QTest::newRow("Latin name parts, family last")
        << QStringList{"n::Smith|John|Q"} << QStringList{"名前=John Q Smith"};
    QTest::newRow("no name: the company")
        << QStringList{"org::ACME", "email::a@b.jp"}
        << QStringList{"名前=ACME", "勤務先名=ACME", "電子メール=a@b.jp"};
    QTest::newRow("no name: the address")
        << QStringList{"email::a@b.jp"} << QStringList{"名前=a@b.jp", "電子メール=a@b.jp"};
    QTest::newRow("an empty FN stays empty")
        << QStringList{"fn::", "org::ACME"} << QStringList{"勤務先名=ACME"};
    QTest::newRow("Japanese address with building and a foreign country")
        << QStringList{"fn::A", "adr:w:|丸の内ビル5F|丸の内1-1|千代田区|東京都|100-0005|中国"}
        << QStringList{"名前=A", "勤務先郵便番号=100-0005",
                       "勤務先住所=東京都千代田区丸の内1-1\r\n丸の内ビル5F\r\n中国"};
    QTest::newRow("Latin address, Japan left out, second one in the memo")
        << QStringList{"fn::A", "adr:h:|Apt 5|1 Main St|Kyoto|Kyoto-fu|600-0001|Japan",
                       "adr:h:||2-2 本町|横浜市|神奈川県|231-0005|"}
        << QStringList{"名前=A", "郵便番号=600-0001", "住所=1 Main St, Apt 5, Kyoto, Kyoto-fu",
                       "メモ=住所：〒231-0005 神奈川県横浜市2-2 本町"};
    QTest::newRow("notes, extras and a second company in the memo")
        << QStringList{"fn::A",    "note::一\n二", "note:w:勤務先", "extra:誕生日:1980-01-02",
                       "org::X社", "org::Y社"}
        << QStringList{"名前=A", "勤務先名=X社", "勤務先メモ=勤務先",
                       "メモ=一\r\n二\r\n誕生日：1980-01-02\r\n勤務先：Y社"};
    QTest::newRow("line break in a one-line field")
        << QStringList{"fn::山田\r\n太郎"} << QStringList{"名前=山田 太郎"};
    QTest::newRow("group known in another letter case")
        << QStringList{"fn::A", "group::nobody", "group::FAMILY"}
        << QStringList{"名前=A", "グループ=Family"};
    QTest::newRow("unknown group wanted, service labels skipped")
        << QStringList{"fn::A", "group::* myContacts", "group::Starred in Android", "group::趣味",
                       "group::釣り"}
        << QStringList{"名前=A", "wanted=趣味"};
}

void TestContactBuilder::place()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expect);
    ContactBuilder b;
    feed(b, steps);
    QVERIFY(!b.empty());
    ImportResult r;
    b.finish(r, knownGroups(), "Other");
    QVERIFY(b.empty());
    const QString diff = mismatch(r, 0, expect);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestContactBuilder::labels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<unsigned>("types");
    QTest::newRow("Work Fax") << "Work Fax" << unsigned(B::Work | B::Fax);
    QTest::newRow("primary mobile") << "* Mobile" << unsigned(B::Cell | B::Pref);
    QTest::newRow("Japanese, no spaces") << "自宅FAX" << unsigned(B::Home | B::Fax);
    QTest::newRow("勤務先携帯") << "勤務先携帯" << unsigned(B::Work | B::Cell);
    QTest::newRow("a word inside another is not it") << "Homework" << 0u;
    QTest::newRow("other") << "Main" << 0u;
}

void TestContactBuilder::labels()
{
    QFETCH(QString, label);
    QFETCH(unsigned, types);
    QCOMPARE(ContactBuilder::typesOfLabel(label.toStdString()), types);
}

void TestContactBuilder::missingGroups()
{
    const ImportResult r = CsvFile::ImportText(
        "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,private\r\n" +
        sjis("a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,友人\r\n") +
        "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,Golf\r\na,b,c,d,e,f,g,h,i,j,k,l,m,n,o,GOLF\r\n");
    QCOMPARE(r.records.size(), std::size_t(4));
    QCOMPARE(r.missingGroups(knownGroups()), (std::vector<std::string>{sjis("友人"), "Golf"}));
    const ImportResult v =
        VCardReader::read("BEGIN:VCARD\r\nFN:A\r\nCATEGORIES:Golf\r\nEND:VCARD\r\n", knownGroups());
    QCOMPARE(v.missingGroups(knownGroups()), std::vector<std::string>{"Golf"});
}

void TestContactBuilder::fileFailures()
{
    QTemporaryDir dir(TestEnv::root() + QStringLiteral("/x-XXXXXX"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(::mkfifo(local(dir.filePath(QStringLiteral("fifo"))).c_str(), 0600), 0);
    for (const QString& name :
         {QStringLiteral("absent"), QStringLiteral("folder"), QStringLiteral("fifo")}) {
        const std::string path = local(dir.filePath(name));
        QCOMPARE(VCardReader::readFile(path, knownGroups()).status,
                 ImportResult::Status::OpenFailed);
        QCOMPARE(CsvFile::ImportFile(path).status, ImportResult::Status::OpenFailed);
    }
    const std::string nowhere = local(dir.filePath(QStringLiteral("missing/out")));
    QCOMPARE(VCardWriter::write(nowhere, {}), FileIo::WriteStatus::CreateFailed);
    QCOMPARE(SpreadsheetCsv::write(nowhere, {}), FileIo::WriteStatus::CreateFailed);
    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        std::vector<std::string> readings;
        const auto book = trickyBook(readings);
        QCOMPARE(VCardWriter::write("/dev/full", pointers(book)), FileIo::WriteStatus::WriteFailed);
    }
}

VOK_TEST_APPLESS_MAIN(TestContactBuilder)
#include "tst_contactbuilder.moc"
