#include "ExchangeTestUtil.h"
#include "TestEnv.h"
#include "model/exchange/vcard/VCardReader.h"
#include "model/exchange/vcard/VCardWriter.h"
#include "model/storage/AddressFile.h"

#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>

using namespace ModelTest;
using namespace ExchangeTest;

namespace {

// Shift_JIS bytes as quoted-printable, the way Japanese phones write them.
QByteArray qp(const char* utf8)
{
    QByteArray out;
    for (char c : sj(utf8))
        out +=
            '=' +
            QByteArray::number(static_cast<unsigned char>(c), 16).toUpper().rightJustified(2, '0');
    return out;
}

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

ImportResult readCards(const QByteArray& vcf)
{
    return VCardReader::read(sv(vcf), knownGroups());
}

} // namespace

class TestVCard : public QObject
{
    Q_OBJECT
private slots:
    void import_data();
    void import();
    void replacedCharacters();
    void roundTrip_data();
    void roundTrip();
    void folding();
    void secondReader_data();
    void secondReader();
};

void TestVCard::import_data()
{
    QTest::addColumn<QByteArray>("vcf");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<int>("photos");
    QTest::addColumn<int>("refusedLine");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QString>("unread"); // "line:text", "+" when joined to a note; ";" between

    // A Japanese phone: Shift_JIS, quoted-printable with a soft line break, bare 2.1 types,
    // the IrMC reading, 表 and ソ whose second byte is a backslash, the group as X-GN.
    QTest::newRow("2.1 Shift_JIS phone")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" +
                qp("山田") + ";" + qp("太郎") +
                ";;;\nSOUND;X-IRMC-N;CHARSET=SHIFT_JIS:" + sj("ﾔﾏﾀﾞ;ﾀﾛｳ") +
                ";;;\nTEL;CELL;PREF:090-1234-5678\nTEL;CELL:080-9999-0000\n"
                "TEL;HOME:03-1234-5678\nEMAIL;INTERNET;PREF:taro@docomo.ne.jp\n"
                "ADR;HOME;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:;;" +
                qp("東京都千代田区") + "=\n" + qp("表1-1") +
                ";;;100-0001;\nNOTE;CHARSET=SHIFT_JIS;QUOTED-PRINTABLE:" + qp("一行目") + "=0D=0A" +
                qp("ソ二行目") + "\nX-GN;CHARSET=SHIFT_JIS:" + sj("家族") + "\nEND:VCARD\n")
        << 1
        << QStringList{"名前=山田 太郎",
                       "フリガナ=ﾔﾏﾀﾞ ﾀﾛｳ",
                       "携帯電話番号=090-1234-5678",
                       "電話番号=03-1234-5678",
                       "電子メール=taro@docomo.ne.jp",
                       "郵便番号=100-0001",
                       "住所=東京都千代田区表1-1",
                       "メモ=一行目\r\nソ二行目\r\n携帯電話：080-9999-0000",
                       "グループ=家族"}
        << 0 << 0 << 0 << QString();
    // A web mail service: UTF-8, repeated TYPE parameters, Apple-style item groups, escapes.
    QTest::newRow("3.0 web mail")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nFN:佐藤 花子\nN:佐藤;花子;;;\n"
                "X-PHONETIC-FIRST-NAME:はなこ\nX-PHONETIC-LAST-NAME:さとう\n"
                "EMAIL;TYPE=INTERNET;TYPE=HOME:hanako@example.com\n"
                "EMAIL;TYPE=INTERNET;TYPE=WORK:h.sato@corp.example.jp\n"
                "EMAIL;TYPE=INTERNET:other@example.net\nTEL;TYPE=CELL:080-1111-2222\n"
                "TEL;TYPE=WORK:03-5555-6666\nTEL;TYPE=WORK;TYPE=FAX:03-5555-6667\n"
                "ADR;TYPE=WORK:;;丸の内1-1;千代田区;東京都;100-0005;日本\n"
                "item1.URL:https\\://example.jp/hanako\nitem1.X-ABLabel:_$!<HomePage>!$_\n"
                "BDAY:1985-04-01\nORG:株式会社A\\, B支店;営業部\nNOTE:一行目\\n二行目\\, 三\n"
                "CATEGORIES:myContacts,Friends\nEND:VCARD\n")
        << 1
        << QStringList{"名前=佐藤 花子",
                       "フリガナ=さとう はなこ",
                       "電子メール=hanako@example.com",
                       "勤務先電子メール=h.sato@corp.example.jp",
                       "携帯電話番号=080-1111-2222",
                       "勤務先電話番号=03-5555-6666",
                       "勤務先FAX番号=03-5555-6667",
                       "勤務先郵便番号=100-0005",
                       "勤務先住所=東京都千代田区丸の内1-1",
                       "勤務先名=株式会社A, B支店",
                       "部署=営業部",
                       "メモ=一行目\r\n二行目, 三\r\nURL：https://example.jp/hanako\r\n"
                       "誕生日：1985-04-01\r\nメール：other@example.net",
                       "wanted=Friends"}
        << 0 << 0 << 0 << QString();
    QTest::newRow("4.0")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nFN:Taro Yamada\n"
                "N;SORT-AS=\"やまだ,たろう\":Yamada;Taro;;;\n"
                "TEL;VALUE=uri;TYPE=\"voice,home\";PREF=1:tel:+81-3-1234-5678\n"
                "TEL;VALUE=uri;TYPE=cell:tel:090-1234-5678\nEMAIL;TYPE=work:taro@corp.example\n"
                "ADR;TYPE=home;LABEL=\"1-2-3 Kanda; Tokyo: Japan\":;;1-2-3 Kanda;Chiyoda-ku;"
                "Tokyo;101-0047;Japan\nNOTE;LANGUAGE=ja:メモ\nCATEGORIES:business\nEND:VCARD\n")
        << 1
        << QStringList{"名前=Taro Yamada",
                       "フリガナ=やまだ たろう",
                       "電話番号=03-1234-5678",
                       "携帯電話番号=090-1234-5678",
                       "勤務先電子メール=taro@corp.example",
                       "郵便番号=101-0047",
                       "住所=1-2-3 Kanda, Chiyoda-ku, Tokyo",
                       "メモ=メモ",
                       "グループ=Business"}
        << 0 << 0 << 0 << QString();
    QTest::newRow("4.0 phonetic N, no FN")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nN;ALTID=1;LANGUAGE=ja:山田;太郎;;;\n"
                "N;ALTID=1;PHONETIC=script;SCRIPT=Hira:やまだ;たろう;;;\nEND:VCARD\n")
        << 1 << QStringList{"名前=山田 太郎", "フリガナ=やまだ たろう"} << 0 << 0 << 0 << QString();
    // Folded inside a UTF-8 character, and with a tab.
    QTest::newRow("3.0 folding")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ta\r\r\n\tro\r\nNOTE:\xE3\x81\r\n \x82"
                      "\xE3\x81\x84\r\nEND:VCARD\r\n")
        << 1 << QStringList{"名前=Taro", "メモ=あい"} << 0 << 0 << 0 << QString();
    QTest::newRow("2.1 folding keeps the space")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nFN:Taro\n Yamada\nEND:VCARD\n") << 1
        << QStringList{"名前=Taro Yamada"} << 0 << 0 << 0 << QString();
    QTest::newRow("several cards, LF only, one empty, one nested, two cut off")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:A\nAGENT:\nBEGIN:VCARD\nFN:Nested\nEND:VCARD\n"
                      "END:VCARD\nnoise between cards\nBEGIN:VCARD\nVERSION:3.0\nEND:VCARD\n"
                      "BEGIN:VCARD\nFN:Cut\nbegin:vcard\nversion:3.0\nfn:B\nend:vcard\n"
                      "BEGIN:VCARD\nFN:C\n")
        << 4 << QStringList{"名前=A"} << 0 << 10 << 0 << QString();
    QTest::newRow("photos skipped and counted")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nFN:A\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\n"
                "    /9j/4AAQSkZJRgABAQEASABIAAD\n    2wBDAP//////////\n\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:3.0\nFN:B\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSk\n ZJRgABA\n"
                "LOGO;VALUE=uri:http://example.com/logo.png\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:4.0\nFN:C\nPHOTO:data:image/png;base64,iVBORw0KGgo\n"
                "END:VCARD\n")
        << 3 << QStringList{"名前=A"} << 4 << 0 << 0 << QString();
    QTest::newRow("UTF-16 with its mark")
        << utf16le(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:髙橋 ①\r\nEND:VCARD\r\n")) << 1
        << QStringList{"名前=髙橋 ①"} << 0 << 0 << 0 << QString();
    QTest::newRow("UTF-8 mark, name from the company")
        << QByteArray("\xEF\xBB\xBF"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nORG:ACME\r\nEND:VCARD\r\n")
        << 1 << QStringList{"名前=ACME", "勤務先名=ACME"} << 0 << 0 << 0 << QString();
    QTest::newRow("raw Shift_JIS without a charset")
        << "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + sj("表;ソ") + "\r\nEND:VCARD\r\n"
        << 1 << QStringList{"名前=表 ソ"} << 0 << 0 << 0 << QString();
    QTest::newRow("too long for the sheet")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nTEL:0123456789012345\r\nNOTE:" +
               QByteArray(300, 'm') + "\r\nEND:VCARD\r\n"
        << 1 << QStringList{"名前=A", "メモ=" + QString(250, u'm')} << 0 << 0 << 1 << QString();

    // An iPhone's labels: "Other" is no home phone, 実家 stays 実家, "Mobile" is the mobile.
    QTest::newRow("iPhone labels")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nFN:山田 太郎\nitem1.TEL:03-1111-2222\n"
                "item1.X-ABLabel:_$!<Other>!$_\nTEL;type=HOME:03-3333-4444\n"
                "item2.X-ABLabel:_$!<Mobile>!$_\nitem2.TEL:090-1111-2222\n"
                "ADR;type=HOME:;;丸の内1-1;千代田区;東京都;100-0005;日本\n"
                "item3.ADR:;;元城町13-1;浜松市;静岡県;430-0937;日本\nitem3.X-ABLabel:実家\n"
                "item4.EMAIL:t@example.jp\nitem4.X-ABLabel:学校\nEND:VCARD\n")
        << 1
        << QStringList{"名前=山田 太郎",
                       "電話番号=03-3333-4444",
                       "携帯電話番号=090-1111-2222",
                       "郵便番号=100-0005",
                       "住所=東京都千代田区丸の内1-1",
                       "メモ=その他の電話：03-1111-2222\r\n学校のメール：t@example.jp\r\n"
                       "実家の住所：〒430-0937 静岡県浜松市元城町13-1"}
        << 0 << 0 << 0 << QString();
    // An old phone wrote a note's second line bare; a stray line elsewhere is reported.
    QTest::newRow("lines that are no property")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=SHIFT_JIS:" + sj("田中;一郎") +
                "\nNOTE;CHARSET=SHIFT_JIS:" + sj("離れの") + "\n" + sj("2階の奥") +
                "\nTEL;CELL:09012345678\n" + sj("よくわからない行") + "\nEND:VCARD\n")
        << 1 << QStringList{"名前=田中 一郎", "携帯電話番号=09012345678", "メモ=離れの\r\n2階の奥"}
        << 0 << 0 << 0 << QStringLiteral("5:2階の奥+;7:よくわからない行");
}

