#include "TestEnv.h"
#include "model/book/AddressRecord.h"
#include "model/exchange/csv/CsvFile.h"
#include "model/exchange/vcard/VCardReader.h"
#include "model/text/Cp932.h"
#include "model/text/PostalCode.h"

class TestPostalCode : public QObject
{
    Q_OBJECT
private slots:
    void normalized_data();
    void normalized();
};

void TestPostalCode::normalized_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("code");
    auto row = [](const char* title, const char* written, const char* code) {
        QTest::newRow(title) << QString::fromUtf8(written) << QString::fromUtf8(code);
    };
    row("as the book keeps it", "100-0001", "100-0001");
    row("postal mark", "〒100-0001", "100-0001");
    row("postal mark and space", "〒 100 0001", "100-0001");
    row("full width", "１７０－００１３", "170-0013");
    row("full width, long vowel mark for the hyphen", "１７０ー００１３", "170-0013");
    row("no hyphen", "1700013", "170-0013");
    row("ideographic space around", "\u3000〒５３００００１\u3000", "530-0001");
    row("old five digits kept", "123-45", "123-45");
    row("eight digits kept", "12345678", "12345678");
    row("foreign code kept", "SW1A 1AA", "SW1A 1AA");
    row("empty", "", "");
}

void TestPostalCode::normalized()
{
    QFETCH(QString, written);
    QFETCH(QString, code);
    QCOMPARE(QString::fromStdString(PostalCode::normalized(written.toStdString())), code);
    // The imports keep the same code: a vCard, and this program's CSV edited by hand (CP932).
    const std::string vcard =
        "BEGIN:VCARD\r\nFN:山田 太郎\r\nADR;TYPE=HOME:;;丸の内1-1;千代田区;東京都;" +
        written.toStdString() + ";\r\nEND:VCARD\r\n";
    const ImportResult v = VCardReader::read(vcard, {});
    QCOMPARE(v.records.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(Cp932::toUtf8(v.records[0]->postalCode())), code);
    const std::string cp932 = Cp932::fromUtf8(written.toStdString()).bytes;
    const ImportResult c = CsvFile::ImportText(",," + cp932 + ",,,,,,,,,,,,,Private\r\n");
    QCOMPARE(c.records.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(Cp932::toUtf8(c.records[0]->postalCode())), code);
}

VOK_TEST_APPLESS_MAIN(TestPostalCode)
#include "tst_postalcode.moc"
