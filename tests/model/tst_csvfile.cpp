#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/book/GroupName.h"
#include "model/exchange/ExchangeText.h"
#include "model/exchange/csv/CsvFile.h"
#include "model/storage/AddressFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace ModelTest;

namespace {

// A line of sixteen fields "v0,v1,...,v14,<group>" with one field replaced.
QByteArray line(const QByteArray& group = "Private", int field = -1, const QByteArray& value = {})
{
    QByteArrayList f;
    for (int i = 0; i < 15; ++i)
        f << "v" + QByteArray::number(i);
    f << group;
    if (field >= 0)
        f[field] = value;
    return f.join(',');
}

QByteArray rep(const char* utf8, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += qb(sjis(utf8));
    return out;
}

} // namespace

class TestCsvFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void escape_data();
    void escape();
    void unescape_data();
    void unescape();
    void import_data();
    void import();
    void importAppendsTwice();
    void importMonstrousLine_data();
    void importMonstrousLine();
    void importProgress();
    void importOpenFailed_data();
    void importOpenFailed();
    void exportGroup_data();
    void exportGroup();
    void exportLineBreaks_data();
    void exportLineBreaks();
    void exportLongFieldsOneLine();
    void roundTrip();
    void importGoesOnPastBadLines();
    void exportFailures_data();
    void exportFailures();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCsvFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/csv-XXXXXX"));
    QVERIFY(m_dir->isValid());
}

void TestCsvFile::escape_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("escaped");
    QTest::newRow("no break") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << QByteArray("a\\nb");
    QTest::newRow("two CR LF") << QByteArray("a\r\n\r\nb") << QByteArray("a\\n\\nb");
    QTest::newRow("lone CR keeps next byte") << QByteArray("a\rb") << QByteArray("a\\nb");
    QTest::newRow("lone LF") << QByteArray("a\nb") << QByteArray("a\\nb");
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QByteArray("a\\n\\nb");
    QTest::newRow("CR at end") << QByteArray("a\r") << QByteArray("a\\n");
    QTest::newRow("kanji kept") << qb(sjis("表\r\nソ")) << qb(sjis("表")) + "\\n" + qb(sjis("ソ"));
}

void TestCsvFile::escape()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, escaped);
    QCOMPARE(qb(CsvFile::EscapeLineBreaks(sv(text))), escaped);
}

void TestCsvFile::unescape_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("backslash n") << QByteArray("a\\nb") << QByteArray("a\r\nb");
    QTest::newRow("backslash at end") << QByteArray("a\\") << QByteArray("a\\");
    QTest::newRow("backslash other") << QByteArray("a\\tb") << QByteArray("a\\tb");
    QTest::newRow("double backslash n") << QByteArray("\\\\n") << QByteArray("\\\r\n");
    QTest::newRow("hyo then n") << qb(sjis("表n")) << qb(sjis("表n"));
    QTest::newRow("so then n") << qb(sjis("ソn")) << qb(sjis("ソn"));
    QTest::newRow("hyo then escape") << qb(sjis("表")) + "\\n" << qb(sjis("表")) + "\r\n";
    QTest::newRow("half-width kana then escape") << QByteArray("\xB1\\n") << QByteArray("\xB1\r\n");
}

void TestCsvFile::unescape()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, plain);
    QCOMPARE(qb(CsvFile::UnescapeLineBreaks(sv(text))), plain);
}