void TestVCard::import()
{
    QFETCH(QByteArray, vcf);
    QFETCH(int, count);
    QFETCH(QStringList, first);
    QFETCH(int, photos);
    QFETCH(int, refusedLine);
    QFETCH(int, cut);
    QFETCH(QString, unread);
    const ImportResult r = readCards(vcf);
    QStringList lines;
    for (const ImportResult::Unread& u : r.unread)
        lines << QString::number(u.line) + u':' + QString::fromStdString(u.text) +
                     (u.joined ? QStringLiteral("+") : QString());
    QCOMPARE(lines.join(u';'), unread);
    QCOMPARE(int(r.records.size()), count);
    QCOMPARE(r.readings.size(), r.records.size());
    QCOMPARE(r.wantedGroups.size(), r.records.size());
    const QString diff = mismatch(r, 0, first);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(int(r.photosSkipped), photos);
    QCOMPARE(int(r.refused.size()), refusedLine ? 1 : 0);
    if (refusedLine)
        QCOMPARE(int(r.refused[0].line), refusedLine);
    QCOMPARE(int(r.cut.size()), cut);
    for (const auto& rec : r.records) {
        for (int i = 0; i < AddressRecord::FieldCount; ++i)
            QVERIFY(rec->field(i).size() < AddressRecord::SlotWidth[std::size_t(i)]);
    }
}

