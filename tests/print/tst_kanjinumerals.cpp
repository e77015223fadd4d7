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
    QTest::newRow("100 ten") << "100" << ten << "百";
    QTest::newRow("100 zero") << "100" << zero << "一〇〇";
    QTest::newRow("105 ten") << "105" << ten << "百五";
    QTest::newRow("105 zero") << "105" << zero << "一〇五";
    QTest::newRow("2024 ten") << "2024" << ten << "二千二十四";
    QTest::newRow("2024 zero") << "2024" << zero << "二〇二四";
    QTest::newRow("0 ten") << "0" << ten << "〇";
    QTest::newRow("leading zero keeps digits") << "05" << ten << "〇五";
    QTest::newRow("ten thousands") << "12005" << ten << "一万二千五";
    QTest::newRow("full-width digits and hyphen")
        << "丸の内１－１２－３" << ten << "丸の内一―十二―三";
    QTest::newRow("long vowel mark as hyphen") << "4ー7ー1" << zero << "四―七―一";
    QTest::newRow("chome and banchi") << "2丁目4番9号" << ten << "二丁目四番九号";
    QTest::newRow("hyphen not between numbers stays, turned later") << "A-B" << ten << "Ａ－Ｂ";
    QTest::newRow("letters full-width") << "ABCビル3F" << ten << "ＡＢＣビル三Ｆ";
    QTest::newRow("half-width katakana with voiced mark") << "ｶﾞｰﾃﾞﾝ" << ten << "ガーデン";
    QTest::newRow("line break and space stay") << "千代田区 1\n2F" << ten << "千代田区 一\n二Ｆ";
}

void TestKanjiNumerals::toVertical()
{
    QFETCH(QString, address);
    QFETCH(NumeralStyle, style);
    QFETCH(QString, vertical);
    QCOMPARE(KanjiNumerals::toVertical(address, style), vertical);
}

VOK_TEST_MAIN(TestKanjiNumerals)
#include "tst_kanjinumerals.moc"
