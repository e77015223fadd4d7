#include "TestMain.h"
#include "print/KanjiNumerals.h"

Q_DECLARE_METATYPE(NumeralStyle)

class TestKanjiNumerals : public QObject
{
    Q_OBJECT
private slots:
    void toVertical_data();
    void toVertical();
    void tateChuYoko_data();
    void tateChuYoko();
};

void TestKanjiNumerals::toVertical_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<NumeralStyle>("style");
    QTest::addColumn<QString>("vertical");
    const auto ten = NumeralStyle::KanjiTen;
    const auto zero = NumeralStyle::KanjiZero;
    const auto upright = NumeralStyle::Upright;
    QTest::newRow("1-2-3 ten") << "1-2-3" << ten << "一―二―三";
    QTest::newRow("1-2-3 zero") << "1-2-3" << zero << "一―二―三";
    QTest::newRow("1-2-3 upright") << "1-2-3" << upright << "１―２―３";
    QTest::newRow("10 ten") << "10" << ten << "十";
    QTest::newRow("10 zero") << "10" << zero << "一〇";
    QTest::newRow("23 ten") << "23" << ten << "二十三";
    QTest::newRow("23 zero") << "23" << zero << "二三";
    QTest::newRow("100 ten: three digits one by one") << "100" << ten << "一〇〇";
    QTest::newRow("100 zero") << "100" << zero << "一〇〇";
    QTest::newRow("105 ten") << "105" << ten << "一〇五";
    QTest::newRow("105 zero") << "105" << zero << "一〇五";
    QTest::newRow("2024 ten") << "2024" << ten << "二〇二四";
    QTest::newRow("2024 zero") << "2024" << zero << "二〇二四";
    QTest::newRow("0 ten") << "0" << ten << "〇";
    QTest::newRow("leading zero keeps digits") << "05" << ten << "〇五";
    QTest::newRow("five digits") << "12005" << ten << "一二〇〇五";
    QTest::newRow("full-width digits and hyphen")
        << "丸の内１－１２－３" << ten << "丸の内一―十二―三";
    QTest::newRow("long vowel mark as hyphen") << "4ー7ー1" << zero << "四―七―一";
    QTest::newRow("chome and banchi") << "2丁目4番9号" << ten << "二丁目四番九号";
    QTest::newRow("hyphen not between numbers stays, turned later") << "A-B" << ten << "Ａ－Ｂ";
    QTest::newRow("letters full-width, floor as 階") << "ABCビル3F" << ten << "ＡＢＣビル三階";
    QTest::newRow("half-width katakana with voiced mark") << "ｶﾞｰﾃﾞﾝ" << ten << "ガーデン";
    QTest::newRow("floor in 階 already") << "12階" << ten << "十二階";
    QTest::newRow("basement") << "B1F" << ten << "地下一階";
    QTest::newRow("floor in the other styles stays F") << "5F" << zero << "五Ｆ";
    QTest::newRow("name's number upright") << "サンシャイン60" << ten << "サンシャイン６０";
    QTest::newRow("第 number upright") << "第2ビル" << ten << "第２ビル";
    QTest::newRow("Latin name's number upright") << "ABC2" << ten << "ＡＢＣ２";
    QTest::newRow("第 with 地割 is an address") << "第5地割" << ten << "第五地割";
    QTest::newRow("room after a katakana name") << "メゾン101" << ten << "メゾン一〇一";
    QTest::newRow("room number") << "1205号室" << ten << "一二〇五号室";
    QTest::newRow("line break and space stay") << "千代田区 1\n2F" << ten << "千代田区 一\n二階";
}

void TestKanjiNumerals::toVertical()
{
    QFETCH(QString, address);
    QFETCH(NumeralStyle, style);
    QFETCH(QString, vertical);
    QCOMPARE(KanjiNumerals::toVertical(address, style), vertical);
}

// Two digits that stay digits share a cell; numbers written in kanji are not touched.
void TestKanjiNumerals::tateChuYoko_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<NumeralStyle>("style");
    QTest::addColumn<QString>("vertical");
    const auto ten = NumeralStyle::KanjiTen;
    const auto upright = NumeralStyle::Upright;
    QTest::newRow("縦中横 in a name") << "サンシャイン60" << ten << "サンシャイン60";
    QTest::newRow("縦中横 upright two digits") << "23-105" << upright << "23―１０５";
    QTest::newRow("縦中横 leaves kanji numbers") << "23-105" << ten << "二十三―一〇五";
}

void TestKanjiNumerals::tateChuYoko()
{
    QFETCH(QString, address);
    QFETCH(NumeralStyle, style);
    QFETCH(QString, vertical);
    QCOMPARE(KanjiNumerals::toVertical(address, style, true), vertical);
}

VOK_TEST_MAIN(TestKanjiNumerals)
#include "tst_kanjinumerals.moc"
