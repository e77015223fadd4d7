#include "RecordingDevice.h"
#include "TestMain.h"
#include "print/Addressee.h"
#include "print/LabelPage.h"

Q_DECLARE_METATYPE(PrintLayout)

// A label's lines as a reader meets them: a long address breaks where a person would break it.
class TestLabelPage : public QObject
{
    Q_OBJECT
private slots:
    void addressLines_data()
    {
        QTest::addColumn<PrintLayout>("layout");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("lines");
        const auto twelve = PrintLayout::Label12;
        const auto twentyFour = PrintLayout::Label24;
        QTest::newRow("short: one line")
            << twelve << "東京都千代田区丸の内1-2-3" << QStringList{"東京都千代田区丸の内1-2-3"};
        QTest::newRow("at the space before the building")
            << twelve << "東京都千代田区丸の内一丁目1番1号　パレスビル5階"
            << QStringList{"東京都千代田区丸の内一丁目1番1号", "パレスビル5階"};
        QTest::newRow("the house number kept whole")
            << twelve << "東京都千代田区丸の内丸の内一丁目１番１号　パレスビル５階"
            << QStringList{"東京都千代田区", "丸の内丸の内一丁目１番１号", "パレスビル５階"};
        QTest::newRow("hyphenated number kept whole")
            << twentyFour << "神奈川県横浜市港北区新横浜２－１００－４５"
            << QStringList{"神奈川県横浜市港北区", "新横浜２－１００－４５"};
        QTest::newRow("half-width katakana in full width")
            << twelve << "東京都港区芝公園4-2-8 ﾒｿﾞﾝ芝"
            << QStringList{"東京都港区芝公園4-2-8 メゾン芝"};
    }

    // 連名 on a label: a line a name, the given names and the 敬称 in columns of their own.
    void jointNames()
    {
        Addressee a{QStringLiteral("1000005"),
                    QStringLiteral("東京都千代田区丸の内1-2-3"),
                    {},
                    QStringLiteral("山田 太郎")};
        a.jointNames = {{QStringLiteral("花子"), QStringLiteral("様")},
                        {QStringLiteral("一"), QStringLiteral("先生")}};
        PrintOptions options;
        options.layout = PrintLayout::Label12;
        const auto texts = RecordingDevice::record(
            [&](QPainter& painter) { LabelPage(options).draw(painter, a, 0); });
        QStringList pieces;
        for (const auto& t : texts)
            pieces << t.text;
        QCOMPARE(pieces.mid(pieces.size() - 7),
                 (QStringList{"山田", "太郎", "様", "花子", "様", "一", "先生"}));
        const auto& t = texts;
        const qsizetype n = t.size();
        QVERIFY(qAbs(t[n - 6].ink.left() - t[n - 4].ink.left()) < 0.3); // 太郎, 花子
        QVERIFY(qAbs(t[n - 6].ink.left() - t[n - 2].ink.left()) < 0.6); // 太郎, 一
        QVERIFY(qAbs(t[n - 5].ink.left() - t[n - 3].ink.left()) < 0.3); // 様, 様
        QVERIFY(qAbs(t[n - 5].ink.left() - t[n - 1].ink.left()) < 0.3); // 様, 先生
        QVERIFY(t[n - 4].ink.top() > t[n - 6].ink.bottom());            // a line each
    }

    void addressLines()
    {
        QFETCH(PrintLayout, layout);
        QFETCH(QString, address);
        QFETCH(QStringList, lines);
        PrintOptions options;
        options.layout = layout;
        const Addressee addressee{QStringLiteral("1000005"), address, {}, QStringLiteral("山田")};
        const auto texts = RecordingDevice::record(
            [&](QPainter& painter) { LabelPage(options).draw(painter, addressee, 0); });
        // Pieces of text whose ink overlaps in height stand on one line. The postal code comes
        // first, the name last, the address between them.
        QStringList found;
        qreal bottom = -1;
        for (const auto& t : texts) {
            if (found.isEmpty() || t.ink.top() >= bottom) {
                found << t.text;
                bottom = t.ink.bottom();
            } else {
                found.last() += t.text;
                bottom = std::max(bottom, t.ink.bottom());
            }
        }
        QVERIFY2(found.size() >= 3, qPrintable(found.join(u'|')));
        QCOMPARE(found.mid(1, found.size() - 2), lines);
    }
};

VOK_TEST_MAIN(TestLabelPage)
#include "tst_labelpage.moc"
