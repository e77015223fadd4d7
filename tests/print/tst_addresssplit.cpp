#include "TestMain.h"
#include "print/AddressSplit.h"

class TestAddressSplit : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
};

void TestAddressSplit::lines_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("short stays one line")
        << "東京都千代田区丸の内一―二―三" << 17 << QStringList{"東京都千代田区丸の内一―二―三"};
    QTest::newRow("the user's line break")
        << "東京都千代田区\n丸の内一―二" << 17 << QStringList{"東京都千代田区", "丸の内一―二"};
    QTest::newRow("three lines become two, the building on its own")
        << "東京都千代田区\n丸の内一―二―三\nＡＢＣビル" << 30
        << QStringList{"東京都千代田区丸の内一―二―三", "ＡＢＣビル"};
    QTest::newRow("never inside a 条丁目 block")
        << "北海道札幌市中央区北一条西五丁目二―九" << 17
        << QStringList{"北海道札幌市中央区", "北一条西五丁目二―九"};
    QTest::newRow("not inside 河原町通")
        << "京都府京都市中京区河原町通三条上ル下丸屋町三九〇" << 17
        << QStringList{"京都府京都市中京区", "河原町通三条上ル下丸屋町三九〇"};
    QTest::newRow("horizontal digits: not inside 1-2-3")
        << "東京都千代田区丸の内1-2-3 ABCビル" << 15
        << QStringList{"東京都千代田区丸の内1-2-3", "ABCビル"};
    QTest::newRow("at a space") << "北海道札幌市中央区北五条西二―五 ＪＲタワーオフィスプラザ" << 17
                                << QStringList{"北海道札幌市中央区北五条西二―五",
                                               "ＪＲタワーオフィスプラザ"};
    QTest::newRow("before the building after the house number")
        << "大阪府大阪市北区梅田二丁目四番九号ブリーゼタワー二十三階" << 17
        << QStringList{"大阪府大阪市北区梅田二丁目四番九号", "ブリーゼタワー二十三階"};
    QTest::newRow("after the ward rather than before the house number")
        << "神奈川県横浜市西区みなとみらい三丁目三番一号" << 17
        << QStringList{"神奈川県横浜市西区", "みなとみらい三丁目三番一号"};
    QTest::newRow("before the house number")
        << "東京都港区元麻布あいうえおかきくけ三丁目三番一号" << 17
        << QStringList{"東京都港区元麻布あいうえおかきくけ", "三丁目三番一号"};
    QTest::newRow("after the town, numerals in place names are no house number")
        << "東京都三鷹市八王子町四谷九段北上下左右前後" << 17
        << QStringList{"東京都三鷹市八王子町", "四谷九段北上下左右前後"};
    QTest::newRow("a katakana word stays whole")
        << "あいうえおかきくけこサンシャインシティ" << 12
        << QStringList{"あいうえおかきくけこ", "サンシャインシティ"};
    QTest::newRow("nothing sensible: the middle")
        << "あいうえおかきくけこさしすせそたちつてと" << 17
        << QStringList{"あいうえおかきくけこ", "さしすせそたちつてと"};
    QTest::newRow("blank lines dropped") << "\n  \n丸の内\n\n" << 17 << QStringList{"丸の内"};
    QTest::newRow("empty") << "" << 17 << QStringList{};
}

void TestAddressSplit::lines()
{
    QFETCH(QString, address);
    QFETCH(int, capacity);
    QFETCH(QStringList, expected);
    QCOMPARE(AddressSplit::lines(address, capacity), expected);
}

VOK_TEST_MAIN(TestAddressSplit)
#include "tst_addresssplit.moc"
