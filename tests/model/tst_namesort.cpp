#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/search/SortCompare.h"

#include <algorithm>

using namespace ModelTest;

class TestNameSort : public QObject
{
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void kanaAlike();
};

void TestNameSort::order_data()
{
    // Rows in the expected order: name and reading (UTF-8, empty for none).
    QTest::addColumn<QStringList>("rows");
    auto rows = [](std::initializer_list<const char*> l) {
        QStringList out;
        for (const char* s : l)
            out << QString::fromUtf8(s);
        return out;
    };
    QTest::newRow("あいうえお order, not kanji codes")
        << rows({"青木|あおき", "伊藤|いとう", "佐藤|さとう", "鈴木|すずき", "高橋|たかはし",
                 "山田|やまだ", "渡辺|わたなべ"});
    QTest::newRow("hiragana and katakana alike")
        << rows({"甲|あさい", "乙|イトウ", "丙|うえだ", "丁|ｴﾝﾄﾞｳ"});
    QTest::newRow("voicing decides last")
        << rows({"a|はな", "b|ばな", "c|ぱな", "d|ばなな", "e|はなび", "f|ひ"});
    QTest::newRow("voiced before the next plain kana") << rows({"a|ばか", "b|はこ"});
    QTest::newRow("long vowel takes the vowel")
        << rows({"a|こあ", "b|こうち", "c|こーち", "d|コーヒー", "e|こおり", "f|こか"});
    QTest::newRow("long vowel after the vowel it stands for") << rows({"a|カアド", "b|カード"});
    QTest::newRow("small kana after large") << rows({"a|びよういん", "b|びょういん", "c|びら"});
    QTest::newRow("small tsu") << rows({"a|きつて", "b|きって", "c|きつね"});
    QTest::newRow("surname first") << rows({"a|やま かわ", "b|やま たろう", "c|やまだ あい"});
    QTest::newRow("spaces at the ends ignored") << rows({"a| あい ", "b|あお"});
    QTest::newRow("same reading: by name")
        << rows({"斎藤|さいとう", "斉藤|さいとう"}); // 0x8DD6 before 0x90C4
    QTest::newRow("Latin before kana, kanji after") << rows({"a|abc", "b|あ", "c|亜"});
    QTest::newRow("without reading last, by name")
        << rows({"渡辺|わたなべ", "ABC|", "abd|", "伊藤|", "山田|  "});
}

void TestNameSort::order()
{
    QFETCH(QStringList, rows);
    std::vector<std::pair<std::string, QString>> keys;
    for (const QString& row : rows) {
        const QStringList f = row.split(QLatin1Char('|'));
        keys.emplace_back(SortCompare::nameKey(f[1].toStdString(), sjis(f[0].toUtf8())), row);
    }
    std::vector<std::pair<std::string, QString>> sorted = keys;
    std::reverse(sorted.begin(), sorted.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList got;
    for (const auto& k : sorted)
        got << k.second;
    QCOMPARE(got, rows);
    for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        QVERIFY2(keys[i].first != keys[i + 1].first, qPrintable(rows[int(i)]));
}

void TestNameSort::kanaAlike()
{
    const std::string name = sjis("山田");
    const std::string key = SortCompare::nameKey("やまだ たろう", name);
    QCOMPARE(SortCompare::nameKey("ヤマダ　タロウ", name), key);
    QCOMPARE(SortCompare::nameKey("ﾔﾏﾀﾞ ﾀﾛｳ", name), key);
    QCOMPARE(SortCompare::nameKey(" やまだ  たろう ", name), key);
    QVERIFY(SortCompare::nameKey("やまだ たろう", sjis("山田 太郎")) != key);
}

VOK_TEST_APPLESS_MAIN(TestNameSort)
#include "tst_namesort.moc"
