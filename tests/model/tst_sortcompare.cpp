#include "TestEnv.h"
#include "model/search/SortCompare.h"
#include "model/text/Cp932.h"

class TestSortCompare : public QObject
{
    Q_OBJECT
private slots:
    void order_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("ABC before abd") << "ABC"
                                        << "abd" << -1;
        QTest::newRow("Abc equals aBC") << "Abc"
                                        << "aBC" << 0;
        QTest::newRow("full-width letters differ") << "Ａ"
                                                   << "ａ" << -1;
        // ア is 0x83 0x41 and ヂ 0x83 0x61: their second bytes are A and a.
        QTest::newRow("katakana a and di differ") << "ア"
                                                  << "ヂ" << -1;
        QTest::newRow("trail byte after letters") << "Xア"
                                                  << "xヂ" << -1;
        QTest::newRow("prefix first") << "abc"
                                      << "ABCD" << -1;
        QTest::newRow("empty first") << ""
                                     << "a" << -1;
        QTest::newRow("both empty") << ""
                                    << "" << 0;
        QTest::newRow("underscore before letters") << "_"
                                                   << "A" << -1;
        QTest::newRow("kanji by bytes") << "佐藤"
                                        << "鈴木" << -1;
    }
    void order()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const std::string ca = Cp932::fromUtf8(a.toStdString()).bytes;
        const std::string cb = Cp932::fromUtf8(b.toStdString()).bytes;
        auto sgn = [](int v) { return (v > 0) - (v < 0); };
        QCOMPARE(sgn(SortCompare::compare(ca, cb)), sign);
        QCOMPARE(sgn(SortCompare::compare(cb, ca)), -sign);
        // The precomputed keys order exactly as the comparison does.
        QCOMPARE(sgn(SortCompare::key(ca).compare(SortCompare::key(cb))), sign);
    }
};

VOK_TEST_APPLESS_MAIN(TestSortCompare)
#include "tst_sortcompare.moc"
