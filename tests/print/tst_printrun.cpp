#include "TestMain.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "print/PrintRun.h"

#include <memory>

Q_DECLARE_METATYPE(PrintRun::Filter)

namespace {

using Send = ContactExtras::Nenga::Send;

// name|honorific, as a table cell.
ContactExtras::JointName joint(const QString& cell)
{
    const QStringList parts = cell.split(u'|');
    return {parts[0].toStdString(), parts.value(1).toStdString(), {}};
}

QStringList printed(const QList<Addressee::PrintedName>& names)
{
    QStringList out;
    for (const Addressee::PrintedName& n : names)
        out << n.family + u'|' + n.given + u'|' + n.honorific;
    return out;
}

// A contact with a home address, and its 2027 marks: "send", "nosend", "mourning",
// "received", "sent" joined by spaces.
std::unique_ptr<AddressRecord> contact(const QString& name, const QString& marks,
                                       bool address = true)
{
    auto r = std::make_unique<AddressRecord>();
    ContactExtras extras;
    r->setField(AddressRecord::Name, extras.setFieldText(AddressRecord::Name, name.toStdString()));
    if (address) {
        r->setField(AddressRecord::PostalCode, "100-0005");
        r->setField(AddressRecord::Address,
                    extras.setFieldText(AddressRecord::Address, "千代田区丸の内1-1"));
    }
    ContactExtras::Nenga nenga;
    nenga.year = 2027;
    for (const QString& word : marks.split(u' ', Qt::SkipEmptyParts))
        nenga.addMarkWord(word.toStdString());
    extras.setNenga(nenga);
    r->setExtras(extras);
    return r;
}

} // namespace

class TestPrintRun : public QObject
{
    Q_OBJECT
private slots:
    void honorifics_data();
    void honorifics();
    void leftOut_data();
    void leftOut();
};

// 敬称 and 連名: each person's own, the run's choice, 御中 for a company, never two.
void TestPrintRun::honorifics_data()
{
    QTest::addColumn<QStringList>("contact"); // name, company, department, stored 敬称 (様, なし)
    QTest::addColumn<QStringList>("joints"); // name|stored 敬称
    QTest::addColumn<QString>("run");        // "*": each contact's own
    QTest::addColumn<QStringList>("names");  // family|given|敬称
    auto row = [](const char* title, const QString& contact, const QStringList& joints,
                  const QString& run, const QStringList& names) {
        QTest::newRow(title) << contact.split(u',') << joints << run << names;
    };
    row("様 by default", "山田 太郎,,,", {}, "*", {"山田|太郎|様"});
    row("a teacher gets 先生 only", "佐藤 一郎,,,先生", {}, "*", {"佐藤|一郎|先生"});
    row("先生 written in the name", "佐藤一郎先生,,,", {}, "*", {"佐藤一郎先生||"});
    row("none", "山田 太郎,,,なし", {}, "*", {"山田|太郎|"});
    row("殿 stored", "山田 太郎,,,殿", {}, "*", {"山田|太郎|殿"});
    row("company alone gets 御中", ",東都電機株式会社,,", {}, "*", {"東都電機株式会社||御中"});
    row("company and department, whatever the run", ",東都電機株式会社,営業部,", {}, "様",
        {"東都電機株式会社 営業部||御中"});
    row("a bank is a company, not 行", ",みずほ銀行,,", {}, "*", {"みずほ銀行||御中"});
    row("御中 written", ",総務部御中,,", {}, "*", {"総務部御中||"});
    row("各位 written", "関係者各位,,,", {}, "*", {"関係者各位||"});
    row("family of four", "山田 太郎,,,", {"花子|", "健太|", "美咲|様"}, "*",
        {"山田|太郎|様", "|花子|様", "|健太|様", "|美咲|様"});
    row("joint with its own 敬称 and a full name", "山田 太郎,,,",
        {"佐藤 花子|先生", "山田 一郎|なし"}, "*", {"山田|太郎|様", "佐藤|花子|先生", "|一郎|"});
    row("joint name ending in 様", "山田 太郎,,,", {"花子様|"}, "*", {"山田|太郎|様", "|花子様|"});
    row("no space: the last two are the given name", "山田太郎,,,", {"花子|"}, "*",
        {"山田|太郎|様", "|花子|様"});
    row("the run's 殿 for every person", "山田 太郎,,,先生", {"花子|"}, "殿",
        {"山田|太郎|殿", "|花子|殿"});
    row("the run's none", "山田 太郎,東都電機,,", {"花子|"}, "", {"山田|太郎|", "|花子|"});
}