void TestVCard::replacedCharacters()
{
    const ImportResult r = readCards(crlf("BEGIN:VCARD\nVERSION:3.0\nFN:A\nEND:VCARD\n"
                                          "BEGIN:VCARD\nVERSION:3.0\nFN:𠮷田 😀子\nORG:𠮷野家\n"
                                          "NOTE:😀 and 😀\nCATEGORIES:😀\nEND:VCARD\n"));
    QVERIFY(mismatch(r, 1, {"名前=〓田 〓子", "勤務先名=〓野家", "メモ=〓 and 〓", "wanted=〓"})
                .isEmpty());
    QCOMPARE(r.replaced.size(), std::size_t(4)); // each character once per field
    const std::pair<int, const char*> expected[] = {{AddressRecord::Name, "𠮷"},
                                                    {AddressRecord::Name, "😀"},
                                                    {AddressRecord::Memo, "😀"},
                                                    {AddressRecord::Company, "𠮷"}};
    for (const auto& [field, character] : expected) {
        const bool listed = std::any_of(r.replaced.begin(), r.replaced.end(), [&](const auto& x) {
            return x.contact == 1 && x.field == field && x.character == character;
        });
        QVERIFY2(listed, character);
    }
}

void TestVCard::roundTrip_data()
{
    QTest::addColumn<bool>("v4");
    QTest::newRow("3.0") << false;
    QTest::newRow("4.0") << true;
}

