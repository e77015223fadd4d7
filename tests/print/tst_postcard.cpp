#include "RecordingDevice.h"
#include "TestMain.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "print/Addressee.h"
#include "print/PostcardPage.h"
#include "print/PrintText.h"
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
    void jointNames_data();
    void jointNames();
    void minimumSize();
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

// Real-style addresses, each split and numbered as a Japanese writer would: 十 style for house
// numbers of one or two digits, digit by digit from three, floors as 階, numbers of names upright;
// breaks after the town part or a Kyoto direction, before the building, never inside a number.
void TestPostcard::addressLines_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("Tokyo, hyphens") << QStringLiteral("東京都千代田区丸の内1-2-3")
                                    << QStringList{"東京都千代田区丸の内一―二―三"};
    QTest::newRow("Tokyo, 丁目番号") << QStringLiteral("東京都新宿区西新宿2丁目8番1号")
                                     << QStringList{"東京都新宿区西新宿二丁目八番一号"};
    QTest::newRow("Tokyo, building with digits and floor")
        << QStringLiteral("東京都豊島区東池袋3-1-1 サンシャイン60 45F")
        << QStringList{"東京都豊島区東池袋三―一―一", "サンシャイン６０四十五階"};
    QTest::newRow("Tokyo, hills") << QStringLiteral(
                                         "東京都港区六本木6-10-1 六本木ヒルズ森タワー 52F")
                                  << QStringList{"東京都港区六本木六―十―一",
                                                 "六本木ヒルズ森タワー五十二階"};
    QTest::newRow("Osaka, building after the house number")
        << QStringLiteral("大阪府大阪市北区梅田2丁目4番9号ブリーゼタワー23階")
        << QStringList{"大阪府大阪市北区梅田二丁目四番九号", "ブリーゼタワー二十三階"};
    QTest::newRow("Kyoto, 通 and 上ル")
        << QStringLiteral("京都府京都市中京区河原町通三条上ル下丸屋町390")
        << QStringList{"京都府京都市中京区", "河原町通三条上ル下丸屋町三九〇"};
    QTest::newRow("Kyoto, 下ル, 七条 no break")
        << QStringLiteral("京都府京都市下京区烏丸通七条下ル東塩小路町721-1")
        << QStringList{"京都府京都市下京区烏丸通七条下ル", "東塩小路町七二一―一"};
    QTest::newRow("Kyoto, 東入ル") << QStringLiteral("京都府京都市上京区今出川通烏丸東入ル玄武町")
                                   << QStringList{"京都府京都市上京区", "今出川通烏丸東入ル玄武町"};
    QTest::newRow("Hokkaido, 条丁目 kept whole")
        << QStringLiteral("北海道札幌市中央区北1条西5丁目2-9")
        << QStringList{"北海道札幌市中央区", "北一条西五丁目二―九"};
    QTest::newRow("Hokkaido, ward then 条")
        << QStringLiteral("北海道札幌市北区北7条西4丁目1-1")
        << QStringList{"北海道札幌市北区", "北七条西四丁目一―一"};
    QTest::newRow("Hokkaido, 条通")
        << QStringLiteral("北海道旭川市4条通8丁目") << QStringList{"北海道旭川市四条通八丁目"};
    QTest::newRow("Hokkaido, 条南") << QStringLiteral("北海道帯広市西3条南9丁目1番地")
                                    << QStringList{"北海道帯広市西三条南九丁目一番地"};
    QTest::newRow("Iwate, 地割") << QStringLiteral("岩手県紫波郡矢巾町大字西徳田第5地割150番地")
                                 << QStringList{"岩手県紫波郡矢巾町",
                                                "大字西徳田第五地割一五〇番地"};
    QTest::newRow("Okinawa, 字") << QStringLiteral("沖縄県島尻郡与那原町字与那原3090-2")
                                 << QStringList{"沖縄県島尻郡与那原町", "字与那原三〇九〇―二"};
    QTest::newRow("Ibaraki, 大字 and 番地 of four digits")
        << QStringLiteral("茨城県つくば市大字谷田部1234番地")
        << QStringList{"茨城県つくば市", "大字谷田部一二三四番地"};
    QTest::newRow("room as the fourth number")
        << QStringLiteral("東京都世田谷区成城6-15-1-203")
        << QStringList{"東京都世田谷区", "成城六―十五―一―二〇三"};
    QTest::newRow("three lines before shrinking")
        << QStringLiteral("神奈川県横浜市西区みなとみらい2-2-1 ランドマークタワー12F")
        << QStringList{"神奈川県横浜市西区", "みなとみらい二―二―一", "ランドマークタワー十二階"};
    QTest::newRow("Osaka, 60 as a number, 30階")
        << QStringLiteral("大阪府大阪市中央区難波5丁目1-60 なんばスカイオ 30階")
        << QStringList{"大阪府大阪市中央区", "難波五丁目一―六十", "なんばスカイオ三十階"};
    QTest::newRow("Latin letters in the building")
        << QStringLiteral("福岡県福岡市博多区博多駅中央街1-1 JRJP博多ビル 8F")
        << QStringList{"福岡県福岡市博多区", "博多駅中央街一―一", "ＪＲＪＰ博多ビル八階"};
    QTest::newRow("Nagoya, three lines")
        << QStringLiteral("愛知県名古屋市中村区名駅1丁目1番4号 JRセントラルタワーズ 15階")
        << QStringList{"愛知県名古屋市中村区", "名駅一丁目一番四号",
                       "ＪＲセントラルタワーズ十五階"};
    QTest::newRow("at the space") << QStringLiteral("東京都中央区銀座4-6-16 銀座三越")
                                  << QStringList{"東京都中央区銀座四―六―十六", "銀座三越"};
    QTest::newRow("city of wards, room digit by digit")
        << QStringLiteral("埼玉県さいたま市大宮区桜木町1-7-5 ソニックシティビル 1205号室")
        << QStringList{"埼玉県さいたま市大宮区", "桜木町一―七―五",
                       "ソニックシティビル一二〇五号室"};
    QTest::newRow("Kobe, after the ward")
        << QStringLiteral("兵庫県神戸市中央区加納町6丁目5番1号")
        << QStringList{"兵庫県神戸市中央区", "加納町六丁目五番一号"};
    QTest::newRow("Hiroshima, one line") << QStringLiteral("広島県広島市中区基町10-52")
                                         << QStringList{"広島県広島市中区基町十―五十二"};
    QTest::newRow("一番町 and 6F")
        << QStringLiteral("宮城県仙台市青葉区一番町1-9-1 仙台トラストタワー 6F")
        << QStringList{"宮城県仙台市青葉区一番町一―九―一", "仙台トラストタワー六階"};
    QTest::newRow("district, town, 大字")
        << QStringLiteral("長野県北佐久郡軽井沢町大字軽井沢1323-286")
        << QStringList{"長野県北佐久郡軽井沢町", "大字軽井沢一三二三―二八六"};
    QTest::newRow("floor after a kanji")
        << QStringLiteral("東京都八王子市南大沢2-27 フレスコ南大沢3F")
        << QStringList{"東京都八王子市南大沢二―二十七", "フレスコ南大沢三階"};
    QTest::newRow("short") << QStringLiteral("千葉県浦安市舞浜1-1")
                           << QStringList{"千葉県浦安市舞浜一―一"};
    QTest::newRow("building and wing")
        << QStringLiteral("東京都渋谷区道玄坂1-12-1 渋谷マークシティ ウエスト22階")
        << QStringList{"東京都渋谷区道玄坂一―十二―一", "渋谷マークシティウエスト二十二階"};
    QTest::newRow("第2ビル upright")
        << QStringLiteral("東京都品川区大崎1-11-2 ゲートシティ大崎イーストタワー 第2ビル")
        << QStringList{"東京都品川区大崎一―十一―二", "ゲートシティ大崎イーストタワー", "第２ビル"};
    QTest::newRow("room after a kanji name")
        << QStringLiteral("東京都台東区浅草2-3-1 メゾン浅草101")
        << QStringList{"東京都台東区浅草二―三―一", "メゾン浅草一〇一"};
    QTest::newRow("room after a katakana name")
        << QStringLiteral("東京都中野区中野4-1-1 グランメゾン305")
        << QStringList{"東京都中野区中野四―一―一", "グランメゾン三〇五"};
    QTest::newRow("letter and room")
        << QStringLiteral("東京都杉並区高円寺南3-45-12 コーポ高円寺B-205")
        << QStringList{"東京都杉並区", "高円寺南三―四十五―十二", "コーポ高円寺Ｂ－二〇五"};
    QTest::newRow("half-width katakana")
        << QStringLiteral("兵庫県神戸市東灘区住吉山手1-2-3 ｺｰﾎﾟ住吉")
        << QStringList{"兵庫県神戸市東灘区", "住吉山手一―二―三コーポ住吉"};
    QTest::newRow("the user's line break")
        << QStringLiteral("東京都千代田区丸の内1-2-3\nABCビル10F")
        << QStringList{"東京都千代田区丸の内一―二―三", "ＡＢＣビル十階"};
    QTest::newRow("very long: the building whole, shrunk")
        << QStringLiteral("北海道札幌市中央区北五条西2丁目5番地 "
                          "ＪＲタワーオフィスプラザさっぽろ受付気付総務部")
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

