#include "PdfText.h"
#include "TestMain.h"
#include "print/AddressPrinter.h"

#include "print/PrintText.h"

#include <QPdfWriter>
#include <QPrinter>

Q_DECLARE_METATYPE(PrintLayout)

namespace {

using PdfText::folded;
using PdfText::havePoppler;
using PdfText::run;

QList<Addressee> addressees(int count)
{
    QList<Addressee> list;
    for (int i = 0; i < count; ++i)
        list << Addressee{QStringLiteral("100-0005"),
                          QStringLiteral("東京都千代田区丸の内1-2-3"),
                          {},
                          QStringLiteral("山田 太郎%1").arg(i + 1)};
    return list;
}

const Sender theSender{QStringLiteral("鈴木一郎"), QStringLiteral("2310062"),
                       QStringLiteral("横浜市中区桜木町1-1")};

} // namespace

class TestPdf : public QObject
{
    Q_OBJECT
private slots:
    void pages_data();
    void pages();
    void textInReadingOrder_data();
    void textInReadingOrder();
    void printerPageRange();
    void everyNameFound();
    void calibrationPage_data();
    void calibrationPage();
    void failureKeepsTheOldFile_data();
    void failureKeepsTheOldFile();
};

void TestPdf::pages_data()
{
    QTest::addColumn<PrintLayout>("layout");
    QTest::addColumn<int>("addressees");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QSizeF>("pageSize"); // millimetres
    const QSizeF postcard(100, 148);
    const QSizeF a4(210, 297);
    QTest::newRow("postcards, one a page") << PrintLayout::Postcard << 3 << 3 << postcard;
    QTest::newRow("12 labels, a sheet and one") << PrintLayout::Label12 << 13 << 2 << a4;
    QTest::newRow("24 labels, one full sheet") << PrintLayout::Label24 << 24 << 1 << a4;
    QTest::newRow("24 labels, a sheet and one") << PrintLayout::Label24 << 25 << 2 << a4;
}

void TestPdf::pages()
{
    if (!havePoppler())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    QFETCH(PrintLayout, layout);
    QFETCH(int, addressees);
    QFETCH(int, pages);
    QFETCH(QSizeF, pageSize);
    PrintOptions options;
    options.layout = layout;
    const QString path = TestEnv::root() + QStringLiteral("/pages.pdf");
    QVERIFY(AddressPrinter::writePdf(path, ::addressees(addressees), theSender, options));
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))),
             qPrintable(info));
    // Exactly the paper (Qt itself writes whole points: 284 x 419 pt for 100 x 148 mm).
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    QVERIFY2(size.hasMatch(), qPrintable(info));
    QVERIFY2(qAbs(size.captured(1).toDouble() * 25.4 / 72 - pageSize.width()) < 0.1 &&
                 qAbs(size.captured(2).toDouble() * 25.4 / 72 - pageSize.height()) < 0.1,
             qPrintable(info));
    // Only the glyphs used are embedded: the font files themselves weigh megabytes.
    QVERIFY2(QFileInfo(path).size() < 150000, qPrintable(QString::number(QFileInfo(path).size())));
    const QString fonts = run(QStringLiteral("pdffonts"), {path});
    QVERIFY2(fonts.contains(QStringLiteral("Identity-H       yes")), qPrintable(fonts));
}

void TestPdf::textInReadingOrder_data()
{
    QTest::addColumn<PrintLayout>("layout");
    QTest::addColumn<QString>("text");
    QTest::newRow("postcard") << PrintLayout::Postcard
                              << QStringLiteral(
                                     "1000005東京都千代田区丸の内一―二―三株式会社ＶＯＫ山田太郎１様"
                                     "2310062横浜市中区桜木町一―一鈴木一郎");
    QTest::newRow("label") << PrintLayout::Label12
                           << QStringLiteral(
                                  "〒100-0005東京都千代田区丸の内1-2-3株式会社ＶＯＫ山田太郎1様");
}

void TestPdf::textInReadingOrder()
{
    if (!havePoppler())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    QFETCH(PrintLayout, layout);
    QFETCH(QString, text);
    PrintOptions options;
    options.layout = layout;
    QList<Addressee> list = addressees(1);
    list[0].company = QStringLiteral("株式会社ＶＯＫ");
    const QString path = TestEnv::root() + QStringLiteral("/text.pdf");
    QVERIFY(AddressPrinter::writePdf(path, list, theSender, options));
    // The text as written, not folded: no Kangxi radical stands in for an ideograph.
    QString found = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, "-"});
    found.remove(QRegularExpression(QStringLiteral("\\s")));
    QCOMPARE(found, text);
}