void TestVCard::roundTrip()
{
    QFETCH(bool, v4);
    std::vector<std::string> readings;
    const auto book = trickyBook(readings);
    const std::vector<const AddressRecord*> chosen = pointers(book);
    const auto reading = [&](const AddressRecord& r) {
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            if (chosen[i] == &r)
                return readings[i];
        }
        return std::string();
    };
    const std::string text = VCardWriter::format(
        chosen, v4 ? VCardWriter::Version::V40 : VCardWriter::Version::V30, reading);
    const ImportResult back = VCardReader::read(text, knownGroups());
    QCOMPARE(back.records.size(), book.size());
    QVERIFY(back.replaced.empty() && back.cut.empty() && back.refused.empty());
    for (std::size_t i = 0; i < book.size(); ++i) {
        for (int f = 0; f < AddressRecord::FieldCount; ++f)
            QCOMPARE(qb(back.records[i]->field(f)), qb(book[i]->field(f)));
        QCOMPARE(back.readings[i], readings[i]);
        QVERIFY(back.wantedGroups[i].empty());
    }
}

void TestVCard::folding()
{
    std::vector<std::string> readings;
    const auto book = trickyBook(readings);
    std::string text;
    for (const auto& r : book)
        VCardWriter::appendCard(text, *r, VCardWriter::Version::V30, "");
    const QList<QByteArray> lines = qb(text).split('\n');
    QVERIFY(lines.size() > 20);
    QVERIFY(lines.last().isEmpty()); // the last line ends too
    bool folded = false;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        QByteArray line = lines[i];
        QVERIFY2(line.endsWith('\r'), line.constData());
        line.chop(1);
        QVERIFY2(line.size() <= 75, line.constData());
        folded = folded || line.startsWith(' ');
        // Each piece is whole UTF-8: no character is split by the fold.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)utf8.decode(line);
        QVERIFY2(!utf8.hasError(), line.constData());
    }
    QVERIFY(folded);
}

void TestVCard::secondReader_data()
{
    QTest::addColumn<bool>("v4");
    QTest::newRow("3.0") << false;
    QTest::newRow("4.0") << true;
}

// An independent reader takes the files without complaint and finds the same names.
void TestVCard::secondReader()
{
    QFETCH(bool, v4);
    // Debian's python3-vobject belongs to the system's Python, which may not be first on PATH.
    QString python;
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import vobject")});
        if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty())
        QSKIP("python3-vobject is not installed");
    std::vector<std::string> readings;
    const auto book = trickyBook(readings);
    const std::vector<const AddressRecord*> chosen = pointers(book);
    QTemporaryDir dir(TestEnv::root() + QStringLiteral("/vcf-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("out.vcf"));
    QCOMPARE(VCardWriter::write(local(path), chosen,
                                v4 ? VCardWriter::Version::V40 : VCardWriter::Version::V30),
             FileIo::WriteStatus::Ok);
    const QString script = QStringLiteral(
        "import sys, vobject\n"
        "cards = list(vobject.readComponents(open(sys.argv[1], encoding='utf-8').read(),"
        " validate=True))\n"
        "for c in cards:\n"
        "    c.serialize()\n"
        "    print(c.fn.value + '|' + c.categories.value[0] + '|' + c.org.value[0]"
        " if hasattr(c, 'org') else c.fn.value + '|' + c.categories.value[0])\n");
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"), script, path});
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    const QStringList names =
        QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(names, (QStringList{"山田 太郎|家族|株式会社A, B支店; 本社", "John Q. Public|Business",
                                 "|A,B|ACME", "髙橋\u3000一郎|Private"}));
}

VOK_TEST_APPLESS_MAIN(TestVCard)
#include "tst_vcard.moc"