// 連名: the family name once, each given name in a column of its own, the columns evenly apart,
// the given names and the 敬称 each in a row.
void TestPostcard::jointNames_data()
{
    QTest::addColumn<QStringList>("joints");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("columns"); // from the right, each from the top
    QTest::newRow("one name") << QStringList{} << "" << QStringList{"山田太郎様"};
    QTest::newRow("a couple") << QStringList{"花子"} << "" << QStringList{"山田太郎様", "花子様"};
    QTest::newRow("family of four") << QStringList{"花子", "健太", "美咲"} << ""
                                    << QStringList{"山田太郎様", "花子様", "健太様", "美咲様"};
    QTest::newRow("a full name of another family")
        << QStringList{"佐藤 花子"} << "" << QStringList{"山田太郎様", "佐藤花子様"};
    QTest::newRow("a given name of one character")
        << QStringList{"一"} << "" << QStringList{"山田太郎様", "一様"};
    QTest::newRow("title above the name")
        << QStringList{"花子"} << "部長" << QStringList{"部長山田太郎様", "花子様"};
}

void TestPostcard::jointNames()
{
    QFETCH(QStringList, joints);
    QFETCH(QString, title);
    QFETCH(QStringList, columns);
    Addressee a{"1000005", "東京都千代田区丸の内1-2-3", {}, "山田 太郎"};
    for (const QString& j : joints)
        a.jointNames.append({j, QStringLiteral("様")});
    a.title = title;
    const Sender sender{QStringLiteral("鈴木一郎"), QStringLiteral("2310062"),
                        QStringLiteral("横浜市中区桜木町1-1")};
    const auto texts = drawCard(a, sender);
    // The middle of the card: right of the sender's column, left of the address.
    QList<std::pair<qreal, QList<RecordingDevice::Text>>> found;
    for (const auto& t : texts) {
        const QPointF c = t.ink.center();
        if (c.x() < 36 || c.x() > 80 || c.y() < 25)
            continue;
        auto column = std::find_if(found.begin(), found.end(),
                                   [&](const auto& col) { return qAbs(col.first - c.x()) < 3.5; });
        if (column == found.end())
            found.append({c.x(), {t}});
        else
            column->second.append(t);
    }
    std::sort(found.begin(), found.end(),
              [](const auto& x, const auto& y) { return x.first > y.first; });
    QStringList read;
    for (const auto& column : found) {
        QString text;
        for (const auto& t : column.second)
            text += t.text;
        read << text;
    }
    QCOMPARE(read, columns);
    // Evenly apart, and every 様 in one row.
    const auto& first = found.first().second;
    for (qsizetype i = 1; i < found.size(); ++i) {
        if (i > 1)
            QVERIFY(qAbs((found[i - 1].first - found[i].first) -
                         (found[0].first - found[1].first)) < 0.3);
        QVERIFY(qAbs(found[i].second.last().ink.top() - first.last().ink.top()) < 0.01);
        // The given name starts in the row of the first name's given name, below its family
        // name; a shorter one sits in the middle of the row.
        const auto& column = found[i].second;
        const qsizetype givenIndex = column.size() >= 5 ? column.size() - 3 : 0;
        const qreal row =
            (first[first.size() - 3].ink.center().y() + first[first.size() - 2].ink.center().y()) /
            2;
        if (column.size() == 2) // 一 様
            QVERIFY2(qAbs(column[0].ink.center().y() - row) < 1.0,
                     qPrintable(QString::number(row)));
        else
            QVERIFY(qAbs(column[givenIndex].ink.center().y() -
                         first[first.size() - 3].ink.center().y()) < 1.0);
        QVERIFY(column[givenIndex].ink.top() > first[first.size() - 4].ink.bottom());
    }
    if (!title.isEmpty())
        QVERIFY(first[0].ink.height() < 0.6 * first[3].ink.height());
}

