#include "TestEnv.h"
#include "model/text/Charset.h"
#include "model/text/Cp932.h"

#include <iconv.h>

namespace {

QByteArray bytes(std::string_view s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view view(const QByteArray& b)
{
    return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}

} // namespace

class TestCp932 : public QObject
{
    Q_OBJECT
private slots:
    void encode_data();
    void encode();
    void refused_data();
    void refused();
    void invalidBytes_data();
    void invalidBytes();
    void everyCodeAsIconv();
    void byteLength_data();
    void byteLength();
    void cutAtBoundary_data();
    void cutAtBoundary();
    void charLength_data();
    void charLength();
};

void TestCp932::encode_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("cp932");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("ascii") << QByteArray("Abc 123") << QByteArray("Abc 123")
                           << QByteArray("Abc 123");
    QTest::newRow("backslash stays")
        << QByteArray("a\\b") << QByteArray("a\\b") << QByteArray("a\\b");
    QTest::newRow("hiragana") << QByteArray("あい") << QByteArray("\x82\xA0\x82\xA2")
                              << QByteArray("あい");
    QTest::newRow("wave dash U+301C")
        << QByteArray("〜") << QByteArray("\x81\x60") << QByteArray("～");
    QTest::newRow("fullwidth tilde U+FF5E")
        << QByteArray("～") << QByteArray("\x81\x60") << QByteArray("～");
    QTest::newRow("trail 0x5C: hyo")
        << QByteArray("表") << QByteArray("\x95\x5C") << QByteArray("表");
    QTest::newRow("trail 0x5C: so")
        << QByteArray("ソ") << QByteArray("\x83\x5C") << QByteArray("ソ");
    QTest::newRow("half-width katakana")
        << QByteArray("ｱｲ") << QByteArray("\xB1\xB2") << QByteArray("ｱｲ");
    QTest::newRow("NEC circled one")
        << QByteArray("①") << QByteArray("\x87\x40") << QByteArray("①");
    QTest::newRow("fullwidth A") << QByteArray("Ａ") << QByteArray("\x82\x60") << QByteArray("Ａ");
    QTest::newRow("CR LF kept") << QByteArray("a\r\nb") << QByteArray("a\r\nb")
                                << QByteArray("a\r\nb");
}

void TestCp932::encode()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, cp932);
    QFETCH(QByteArray, decoded);
    const Cp932::EncodeResult r = Cp932::fromUtf8(view(utf8));
    QVERIFY(r.ok);
    QCOMPARE(bytes(r.bytes), cp932);
    QCOMPARE(bytes(Cp932::toUtf8(view(cp932))), decoded);
}

void TestCp932::refused_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("badChar");
    QTest::addColumn<int>("badOffset");
    QTest::newRow("emoji") << QByteArray("ab😀c") << QByteArray("😀") << 2;
    QTest::newRow("emoji after kanji") << QByteArray("表😀") << QByteArray("😀") << 3;
    QTest::newRow("rare kanji U+20BB7") << QByteArray("𠮷野家") << QByteArray("𠮷") << 0;
    QTest::newRow("hangul") << QByteArray("x한") << QByteArray("한") << 1;
}

void TestCp932::refused()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, badChar);
    QFETCH(int, badOffset);
    const Cp932::EncodeResult r = Cp932::fromUtf8(view(utf8));
    QVERIFY(!r.ok);
    QCOMPARE(bytes(r.badChar), badChar);
    QCOMPARE(int(r.badOffset), badOffset);
    QCOMPARE(Cp932::byteLength(view(utf8)), -1L);
}

void TestCp932::invalidBytes_data()
{
    QTest::addColumn<QByteArray>("cp932");
    QTest::addColumn<QByteArray>("utf8");
    QTest::newRow("lead byte at end") << QByteArray("A\x81") << QByteArray("A\xEF\xBF\xBD");
    QTest::newRow("bad trail byte") << QByteArray("\x81\x20z") << QByteArray("\xEF\xBF\xBD z");
    QTest::newRow("0xFF") << QByteArray("a\xFF") << QByteArray("a\xEF\xBF\xBD");
    QTest::newRow("0x80 between kanji")
        << QByteArray("\x95\x5C\x80\x95\x5C") << QByteArray("表\xEF\xBF\xBD表");
}

