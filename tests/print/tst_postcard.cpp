#include "RecordingDevice.h"
#include "TestMain.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "print/Addressee.h"
#include "print/PostcardPage.h"
#include "print/ScaledFont.h"
#include "print/VerticalText.h"

namespace {

// The box centres Japan Post publishes for the recipient (12.0 mm from the top and 8.0 mm from
// the right edge to the boxes, 5.7 x 8.0 mm boxes, 1.3 / 1.9 / 1.1 mm apart) and the commonly
// measured small boxes of the sender (4.0 x 6.5 mm from 5.3 mm left and 122.5 mm down).
const qreal recipientCentreX[] = {47.15, 54.15, 61.15, 68.75, 75.55, 82.35, 89.15};
const qreal senderCentreX[] = {7.3, 11.3, 15.3, 20.3, 24.3, 28.3, 32.3};
constexpr qreal recipientCentreY = 16.0;
constexpr qreal senderCentreY = 125.75;

QList<RecordingDevice::Text> drawCard(const Addressee& addressee, const Sender& sender = {})
{
    return RecordingDevice::record(
        [&](QPainter& painter) { PostcardPage(PrintOptions(), sender).draw(painter, addressee); });
}

bool isDigit(const RecordingDevice::Text& t)
{
    return t.text.size() == 1 && t.text[0].isDigit();
}

} // namespace

class TestPostcard : public QObject
{
    Q_OBJECT
private slots:
    void postalDigitsInBoxes_data();
    void postalDigitsInBoxes();
    void verticalForms_data();
    void verticalForms();
    void addressLines_data();
    void addressLines();
    void nameAndSender_data();
    void nameAndSender();
    void wholeTextOfTheRecord();
};

void TestPostcard::postalDigitsInBoxes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("digits");
    QTest::newRow("plain") << "1000005"
                           << "1000005";
    QTest::newRow("with hyphen") << "530-0001"
                                 << "5300001";
    QTest::newRow("full-width") << "０６０－０００５"
                                << "0600005";
    QTest::newRow("old five digits fill from the left") << "123-45"
                                                        << "12345";
}

void TestPostcard::postalDigitsInBoxes()
{
    QFETCH(QString, code);
    QFETCH(QString, digits);
    const Sender sender{QStringLiteral("鈴木一郎"), code, QStringLiteral("横浜市中区1-1")};
    const auto texts = drawCard({code, QStringLiteral("東京都千代田区"), {}, "山田太郎"}, sender);
    QList<RecordingDevice::Text> recipient;
    QList<RecordingDevice::Text> senders;
    for (const auto& t : texts) {
        if (isDigit(t))
            (t.ink.center().y() < 60 ? recipient : senders).append(t);
    }
    QCOMPARE(recipient.size(), digits.size());
    QCOMPARE(senders.size(), digits.size());
    for (int i = 0; i < digits.size(); ++i) {
        QCOMPARE(recipient[i].text, QString(digits[i]));
        const QPointF r = recipient[i].ink.center();
        QVERIFY2(qAbs(r.x() - recipientCentreX[i]) <= 0.5 && qAbs(r.y() - recipientCentreY) <= 0.5,
                 qPrintable(
                     QStringLiteral("recipient digit %1 at %2, %3").arg(i).arg(r.x()).arg(r.y())));
        QCOMPARE(senders[i].text, QString(digits[i]));
        const QPointF s = senders[i].ink.center();
        QVERIFY2(
            qAbs(s.x() - senderCentreX[i]) <= 0.5 && qAbs(s.y() - senderCentreY) <= 0.5,
            qPrintable(QStringLiteral("sender digit %1 at %2, %3").arg(i).arg(s.x()).arg(s.y())));
        // Upright, and the ink inside the box's lines.
        QCOMPARE(recipient[i].rotation, 0.0);
        QVERIFY(recipient[i].ink.width() < 5.7 && recipient[i].ink.height() < 8.0);
        QVERIFY(senders[i].ink.width() < 4.0 && senders[i].ink.height() < 6.5);
    }
}

void TestPostcard::verticalForms_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<qreal>("rotation");
    // Where the ink's centre may lie, in ems right of and above the cell's centre.
    QTest::addColumn<QRectF>("place");
    const QRectF centre(-0.1, -0.1, 0.2, 0.2);
    const QRectF upRight(0.05, 0.05, 0.15, 0.15);
    const QRectF corner(0.25, 0.25, 0.3, 0.3);
    QTest::newRow("kanji upright, centred") << "国" << 0.0 << centre;
    QTest::newRow("long vowel mark turned") << "ー" << 90.0 << centre;
    QTest::newRow("wave dash turned") << "〜" << 90.0 << centre;
    QTest::newRow("full-width hyphen turned") << "－" << 90.0 << centre;
    QTest::newRow("horizontal bar turned") << "―" << 90.0 << centre;
    QTest::newRow("opening bracket turned, low in its cell")
        << "「" << 90.0 << QRectF(-0.2, -0.45, 0.4, 0.25);
    QTest::newRow("closing bracket turned, high in its cell")
        << "）" << 90.0 << QRectF(-0.2, 0.2, 0.4, 0.25);
    QTest::newRow("small tsu up and right") << "っ" << 0.0 << upRight;
    QTest::newRow("small katakana ya") << "ャ" << 0.0 << upRight;
    QTest::newRow("comma to the upper right") << "、" << 0.0 << corner;
    QTest::newRow("full stop to the upper right") << "。" << 0.0 << corner;
    QTest::newRow("full-width letter upright") << "Ａ" << 0.0 << centre;
}