// An address too long for three lines at 3.5 mm stays at 3.5 mm, and the preview says so on the
// card; paper never gets the note.
void TestPostcard::minimumSize()
{
    PrintOptions preview;
    preview.markProblems = true;
    // The note at the top and the height of 長 in the address.
    auto draw = [&](const PrintOptions& options, const QString& address) {
        const auto texts = RecordingDevice::record([&](QPainter& painter) {
            PostcardPage(options, Sender()).draw(painter, {"1000005", address, {}, "山田"});
        });
        QString top;
        qreal height = 100;
        for (const auto& t : texts) {
            if (t.ink.bottom() < 6)
                top += t.text;
            else if (t.text == u"長")
                height = std::min(height, t.ink.height());
        }
        return std::pair(top.remove(u' ') ==
                             PrintText::addressTooSmall(preview.minimumAddressSizeMm).remove(u' '),
                         height);
    };
    const QString tooLong(120, u'長');
    QVERIFY(!PostcardPage(preview, Sender()).belowMinimum({"1", "長野県長野市", {}, "山田"}));
    QVERIFY(PostcardPage(preview, Sender()).belowMinimum({"1", tooLong, {}, "山田"}));
    const auto [noted, small] = draw(preview, tooLong);
    const auto [notedShort, full] = draw(preview, QStringLiteral("長野県長野市"));
    QVERIFY(noted && !notedShort && !draw(PrintOptions(), tooLong).first);
    // 長 at 3.5 mm beside 長 at the address's full 5.5 mm.
    QVERIFY2(qAbs(small / full - 3.5 / 5.5) < 0.02, qPrintable(QString::number(small / full)));
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