void TestCp932::invalidBytes()
{
    QFETCH(QByteArray, cp932);
    QFETCH(QByteArray, utf8);
    QCOMPARE(bytes(Cp932::toUtf8(view(cp932))), utf8);
}

// Characters learnt once give what iconv gives for them, the first time and from memory,
// beside valid and invalid neighbours.
void TestCp932::everyCodeAsIconv()
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    QVERIFY(cd != reinterpret_cast<iconv_t>(-1));
    std::string expected;
    int differ = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (unsigned code = 0x80; code <= 0xFFFF; ++code) {
            if (code > 0xFF && !Cp932::isLeadByte(static_cast<unsigned char>(code >> 8)))
                continue;
            std::string text = "a";
            if (code > 0xFF)
                text += char(code >> 8);
            text += char(code & 0xFF);
            text += "\x95\x5C"; // 表
            for (const std::string& t : {text, text + "\x81"}) {
                Charset::decode(cd, t, expected);
                std::string appended = "x";
                Cp932::appendUtf8(t, appended);
                if ((Cp932::toUtf8(t) != expected || appended != "x" + expected) && differ++ < 5)
                    qWarning("differs for %04X", code);
            }
        }
    }
    iconv_close(cd);
    QCOMPARE(differ, 0);
}

void TestCp932::byteLength_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("ascii") << QByteArray("abc") << 3;
    QTest::newRow("full-width counts two") << QByteArray("あいう") << 6;
    QTest::newRow("half-width kana counts one") << QByteArray("ｱｲｳ") << 3;
    QTest::newRow("mixed") << QByteArray("a表ｱ") << 4;
}

void TestCp932::byteLength()
{
    QFETCH(QByteArray, utf8);
    QFETCH(int, length);
    QCOMPARE(Cp932::byteLength(view(utf8)), long(length));
}

void TestCp932::cutAtBoundary_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("max");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("fits") << QByteArray("abc") << 3 << QByteArray("abc");
    QTest::newRow("ascii cut") << QByteArray("abcd") << 3 << QByteArray("abc");
    QTest::newRow("kanji kept whole")
        << QByteArray("\x95\x5C\x95\x5C") << 3 << QByteArray("\x95\x5C");
    QTest::newRow("odd offset") << QByteArray("a\x95\x5C\x95\x5C") << 4 << QByteArray("a\x95\x5C");
    QTest::newRow("nothing fits") << QByteArray("\x83\x5C") << 1 << QByteArray();
    QTest::newRow("half-width kana is one byte")
        << QByteArray("\xB1\xB2\xB3") << 2 << QByteArray("\xB1\xB2");
    QTest::newRow("CR LF not split") << QByteArray("ab\r\ncd") << 3 << QByteArray("ab");
    QTest::newRow("CR LF whole") << QByteArray("ab\r\ncd") << 4 << QByteArray("ab\r\n");
    QTest::newRow("lone CR kept") << QByteArray("ab\rcd") << 3 << QByteArray("ab\r");
}

void TestCp932::cutAtBoundary()
{
    QFETCH(QByteArray, text);
    QFETCH(int, max);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(Cp932::cutAtBoundary(view(text), std::size_t(max))), expected);
}

void TestCp932::charLength_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("length");
    QTest::newRow("ascii") << QByteArray("ab") << 0 << 1;
    QTest::newRow("lead byte") << QByteArray("\x95\x5C") << 0 << 2;
    QTest::newRow("lead byte at end") << QByteArray("a\x95") << 1 << 1;
    QTest::newRow("high lead E0") << QByteArray("\xE0\x40") << 0 << 2;
    QTest::newRow("half-width kana") << QByteArray("\xB1\x5C") << 0 << 1;
}

void TestCp932::charLength()
{
    QFETCH(QByteArray, text);
    QFETCH(int, pos);
    QFETCH(int, length);
    QCOMPARE(int(Cp932::charLength(view(text), std::size_t(pos))), length);
}

VOK_TEST_APPLESS_MAIN(TestCp932)
#include "tst_cp932.moc"