// The print dialog's "pages 2 to 3" through a QPrinter, as the preview and the printer get it.
void TestPdf::printerPageRange()
{
    if (!havePoppler())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    const QString path = TestEnv::root() + QStringLiteral("/range.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    QVERIFY(AddressPrinter(PrintOptions(), theSender).print(printer, addressees(5)));
    // Mended as the preview's "print to file" is: 山田, not ⼭⽥; the card's own size.
    QVERIFY(AddressPrinter::finishPdfFile(path, PrintOptions()));
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("283.465 x 419.528 pts")), qPrintable(info));
    const QString raw = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, "-"});
    QVERIFY2(raw.contains(QStringLiteral("山")) && raw.contains(QStringLiteral("田")),
             qPrintable(raw));
    const QString text = folded(raw);
    QVERIFY2(text.contains(QStringLiteral("太郎2様")) && text.contains(QStringLiteral("太郎3様")) &&
                 !text.contains(QStringLiteral("太郎1様")) &&
                 !text.contains(QStringLiteral("太郎4様")),
             qPrintable(text));
}

// A hundred cards of 連名, with names whose kanji fonts share with radicals (山, 田, 一, 人,
// 大, 長, 青, 黒, 金): pdftotext finds each name and address exactly as printed.
void TestPdf::everyNameFound()
{
    if (!havePoppler())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    const QStringList families{"山田", "青木", "長谷川", "大野", "黒田",
                               "金子", "小林", "高橋",   "人見", "一ノ瀬"};
    const QStringList given{"太郎", "花子", "一郎", "美咲", "健太",
                            "里美", "大輔", "玲奈", "翔",   "真由美"};
    QList<Addressee> list;
    for (int i = 0; i < 100; ++i) {
        Addressee a{QStringLiteral("100-0005"),
                    QStringLiteral("東京都千代田区丸の内%1-2-3").arg(i % 9 + 1),
                    {},
                    families[i % 10] + u' ' + given[i / 10]};
        a.jointNames.append({given[(i + 3) % 10], QStringLiteral("様")});
        list << a;
    }
    const QString path = TestEnv::root() + QStringLiteral("/hundred.pdf");
    QVERIFY(AddressPrinter::writePdf(path, list, theSender, PrintOptions()));
    QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, "-"});
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    for (QChar c : text)
        QVERIFY2(c.unicode() < 0x2E80 || c.unicode() > 0x2FDF, qPrintable(QString(c)));
    // Card by card, in reading order.
    qsizetype at = 0;
    for (int i = 0; i < list.size(); ++i) {
        const Addressee& a = list[i];
        const QString address = QStringLiteral("東京都千代田区丸の内") +
                                QStringLiteral("一二三四五六七八九")[i % 9] +
                                QStringLiteral("―二―三");
        const QString names =
            a.name.simplified().remove(u' ') + u'様' + a.jointNames[0].name + u'様';
        const qsizetype found = text.indexOf(address + names, at);
        QVERIFY2(found >= 0, qPrintable(address + names + u' ' + text.mid(at, 60)));
        at = found + address.size() + names.size();
    }
}

void TestPdf::calibrationPage_data()
{
    QTest::addColumn<PrintLayout>("layout");
    QTest::addColumn<QString>("lastMark"); // the ruler's last number down the page
    QTest::newRow("postcard") << PrintLayout::Postcard << "140";
    QTest::newRow("labels") << PrintLayout::Label24 << "290";
}

// One page with the ruler and the title, moved by the offset like the cards.
void TestPdf::calibrationPage()
{
    if (!havePoppler())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    QFETCH(PrintLayout, layout);
    QFETCH(QString, lastMark);
    PrintOptions options;
    options.layout = layout;
    options.offsetMm[std::size_t(layout)] = QPointF(0, 5);
    const QString path = TestEnv::root() + QStringLiteral("/calibration.pdf");
    {
        QPdfWriter writer(path);
        QVERIFY(AddressPrinter(options, Sender()).printCalibration(writer));
    }
    QCOMPARE(PdfText::pageCount(path), 1);
    const QString text = PdfText::text(path);
    QVERIFY2(text.contains(folded(PrintText::calibrationTitle())) && text.contains(lastMark),
             qPrintable(text));
    // Moved 5 mm down: the top ruler's 10, on a baseline 8 mm down, has its top near 10.8 mm.
    const QString box = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, "-"});
    qreal top = 1000;
    auto words = QRegularExpression(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*>10<")).globalMatch(box);
    while (words.hasNext())
        top = std::min(top, words.next().captured(1).toDouble() * 25.4 / 72);
    QVERIFY2(top > 10.0 && top < 11.6, qPrintable(QString::number(top)));
}

void TestPdf::failureKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("addressees");
    QTest::newRow("nothing to print") << QStringLiteral("old.pdf") << 0;
    QTest::newRow("folder missing") << QStringLiteral("missing/new.pdf") << 2;
}

void TestPdf::failureKeepsTheOldFile()
{
    QFETCH(QString, path);
    QFETCH(int, addressees);
    const QString file = TestEnv::root() + u'/' + path;
    QFile::remove(file);
    if (!path.contains(u'/')) {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QVERIFY(!AddressPrinter::writePdf(file, ::addressees(addressees), theSender, PrintOptions()));
    QFile result(file);
    if (path.contains(u'/')) {
        QVERIFY(!result.exists());
    } else {
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), QByteArray("old"));
    }
}

VOK_TEST_MAIN(TestPdf)
#include "tst_pdf.moc"