void TestCsvFile::import_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("errorLine");
    QTest::addColumn<int>("field"); // a field of the first record to look at
    QTest::addColumn<QByteArray>("value");

    const int ok = int(CsvFile::ReadStatus::Ok);
    const int bad = int(CsvFile::ReadStatus::FormatError);
    QTest::newRow("CR LF") << line() + "\r\n" + line("Other") + "\r\n"
                           << ok << 2 << 0 << 15 << QByteArray("Private");
    QTest::newRow("LF only") << line() + "\n" + line("Other") + "\n"
                             << ok << 2 << 0 << 0 << QByteArray("v0");
    QTest::newRow("no last line end")
        << line() + "\r\n" + line("Other") << ok << 2 << 0 << 14 << QByteArray("v14");
    QTest::newRow("empty file") << QByteArray() << ok << 0 << 0 << -1 << QByteArray();
    QTest::newRow("quotes removed")
        << QByteArray("\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\",\"j\",\"k\",\"l\","
                      "\"m\",\"n\",\"o\",\"Private\"\r\n")
        << ok << 1 << 0 << 15 << QByteArray("Private");
    QTest::newRow("quote inside a value is lost")
        << line("Private", 0, "say \"hi\"") << ok << 1 << 0 << 0 << QByteArray("say hi");
    QTest::newRow("comma shifts later fields")
        << line("Private", 0, "a,b") << ok << 1 << 0 << 15 << QByteArray("v14");
    QTest::newRow("comma: second half")
        << line("Private", 0, "a,b") << ok << 1 << 0 << 1 << QByteArray("b");
    QTest::newRow("blank line stops") << line() + "\r\n\r\n" + line() + "\r\n"
                                      << bad << 1 << 2 << 0 << QByteArray("v0");
    QTest::newRow("blank line at end") << line() + "\r\n" + line() + "\r\n\r\n"
                                       << bad << 2 << 3 << 0 << QByteArray("v0");
    QTest::newRow("CR only") << line() + "\r" + line("Other") + "\r" << ok << 2 << 0 << 15
                             << QByteArray("Private");
    QTest::newRow("CR CR LF") << line() + "\r\r\n" + line("Other") + "\r\r\n"
                              << ok << 2 << 0 << 15 << QByteArray("Private");
    QTest::newRow("quoted comma") << line("Private", 8, "\"" + qb(sjis("株式会社A, B支店")) + "\"")
                                  << ok << 1 << 0 << 8 << qb(sjis("株式会社A, B支店"));
    QTest::newRow("quoted doubled quote") << line("Private", 0, "\"say \"\"hi\"\"\"") << ok << 1
                                          << 0 << 0 << QByteArray("say \"hi\"");
    QTest::newRow("quoted memo spans lines") << line("Private", 7, "\"a\nb,c\"") + "\r\n" + line()
                                             << ok << 2 << 0 << 7 << QByteArray("a\r\nb,c");
    QTest::newRow("quoted break in name is a space")
        << line("Private", 0, "\"a\r\nb\"") << ok << 1 << 0 << 0 << QByteArray("a b");
    QTest::newRow("unclosed quote read as before")
        << line("Private", 0, "\"abc") + "\r\n" + line() << ok << 2 << 0 << 0 << QByteArray("abc");
    QTest::newRow("empty group") << line() + "\n" + line("") + "\n" + line() << bad << 1 << 2 << 0
                                 << QByteArray("v0");
    QTest::newRow("quoted empty group") << line("\"\"") << bad << 0 << 1 << -1 << QByteArray();
    QTest::newRow("fifteen fields")
        << QByteArray("a,b,c,d,e,f,g,h,i,j,k,l,m,n,Private") << bad << 0 << 1 << -1 << QByteArray();
    QTest::newRow("seventeen fields keep sixteen")
        << line() + ",extra,more" << ok << 1 << 0 << 15 << QByteArray("Private");
    QTest::newRow("memo unescaped")
        << line("Private", 7, "a\\nb") << ok << 1 << 0 << 7 << QByteArray("a\r\nb");
    QTest::newRow("office memo unescaped")
        << line("Private", 14, "\\n") << ok << 1 << 0 << 14 << QByteArray("\r\n");
    QTest::newRow("name not unescaped")
        << line("Private", 0, "a\\nb") << ok << 1 << 0 << 0 << QByteArray("a\\nb");
    QTest::newRow("hyo n in address")
        << line("Private", 3, qb(sjis("代表n"))) << ok << 1 << 0 << 3 << qb(sjis("代表n"));
    QTest::newRow("so n in memo") << line("Private", 7, qb(sjis("ソnソ\\n"))) << ok << 1 << 0 << 7
                                  << qb(sjis("ソnソ")) + "\r\n";
    QTest::newRow("over-long name cut")
        << line("Private", 0, "a" + rep("あ", 70)) << ok << 1 << 0 << 0 << "a" + rep("あ", 63);
    QTest::newRow("over-long group cut")
        << line(rep("友", 15)) << ok << 1 << 0 << 15 << rep("友", 9);
    QTest::newRow("over-long memo cut after unescape")
        << line("Private", 7, QByteArray(258, 'm') + "\\nzz") << ok << 1 << 0 << 7
        << QByteArray(258, 'm');
    // A line far longer than any record: one contact, and the next line another.
    QTest::newRow("long line stays one contact")
        << line("Private", 3, rep("住", 3000)) + "\r\n" + line("Other") << ok << 2 << 0 << 3
        << rep("住", 129);
    QTest::newRow("long line: group found")
        << line("Private", 3, QByteArray(5000, 'x')) << ok << 1 << 0 << 15 << QByteArray("Private");
}

