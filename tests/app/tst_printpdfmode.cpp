#include "PdfText.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "settings/PrintSettings.h"
#include "settings/RegistryKey.h"
#include "settings/SenderSettings.h"

#include <QDir>
#include <QFile>

namespace {

const QString kSender = QStringLiteral("差出花子");

// The stored book: five friends (two with an office address) and two others, no address for
// the last friend's home.
void storeBook()
{
    CVOK_AddressDoc doc;
    QVERIFY(doc.LoadAddressFile());
    QVERIFY(doc.CreateGroup(QStringLiteral("友人")));
    const char* friends[] = {"浅野", "井上", "上田", "江藤", "大野"};
    for (int i = 0; i < 7; ++i) {
        auto r = std::make_unique<AddressRecord>();
        const bool friendOf = i < 5;
        r->setField(AddressRecord::Name,
                    Text::toCp932Lossy(friendOf ? QString::fromUtf8(friends[i])
                                                : QStringLiteral("他人%1").arg(i)));
        r->setField(AddressRecord::Group, Text::toCp932Lossy(friendOf ? QStringLiteral("友人")
                                                                      : QStringLiteral("Private")));
        if (i != 4) {
            r->setField(AddressRecord::PostalCode, "1000005");
            r->setField(AddressRecord::Address,
                        Text::toCp932Lossy(QStringLiteral("千代田区丸の内10-3")));
        }
        if (i < 2) {
            r->setField(AddressRecord::Company,
                        Text::toCp932Lossy(QStringLiteral("株式会社ＶＯＫ")));
            r->setField(AddressRecord::OfficeAddress,
                        Text::toCp932Lossy(QStringLiteral("大阪市北区")));
        }
        doc.AddRecord(std::move(r));
    }
    QVERIFY(doc.SaveAddressFile());
}

CommandLine::Result printPdf(const QStringList& options)
{
    return CommandLine::runMode(QStringList{"VOK_Address", "--print-pdf"} + options);
}

} // namespace

// --print-pdf as a script runs it: the stored book, sender and lettering, one PDF.
class TestPrintPdfMode : public QObject
{
    Q_OBJECT
    QString m_pdf;

private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        QFile::remove(DataLocation::addressFilePath());
        storeBook();
        SenderSettings{kSender, QStringLiteral("2310062"), QStringLiteral("横浜市中区")}.save();
        PrintSettings lettering;
        lettering.numerals = PrintSettings::KanjiZero;
        lettering.save();
        m_pdf = TestEnv::root() + QStringLiteral("/out.pdf");
        QFile::remove(m_pdf);
    }

    void writes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QString>("err");
        QTest::newRow("postcards of a group, 一〇 from the options")
            << QStringList{"--layout", "postcard", "--group", "友人"} << 4
            << QStringList{"浅野", "井上", "上田", "江藤", "一〇", kSender}
            << "left out 1 contacts";
        QTest::newRow("12 labels of everyone")
            << QStringList{"--layout", "label12"} << 1
            << QStringList{"浅野", "他人5", "他人6", "10-3"} << "left out 1 contacts";
        QTest::newRow("24 labels, office addresses, group in other case")
            << QStringList{"--group", "PRIVATE", "--layout", "label24", "--address", "office"} << -1
            << QStringList() << "no addresses to print";
        QTest::newRow("office postcards")
            << QStringList{"--layout", "postcard", "--address", "office", "--group", "友人"} << 2
            << QStringList{"浅野", "井上", "大阪市北区", kSender} << "left out 3 contacts";
    }

    void writes()
    {
        if (!PdfText::havePoppler())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
        QFETCH(QStringList, options);
        QFETCH(int, pages);
        QFETCH(QStringList, printed);
        QFETCH(QString, err);
        const CommandLine::Result result = printPdf(QStringList{m_pdf} + options);
        QVERIFY2(QString::fromUtf8(result.err).contains(err), result.err.constData());
        QCOMPARE(result.status, pages > 0 ? 0 : 1);
        QCOMPARE(QFile::exists(m_pdf), pages > 0);
        if (pages < 0)
            return;
        QCOMPARE(PdfText::pageCount(m_pdf), pages);
        QVERIFY(result.out.contains(QStringLiteral("%1 page(s)").arg(pages).toUtf8()));
        const QString text = PdfText::text(m_pdf);
        for (const QString& expected : printed)
            QVERIFY2(text.contains(PdfText::folded(expected)), qPrintable(expected + u' ' + text));
        QVERIFY2(!text.contains(PdfText::folded(QStringLiteral("大野"))), qPrintable(text));
    }

    void refuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("err");
        QTest::newRow("no file") << QStringList{"--layout", "postcard"}
                                 << "the PDF file is missing";
        QTest::newRow("no layout") << QStringList{"@pdf"} << "--layout needs a value";
        QTest::newRow("layout without value")
            << QStringList{"@pdf", "--layout"} << "--layout needs a value";
        QTest::newRow("unknown layout")
            << QStringList{"@pdf", "--layout", "a4"} << "postcard, label12 or label24: a4";
        QTest::newRow("unknown address")
            << QStringList{"@pdf", "--layout", "postcard", "--address", "work"}
            << "home or office: work";
        QTest::newRow("unknown option") << QStringList{"@pdf", "--layout", "postcard", "--colour"}
                                        << "unknown option: --colour";
        QTest::newRow("unknown group")
            << QStringList{"@pdf", "--layout", "postcard", "--group", "家族"}
            << "no group named 家族";
        QTest::newRow("folder missing")
            << QStringList{TestEnv::root() + "/none/out.pdf", "--layout", "postcard"}
            << "cannot write the PDF file";
    }

    void refuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, err);
        arguments.replaceInStrings(QStringLiteral("@pdf"), m_pdf);
        const CommandLine::Result result = printPdf(arguments);
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(QString::fromUtf8(result.err).contains(err), result.err.constData());
        QVERIFY(!QFile::exists(m_pdf));
    }

    void unreadableBookIsReported()
    {
        // A folder where the book should be: there, but not to be read.
        QVERIFY(QFile::remove(DataLocation::addressFilePath()));
        QVERIFY(QDir().mkpath(DataLocation::addressFilePath()));
        const CommandLine::Result result = printPdf({m_pdf, "--layout", "postcard"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains("cannot read the address book"), result.err.constData());
        QVERIFY(!QFile::exists(m_pdf));
        QVERIFY(QDir(DataLocation::addressFilePath()).removeRecursively());
    }
};

VOK_TEST_MAIN(TestPrintPdfMode)
#include "tst_printpdfmode.moc"
