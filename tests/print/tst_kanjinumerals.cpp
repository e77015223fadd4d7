#include "TestMain.h"
#include "print/KanjiNumerals.h"

Q_DECLARE_METATYPE(NumeralStyle)

class TestKanjiNumerals : public QObject
{
    Q_OBJECT
private slots:
    void toVertical_data();
    void toVertical();
};

void TestKanjiNumerals::toVertical_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<NumeralStyle>("style");
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<bool>("tateChuYoko");
    const auto ten = NumeralStyle::KanjiTen;
    const auto zero = NumeralStyle::KanjiZero;
    const auto upright = NumeralStyle::Upright;
    QTest::newRow("1-2-3 ten") << "1-2-3" << ten << "一―二―三" << false;
    QTest::newRow("1-2-3 zero") << "1-2-3" << zero << "一―二―三" << false;
    QTest::newRow("1-2-3 upright") << "1-2-3" << upright << "１―２―３" << false;
    QTest::newRow("10 ten") << "10" << ten << "十" << false;
    QTest::newRow("10 zero") << "10" << zero << "一〇" << false;
    QTest::newRow("23 ten") << "23" << ten << "二十三" << false;
    QTest::newRow("23 zero") << "23" << zero << "二三" << false;
    QTest::newRow("100 ten: three digits one by one") << "100" << ten << "一〇〇" << false;
    QTest::newRow("100 zero") << "100" << zero << "一〇〇" << false;
    QTest::newRow("105 ten") << "105" << ten << "一〇五" << false;
    QTest::newRow("105 zero") << "105" << zero << "一〇五" << false;
    QTest::newRow("2024 ten") << "2024" << ten << "二〇二四" << false;
    QTest::newRow("2024 zero") << "2024" << zero << "二〇二四" << false;
    QTest::newRow("0 ten") << "0" << ten << "〇" << false;
    QTest::newRow("leading zero keeps digits") << "05" << ten << "〇五" << false;
    QTest::newRow("five digits") << "12005" << ten << "一二〇〇五" << false;
    QTest::newRow("full-width digits and hyphen")
        << "丸の内１－１２－３" << ten << "丸の内一―十二―三" << false;
    QTest::newRow("long vowel mark as hyphen") << "4ー7ー1" << zero << "四―七―一" << false;
    QTest::newRow("chome and banchi") << "2丁目4番9号" << ten << "二丁目四番九号" << false;
    QTest::newRow("hyphen not between numbers stays, turned later")
        << "A-B" << ten << "Ａ－Ｂ" << false;
    QTest::newRow("letters full-width, floor as 階")
        << "ABCビル3F" << ten << "ＡＢＣビル三階" << false;
    QTest::newRow("half-width katakana with voiced mark") << "ｶﾞｰﾃﾞﾝ" << ten << "ガーデン" << false;
    QTest::newRow("floor in 階 already") << "12階" << ten << "十二階" << false;
    QTest::newRow("basement") << "B1F" << ten << "地下一階" << false;
    QTest::newRow("floor in the other styles stays F") << "5F" << zero << "五Ｆ" << false;
    QTest::newRow("name's number upright")
        << "サンシャイン60" << ten << "サンシャイン６０" << false;
    QTest::newRow("第 number upright") << "第2ビル" << ten << "第２ビル" << false;
    QTest::newRow("Latin name's number upright") << "ABC2" << ten << "ＡＢＣ２" << false;
    QTest::newRow("第 with 地割 is an address") << "第5地割" << ten << "第五地割" << false;
    QTest::newRow("room after a katakana name") << "メゾン101" << ten << "メゾン一〇一" << false;
    QTest::newRow("room number") << "1205号室" << ten << "一二〇五号室" << false;
    QTest::newRow("縦中横 in a name") << "サンシャイン60" << ten << "サンシャイン60" << true;
    QTest::newRow("縦中横 upright two digits") << "23-105" << upright << "23―１０５" << true;
    QTest::newRow("縦中横 leaves kanji numbers") << "23-105" << ten << "二十三―一〇五" << true;
    QTest::newRow("line break and space stay")
        << "千代田区 1\n2F" << ten << "千代田区 一\n二階" << false;
}

void TestKanjiNumerals::toVertical()
{
    QFETCH(QString, address);
    QFETCH(NumeralStyle, style);
    QFETCH(QString, vertical);
    QFETCH(bool, tateChuYoko);
    QCOMPARE(KanjiNumerals::toVertical(address, style, tateChuYoko), vertical);
}

VOK_TEST_MAIN(TestKanjiNumerals)
#include "tst_kanjinumerals.moc"