void TestCsvFile::import()
{
    QFETCH(QByteArray, text);
    QFETCH(int, status);
    QFETCH(int, added);
    QFETCH(int, errorLine);
    QFETCH(int, field);
    QFETCH(QByteArray, value);
    const QString path = m_dir->filePath(QStringLiteral("in.txt"));
    QVERIFY(writeAll(path, text));
    RecordList list;
    const CsvFile::ReadResult r = CsvFile::Read(local(path), list);
    QCOMPARE(int(r.status), status);
    QCOMPARE(int(r.added), added);
    QCOMPARE(int(r.line), errorLine);
    QCOMPARE(int(list.size()), added);
    if (field >= 0)
        QCOMPARE(qb(list.at(0)->field(field)), value);
    for (const auto& rec : list) {
        QVERIFY(!rec->group().empty());
        for (int i = 0; i < AddressRecord::FieldCount; ++i)
            QVERIFY(rec->field(i).size() < AddressRecord::SlotWidth[std::size_t(i)]);
    }
    // The same from memory.
    RecordList again;
    const CsvFile::ReadResult m = CsvFile::ReadText(sv(text), again);
    QCOMPARE(int(m.status), status);
    QCOMPARE(int(m.added), added);
    QCOMPARE(int(m.line), errorLine);
}

void TestCsvFile::importAppendsTwice()
{
    const QString path = m_dir->filePath(QStringLiteral("in.txt"));
    QVERIFY(writeAll(path, line("A") + "\r\n" + line("B") + "\r\n"));
    RecordList list;
    list.AppendRecord(tagged(0, "Other"));
    QCOMPARE(CsvFile::Read(local(path), list).added, std::size_t(2));
    QCOMPARE(CsvFile::Read(local(path), list).added, std::size_t(2));
    QCOMPARE(list.size(), std::size_t(5));
    QCOMPARE(qb(list.at(0)->group()), QByteArray("Other"));
    QCOMPARE(qb(list.at(1)->group()), QByteArray("A"));
    QCOMPARE(qb(list.at(2)->group()), QByteArray("B"));
    QCOMPARE(qb(list.at(3)->group()), QByteArray("A"));
    QVERIFY(*list.at(1) == *list.at(3));
}

void TestCsvFile::importMonstrousLine_data()
{
    QTest::addColumn<bool>("lineEnd");
    QTest::newRow("ended by LF") << true;
    QTest::newRow("never ended") << false;
}

void TestCsvFile::importMonstrousLine()
{
    QFETCH(bool, lineEnd);
    QByteArray text =
        line() + "\r\n" + line("Private", 3, QByteArray(int(CsvFile::MaxLineBytes), 'x'));
    if (lineEnd)
        text += "\r\n" + line();
    const QString path = m_dir->filePath(QStringLiteral("in.txt"));
    QVERIFY(writeAll(path, text));
    RecordList list;
    const auto r = CsvFile::Read(local(path), list);
    QCOMPARE(r.status, CsvFile::ReadStatus::FormatError);
    QCOMPARE(r.line, std::size_t(2));
    QCOMPARE(r.added, std::size_t(1));
    QCOMPARE(list.size(), std::size_t(1));
    // Just below the bound it is an ordinary contact, its address cut to the slot.
    RecordList fits;
    const QByteArray big = line("Private", 3, QByteArray(int(CsvFile::MaxLineBytes) - 200, 'x'));
    const auto ok = CsvFile::ReadText(sv(big), fits);
    QCOMPARE(ok.status, CsvFile::ReadStatus::Ok);
    QCOMPARE(fits.at(0)->address().size(), std::size_t(259));
}

void TestCsvFile::importProgress()
{
    QByteArray text;
    for (int i = 0; i < 25; ++i)
        text += line() + "\r\n";
    const QString path = m_dir->filePath(QStringLiteral("in.txt"));
    QVERIFY(writeAll(path, text));
    RecordList list;
    std::vector<std::size_t> lines;
    std::uint64_t lastBytes = 0;
    std::uint64_t total = 0;
    const auto r = CsvFile::Read(
        local(path), list,
        [&](std::size_t n, std::uint64_t bytes, std::uint64_t all) {
            lines.push_back(n);
            QVERIFY(bytes >= lastBytes);
            lastBytes = bytes;
            total = all;
        },
        10);
    QCOMPARE(r.added, std::size_t(25));
    QCOMPARE(lines, (std::vector<std::size_t>{10, 20}));
    QCOMPARE(total, std::uint64_t(text.size()));
}