void TestPostcard::verticalForms()
{
    QFETCH(QString, character);
    QFETCH(qreal, rotation);
    QFETCH(QRectF, place);
    // The character between two kanji, in cells of 10 mm from (50, 10): its cell is 20..30.
    const ScaledFont font(PrintOptions().fontFamily);
    const auto texts = RecordingDevice::record([&](QPainter& painter) {
        VerticalText::draw(painter, font, QPointF(50, 10), "山" + character + "川", 10);
    });
    QCOMPARE(texts.size(), 3);
    const RecordingDevice::Text& t = texts[1];
    QCOMPARE(t.text, character);
    QCOMPARE(t.rotation, rotation);
    const QPointF offset((t.ink.center().x() - 50) / 10, (25 - t.ink.center().y()) / 10);
    QVERIFY2(place.contains(offset),
             qPrintable(QStringLiteral("%1, %2").arg(offset.x()).arg(offset.y())));
}

void TestPostcard::addressLines_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("short: one line")
        << "東京都千代田区丸の内1-2-3" << QStringList{"東京都千代田区丸の内一―二―三"};
    QTest::newRow("long: two lines, the building on the second")
        << "大阪府大阪市北区梅田2丁目4番9号ブリーゼタワー23階"
        << QStringList{"大阪府大阪市北区梅田二丁目四番九号", "ブリーゼタワー二十三階"};
    QTest::newRow("line break of the record")
        << "東京都千代田区丸の内1-2-3\nABCビル10F"
        << QStringList{"東京都千代田区丸の内一―二―三", "ＡＢＣビル十Ｆ"};
    QTest::newRow("very long: two lines, shrunk to fit")
        << "北海道札幌市中央区北五条西2丁目5番地 ＪＲタワーオフィスプラザさっぽろ受付気付総務部"
        << QStringList{"北海道札幌市中央区北五条西二丁目五番地",
                       "ＪＲタワーオフィスプラザさっぽろ受付気付総務部"};
}

void TestPostcard::addressLines()
{
    QFETCH(QString, address);
    QFETCH(QStringList, lines);
    const auto texts = drawCard({"1000005", address, {}, "山田太郎"});
    // The address lines: cells right of the name's column, below the boxes; grouped by column
    // from the right, each read from the top.
    QList<std::pair<qreal, QString>> columns;
    qreal bottom = 0;
    for (const auto& t : texts) {
        const QPointF c = t.ink.center();
        if (c.x() < 62 || c.y() < 22)
            continue;
        auto column = std::find_if(columns.begin(), columns.end(),
                                   [&](const auto& col) { return qAbs(col.first - c.x()) < 1.5; });
        if (column == columns.end())
            columns.append({c.x(), t.text});
        else
            column->second += t.text;
        bottom = std::max(bottom, t.ink.bottom());
    }
    QStringList found;
    for (const auto& column : columns)
        found << column.second;
    QCOMPARE(found, lines);
    for (qsizetype i = 1; i < columns.size(); ++i) // written from the right
        QVERIFY(columns[i].first < columns[i - 1].first);
    QVERIFY2(bottom < PostcardPage::SizeMm.height() - 15, qPrintable(QString::number(bottom)));
}

void TestPostcard::nameAndSender_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("middle"); // what the middle column shows
    QTest::newRow("person") << "山田 太郎"
                            << ""
                            << "山田太郎様";
    QTest::newRow("person at a company") << "山田 太郎"
                                         << "東都電機"
                                         << "山田太郎様";
    QTest::newRow("company alone") << ""
                                   << "東都電機"
                                   << "東都電機御中";
    QTest::newRow("honorific already written") << "山田太郎様"
                                               << ""
                                               << "山田太郎様";
    QTest::newRow("nobody named") << ""
                                  << ""
                                  << "";
}

void TestPostcard::nameAndSender()
{
    QFETCH(QString, name);
    QFETCH(QString, company);
    QFETCH(QString, middle);
    const Sender sender{QStringLiteral("鈴木一郎"), QStringLiteral("2310062"), {}};
    const auto texts = drawCard({"1000005", "東京都千代田区", company, name}, sender);
    QString centre;
    QString lowerLeft;
    for (const auto& t : texts) {
        const QPointF c = t.ink.center();
        if (qAbs(c.x() - 50) < 6 && c.y() > 25)
            centre += t.text;
        else if (c.x() < 40 && c.y() > 60 && c.y() < 120)
            lowerLeft += t.text;
    }
    QCOMPARE(centre, middle);
    // Every card carries the sender, whoever it goes to.
    QCOMPARE(lowerLeft, QStringLiteral("鈴木一郎"));
}

// The book keeps 〓 where CP932 lacks a character; the card bears the whole name, unless
// another program changed the field since.
void TestPostcard::wholeTextOfTheRecord()
{
    AddressRecord record;
    ContactExtras extras;
    record.setField(AddressRecord::Name, extras.setFieldText(AddressRecord::Name, "𠮷田 優子"));
    record.setField(AddressRecord::Address,
                    extras.setFieldText(AddressRecord::Address, "東京都葛飾区柴又"));
    record.setExtras(extras);
    Addressee a = Addressee::fromRecord(record, AddressKind::Home);
    QCOMPARE(a.name, QStringLiteral("𠮷田 優子"));
    QCOMPARE(a.address, QStringLiteral("東京都葛飾区柴又"));
    record.setField(AddressRecord::Name, "Yoshida");
    a = Addressee::fromRecord(record, AddressKind::Home);
    QCOMPARE(a.name, QStringLiteral("Yoshida"));
}

VOK_TEST_MAIN(TestPostcard)
#include "tst_postcard.moc"