void TestPrintRun::honorifics()
{
    QFETCH(QStringList, contact);
    QFETCH(QStringList, joints);
    QFETCH(QString, run);
    QFETCH(QStringList, names);
    // Through the record and its extras, as the print run gets them.
    AddressRecord record;
    ContactExtras extras;
    for (const auto& [field, text] : {std::pair{AddressRecord::Name, contact[0]},
                                      {AddressRecord::Company, contact[1]},
                                      {AddressRecord::OfficeAddress, QStringLiteral("大阪市北区")}})
        record.setField(field, extras.setFieldText(field, text.toStdString()));
    extras.department = contact[2].toStdString();
    extras.honorific = contact[3].toStdString();
    for (const QString& j : joints)
        extras.jointNames.push_back(joint(j));
    record.setExtras(extras);
    const Addressee a = Addressee::fromRecord(record, AddressKind::Office);
    const std::optional<QString> override = run == u"*" ? std::nullopt : std::optional(run);
    QCOMPARE(printed(a.printedNames(override)), names);
}

void TestPrintRun::leftOut_data()
{
    QTest::addColumn<int>("year"); // 0: no year
    QTest::addColumn<PrintRun::Filter>("filter");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QStringList>("notes"); // name: reason
    const auto everyone = PrintRun::Filter::Everyone;
    QTest::newRow("no year: only the one without an address")
        << 0 << everyone << QStringList{"浅野", "井上", "上田", "江藤", "大野", "加藤"}
        << QStringList{"小林: 住所も郵便番号もない", "𠮷田: 住所も郵便番号もない"};
    QTest::newRow("年賀状 2027: 喪中 and 送らない left out by name")
        << 2027 << everyone << QStringList{"浅野", "上田", "大野", "加藤"}
        << QStringList{"井上: 喪中", "江藤: 年賀状を送らない印", "小林: 住所も郵便番号もない",
                       "𠮷田: 住所も郵便番号もない"};
    QTest::newRow("only those marked to send")
        << 2027 << PrintRun::Filter::OnlySend << QStringList{"浅野", "大野"}
        << QStringList{"井上: 喪中",
                       "上田: 年賀状を送る印がない",
                       "江藤: 年賀状を送らない印",
                       "加藤: 年賀状を送る印がない",
                       "小林: 住所も郵便番号もない",
                       "𠮷田: 年賀状を送る印がない"};
    QTest::newRow("返礼: received, not sent")
        << 2027 << PrintRun::Filter::Returns << QStringList{"上田"} << QStringList{};
}

void TestPrintRun::leftOut()
{
    QFETCH(int, year);
    QFETCH(PrintRun::Filter, filter);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, notes);
    std::vector<std::unique_ptr<AddressRecord>> book;
    book.push_back(contact("浅野", "send sent"));
    book.push_back(contact("井上", "mourning"));
    book.push_back(contact("上田", "received"));
    book.push_back(contact("江藤", "nosend received sent"));
    book.push_back(contact("大野", "send"));
    book.push_back(contact("加藤", ""));
    book.push_back(contact("小林", "send", false));
    book.push_back(contact("𠮷田", "", false)); // the whole name, not 〓田
    std::vector<const AddressRecord*> records;
    for (const auto& r : book)
        records.push_back(r.get());
    PrintRun::Choice choice;
    if (year)
        choice.year = year;
    choice.filter = filter;
    const PrintRun run(records, choice);
    QStringList names;
    for (const Addressee& a : run.addressees())
        names << a.name;
    QCOMPARE(names, printed);
    QCOMPARE(qsizetype(run.printed().size()), printed.size());
    QStringList found;
    for (const PrintRun::Note& note : run.leftOut())
        found << note.name + QStringLiteral(": ") + note.reason;
    QCOMPARE(found, notes);
    // Nobody disappears: each contact is printed or named with its reason, except those a
    // 返礼 run does not ask for.
    if (filter != PrintRun::Filter::Returns)
        QCOMPARE(run.addressees().size() + run.leftOut().size(), qsizetype(book.size()));
}

VOK_TEST_MAIN(TestPrintRun)
#include "tst_printrun.moc"