void TestCsvFile::importOpenFailed_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("absent") << QStringLiteral("absent");
    QTest::newRow("a folder") << QStringLiteral("dir");
    QTest::newRow("a FIFO") << QStringLiteral("fifo");
}

void TestCsvFile::importOpenFailed()
{
    QFETCH(QString, what);
    const QString path = m_dir->filePath(QStringLiteral("in.txt"));
    if (what == u"dir")
        QVERIFY(QDir().mkpath(path));
    else if (what == u"fifo")
        QCOMPARE(::mkfifo(local(path).c_str(), 0600), 0);
    RecordList list;
    const auto r = CsvFile::Read(local(path), list);
    QCOMPARE(r.status, CsvFile::ReadStatus::OpenFailed);
    QCOMPARE(r.added, std::size_t(0));
    QVERIFY(list.empty());
}

void TestCsvFile::exportGroup_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QList<int>>("records");
    QTest::newRow("root") << QByteArray("VOK_Address") << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("root any case") << QByteArray("vok_ADDRESS") << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("group any case") << QByteArray("private") << QList<int>{0, 2, 5};
    QTest::newRow("double-byte group") << qb(sjis("友人")) << QList<int>{3};
    QTest::newRow("empty group") << QByteArray("Nobody") << QList<int>{};
    QTest::newRow("no prefix match") << QByteArray("Priv") << QList<int>{};
}

void TestCsvFile::exportGroup()
{
    QFETCH(QByteArray, group);
    QFETCH(QList<int>, records);
    RecordList list;
    const char* groups[] = {"Private", "Business", "PRIVATE", "友人", "Other", "PriVate"};
    for (int i = 0; i < 6; ++i)
        list.AppendRecord(tagged(i, sjis(groups[i])));
    const QString path = m_dir->filePath(QStringLiteral("out.txt"));
    QVERIFY(writeAll(path, "old contents"));
    QCOMPARE(CsvFile::Write(local(path), list, sv(group)), CsvFile::WriteStatus::Ok);
    QByteArray expected;
    for (int i : records) {
        QByteArrayList f;
        for (int k = 0; k < 15; ++k)
            f << QByteArray("n") + QByteArray::number(i) + "-f" +
                     QByteArray::number(k).rightJustified(2, '0');
        f << qb(sjis(groups[i]));
        expected += f.join(',') + "\r\n";
    }
    QCOMPARE(readAll(path), expected);
}

void TestCsvFile::exportLineBreaks_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("memo CR LF") << int(AddressRecord::Memo) << QByteArray("a\r\nb")
                                << QByteArray("a\\nb");
    QTest::newRow("address lone CR")
        << int(AddressRecord::Address) << QByteArray("a\rb") << QByteArray("a\\nb");
    QTest::newRow("office memo lone LF")
        << int(AddressRecord::OfficeMemo) << QByteArray("a\nb") << QByteArray("a\\nb");
    // A break in a one-line field (a hand-made data file) must not split the contact either.
    QTest::newRow("name with LF") << int(AddressRecord::Name) << QByteArray("a\nb")
                                  << QByteArray("a\\nb");
    QTest::newRow("comma and quote quoted") << int(AddressRecord::Company) << QByteArray("A, \"B\"")
                                            << QByteArray(",\"A, \"\"B\"\"\",");
    QTest::newRow("quoted memo keeps its escape")
        << int(AddressRecord::Memo) << QByteArray("a,\r\nb") << QByteArray(",\"a,\\nb\",");
}

void TestCsvFile::exportLineBreaks()
{
    QFETCH(int, field);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, written);
    RecordList list;
    list.AppendRecord(tagged(0, "Private"))->setField(field, sv(text));
    const QString path = m_dir->filePath(QStringLiteral("out.txt"));
    QCOMPARE(CsvFile::Write(local(path), list, "VOK_Address"), CsvFile::WriteStatus::Ok);
    const QByteArray out = readAll(path);
    QVERIFY(out.endsWith("\r\n"));
    QCOMPARE(out.count('\n'), 1);
    QCOMPARE(out.count('\r'), 1);
    QVERIFY(out.contains(written));
}

