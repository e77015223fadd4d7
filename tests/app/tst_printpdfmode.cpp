#include "PdfText.h"
#include "PrintTestBook.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "core/DataLocation.h"
#include "settings/PrintSettings.h"
#include "settings/RegistryKey.h"
#include "settings/SenderSettings.h"

#include <QFile>

// --print-pdf as a script runs it: the stored book, sender and lettering, one PDF.
class TestPrintPdfMode : public QObject
{
    Q_OBJECT
    QString m_pdf;

    CommandLine::Result printPdf(QStringList arguments)
    {
        arguments.replaceInStrings(QStringLiteral("@pdf"), m_pdf);
        return CommandLine::runMode(QStringList{"VOK_Address", "--print-pdf"} + arguments);
    }

private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        TestEnv::removeBook(DataLocation::addressFilePath());
        CVOK_AddressDoc book;
        QVERIFY(book.LoadAddressFile());
        QVERIFY(book.CreateGroup(PrintTestBook::Group));
        PrintTestBook::fill(book);
        QVERIFY(book.SaveAddressFile());
        SenderSettings{PrintTestBook::Sender, "2310062", QStringLiteral("横浜市中区")}.save();
        PrintSettings lettering;
        lettering.numerals = PrintSettings::KanjiZero;
        lettering.save();
        m_pdf = TestEnv::root() + QStringLiteral("/out.pdf");
        QFile::remove(m_pdf);
    }

    void writes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("pages"); // 0: refused
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QString>("err");
        const QString& sender = PrintTestBook::Sender;
        QTest::newRow("postcards of a group, 一〇 from the options")
            << QStringList{"@pdf", "--layout", "postcard", "--group", "友人"} << 10
            << QStringList{"浅野", "佐藤", "一〇―三", sender} << "";
        QTest::newRow("12 labels of everyone") << QStringList{"@pdf", "--layout", "label12"} << 2
                                               << QStringList{"浅野", "中村", "10-3"} << "";
        QTest::newRow("office postcards of those who have one")
            << QStringList{"@pdf", "--address", "office", "--layout", "postcard", "--group", "友人"}
            << 4 << QStringList{"江藤", "大阪市北区", sender} << "left out 6 contacts";
        QTest::newRow("24 labels, a group in other case without office addresses")
            << QStringList{"@pdf",    "--group",   "PRIVATE", "--layout",
                           "label24", "--address", "office"}
            << 0 << QStringList() << "left out 3 contacts";
        QTest::newRow("年賀状 2027: 喪中 and 送らない left out by name")
            << QStringList{"@pdf", "--layout", "postcard", "--group", "友人", "--year", "2027"} << 8
            << QStringList{"浅野", "江藤", sender} << "井上: 喪中\n  上田: 年賀状を送らない印";
        QTest::newRow("only those marked to send")
            << QStringList{"@pdf", "--layout", "label12", "--year", "2027", "--only-send"} << 1
            << QStringList{"浅野"} << "江藤: 年賀状を送る印がない";
        QTest::newRow("bad year") << QStringList{"@pdf", "--layout", "postcard", "--year", "27"}
                                  << 0 << QStringList() << "--year must be a year";
        QTest::newRow("no file") << QStringList{"--layout", "postcard"} << 0 << QStringList()
                                 << "the PDF file is missing";
        QTest::newRow("layout without value")
            << QStringList{"@pdf", "--layout"} << 0 << QStringList() << "--layout needs a value";
        QTest::newRow("unknown layout") << QStringList{"@pdf", "--layout", "a4"} << 0
                                        << QStringList() << "postcard, label12 or label24: a4";
        QTest::newRow("unknown address")
            << QStringList{"@pdf", "--layout", "postcard", "--address", "work"} << 0
            << QStringList() << "home or office: work";
        QTest::newRow("unknown option") << QStringList{"@pdf", "--layout", "postcard", "--colour"}
                                        << 0 << QStringList() << "unknown option: --colour";
        QTest::newRow("unknown group")
            << QStringList{"@pdf", "--layout", "postcard", "--group", "家族"} << 0 << QStringList()
            << "no group named 家族";
        QTest::newRow("folder missing")
            << QStringList{TestEnv::root() + "/none/out.pdf", "--layout", "postcard"} << 0
            << QStringList() << "cannot write the PDF file";
    }

    void writes()
    {
        if (!PdfText::havePoppler())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
        QFETCH(QStringList, arguments);
        QFETCH(int, pages);
        QFETCH(QStringList, printed);
        QFETCH(QString, err);
        const CommandLine::Result result = printPdf(arguments);
        QVERIFY2(QString::fromUtf8(result.err).contains(err), result.err.constData());
        QCOMPARE(result.status, pages > 0 ? 0 : 1);
        QCOMPARE(result.out.isEmpty(), pages == 0);
        QCOMPARE(QFile::exists(m_pdf), pages > 0);
        if (pages == 0)
            return;
        QCOMPARE(PdfText::pageCount(m_pdf), pages);
        const QString text = PdfText::text(m_pdf);
        for (const QString& expected : printed)
            QVERIFY2(text.contains(PdfText::folded(expected)), qPrintable(expected + u' ' + text));
    }
};

VOK_TEST_MAIN(TestPrintPdfMode)
#include "tst_printpdfmode.moc"