void TestCsvFile::exportLongFieldsOneLine()
{
    RecordList list;
    auto* r = list.AppendRecord(tagged(0, "Business"));
    const int multi[] = {AddressRecord::Address, AddressRecord::Memo, AddressRecord::OfficeAddress,
                         AddressRecord::OfficeMemo};
    for (int f : multi)
        r->setField(f, sv(rep("長", 60) + "\r\n" + rep("文", 64)));
    const QString path = m_dir->filePath(QStringLiteral("out.txt"));
    QCOMPARE(CsvFile::Write(local(path), list, "Business"), CsvFile::WriteStatus::Ok);
    const QByteArray out = readAll(path);
    QCOMPARE(out.count("\r\n"), 1);
    QCOMPARE(out.split(',').size(), 16);
    RecordList back;
    QCOMPARE(CsvFile::Read(local(path), back).added, std::size_t(1));
    QVERIFY(*back.at(0) == *r);
}

void TestCsvFile::roundTrip()
{
    RecordList list;
    for (int i = 0; i < 50; ++i) {
        auto* r = list.AppendRecord(tagged(i, i % 3 ? sjis("友人") : "Private"));
        r->setField(AddressRecord::Name, sv(qb(sjis("表ソ〜")) + QByteArray::number(i)));
        r->setField(AddressRecord::Memo, sv(qb(sjis("一\r\n二, \"三\"")) + "\r\n"));
        r->setField(AddressRecord::Company, sjis("株式会社A, B支店"));
        r->setField(AddressRecord::OfficeAddress, sv(qb(sjis("\"丸の内\"\r\n1-1"))));
    }
    // Chosen contacts in the caller's order, not only a group.
    std::vector<const AddressRecord*> chosen;
    for (std::size_t i = list.size(); i-- > 0;)
        chosen.push_back(list.at(i));
    const QString path = m_dir->filePath(QStringLiteral("out.txt"));
    QCOMPARE(CsvFile::Write(local(path), chosen), CsvFile::WriteStatus::Ok);
    const ImportResult back = CsvFile::ImportFile(local(path));
    QCOMPARE(back.status, ImportResult::Status::Ok);
    QVERIFY(back.refused.empty());
    QCOMPARE(back.records.size(), chosen.size());
    for (std::size_t i = 0; i < chosen.size(); ++i)
        QVERIFY(*back.records[i] == *chosen[i]);
}

void TestCsvFile::importGoesOnPastBadLines()
{
    const QByteArray text = line() + "\r\n\r\n" + "a,b,c\r\n" + line("") + "\n" +
                            line("Private", 7, "\"x\r\ny\"") + "\r\n" + "tail\r\n" + line("Other");
    const ImportResult r = CsvFile::ImportText(sv(text));
    QCOMPARE(r.records.size(), std::size_t(3));
    QCOMPARE(qb(r.records[1]->memo()), QByteArray("x\r\ny"));
    QCOMPARE(qb(r.records[2]->group()), QByteArray("Other"));
    QCOMPARE(r.refused.size(), std::size_t(3));
    QCOMPARE(r.refused[0].line, std::size_t(3));
    QCOMPARE(r.refused[0].reason, ExchangeText::TooFewFields);
    QCOMPARE(r.refused[1].line, std::size_t(4));
    QCOMPARE(r.refused[1].reason, ExchangeText::EmptyGroup);
    QCOMPARE(r.refused[2].line, std::size_t(7)); // the quoted value took two lines
}

void TestCsvFile::exportFailures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::newRow("folder missing")
        << QStringLiteral("missing/out.txt") << int(CsvFile::WriteStatus::CreateFailed);
    QTest::newRow("a folder in its place")
        << QStringLiteral(".") << int(CsvFile::WriteStatus::CreateFailed);
    QTest::newRow("device full") << QStringLiteral("/dev/full")
                                 << int(CsvFile::WriteStatus::WriteFailed);
}

void TestCsvFile::exportFailures()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    if (!path.startsWith(u'/'))
        path = m_dir->filePath(path);
    if (path == u"/dev/full" && !QFileInfo::exists(path))
        QSKIP("no /dev/full here");
    RecordList list;
    for (int i = 0; i < 10; ++i)
        list.AppendRecord(tagged(i, "Private"));
    QCOMPARE(int(CsvFile::Write(local(path), list, "VOK_Address")), status);
}

VOK_TEST_APPLESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
