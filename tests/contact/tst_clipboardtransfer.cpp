#include "TestMain.h"
#include "app/CMainFrame.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "resource.h"
#include "ui/list/CAddressList.h"
#include "ui/list/ClipboardText.h"
#include "ui/list/ClipboardTransfer.h"

#include <QClipboard>

namespace {

AddressRecord withMail(const std::string& email, const std::string& officeEmail = {})
{
    AddressRecord r;
    r.setField(AddressRecord::Email, email);
    r.setField(AddressRecord::OfficeEmail, officeEmail);
    return r;
}

std::string join(const QStringList& addresses, bool office)
{
    std::vector<AddressRecord> records;
    for (const QString& a : addresses)
        records.push_back(office ? withMail({}, a.toStdString()) : withMail(a.toStdString()));
    std::vector<const AddressRecord*> pointers;
    for (const AddressRecord& r : records)
        pointers.push_back(&r);
    return ClipboardText::JoinMailAddresses(pointers, office);
}

} // namespace

class TestClipboardTransfer : public QObject
{
    Q_OBJECT
private slots:
    void mailAddresses_data();
    void mailAddresses();
    void severalHundredAddresses();
    void info_data();
    void info();
    void clipboardGetsDecodedText();
    void emptyTexts_data();
    void emptyTexts();
};

void TestClipboardTransfer::mailAddresses_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("office");
    QTest::addColumn<QString>("expected");
    for (bool office : {false, true}) {
        const char* which = office ? "office" : "personal";
        QTest::addRow("%s: A, empty, B", which)
            << QStringList{"a@x.jp", "", "b@x.jp"} << office << "a@x.jp;;b@x.jp";
        QTest::addRow("%s: empty, A, B", which)
            << QStringList{"", "a@x.jp", "b@x.jp"} << office << "a@x.jp;b@x.jp";
        QTest::addRow("%s: empty at the end", which)
            << QStringList{"a@x.jp", ""} << office << "a@x.jp;";
        QTest::addRow("%s: only empty", which) << QStringList{""} << office << "";
        QTest::addRow("%s: duplicates kept", which)
            << QStringList{"a@x.jp", "a@x.jp"} << office << "a@x.jp;a@x.jp";
        QTest::addRow("%s: none", which) << QStringList{} << office << "";
    }
}

void TestClipboardTransfer::mailAddresses()
{
    QFETCH(QStringList, addresses);
    QFETCH(bool, office);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(join(addresses, office)), expected);
}

void TestClipboardTransfer::severalHundredAddresses()
{
    QStringList addresses;
    for (int i = 0; i < 700; ++i)
        addresses << QStringLiteral("user%1@example.co.jp").arg(i);
    const std::string text = join(addresses, false);
    QCOMPARE(QString::fromStdString(text).split(u';'), addresses);
    ClipboardTransfer::SetClipboardText(text);
    QCOMPARE(QGuiApplication::clipboard()->text().split(u';'), addresses);
}

void TestClipboardTransfer::info_data()
{
    QTest::addColumn<QList<QByteArray>>("fields"); // field index, value pairs flattened
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("name and group only")
        << QList<QByteArray>{"0", "Taro", "15", "Private"} << int(ClipboardTransfer::Personal)
        << QByteArray("Taro,,,,,,,,Private");
    QTest::newRow("two-line memo")
        << QList<QByteArray>{"0", "Taro", "7", "a\r\nb", "15", "Other"}
        << int(ClipboardTransfer::Personal) << QByteArray("Taro,,,,,,,a\r\nb,Other");
    QTest::newRow("all personal fields in order")
        << QList<QByteArray>{"0", "n", "1", "e", "2", "p", "3", "a", "4",  "t",
                             "5", "m", "6", "f", "7", "o", "8", "C", "15", "g"}
        << int(ClipboardTransfer::Personal) << QByteArray("n,e,p,a,t,m,f,o,g");
    QTest::newRow("office fields in order")
        << QList<QByteArray>{"0", "n",  "8", "c",  "9", "e",  "10", "p",  "11",
                             "a", "12", "t", "13", "f", "14", "o",  "15", "g"}
        << int(ClipboardTransfer::Office) << QByteArray("c,e,p,a,t,f,o");
    QTest::newRow("commas stay") << QList<QByteArray>{"8", "A, Inc.", "15", "Other"}
                                 << int(ClipboardTransfer::Office) << QByteArray("A, Inc.,,,,,,");
}

void TestClipboardTransfer::info()
{
    QFETCH(QList<QByteArray>, fields);
    QFETCH(int, format);
    QFETCH(QByteArray, expected);
    AddressRecord r;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2)
        r.setField(fields[i].toInt(), fields[i + 1].toStdString());
    QCOMPARE(QByteArray::fromStdString(ClipboardText::FormatInfo(r, ClipboardText::Format(format))),
             expected);
}

void TestClipboardTransfer::clipboardGetsDecodedText()
{
    const std::string sjis = Text::toCp932(QStringLiteral("山田〜太郎")).value();
    ClipboardTransfer::SetClipboardText(sjis);
    QCOMPARE(QGuiApplication::clipboard()->text(), Text::fromCp932(sjis));
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("山田")));
}

void TestClipboardTransfer::emptyTexts_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("mail addresses") << ID_COPY_MAIL << true;
    QTest::newRow("office mail addresses") << ID_COPY_OFFICE_MAIL << true;
    QTest::newRow("personal information") << ID_COPY_PERSONAL_INFO << false;
    QTest::newRow("office information") << ID_COPY_OFFICE_INFO << false;
}

// With nothing selected the texts are empty: the address commands still replace the clipboard,
// the information commands leave it alone.
void TestClipboardTransfer::emptyTexts()
{
    QFETCH(int, command);
    QFETCH(bool, cleared);
    CMainFrame frame;
    CAddressList* list = frame.addressList();
    QVERIFY(list);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    switch (command) {
    case ID_COPY_MAIL:
        ClipboardTransfer::CopyMailAddresses(list->JoinSelectedMailAddresses(false));
        break;
    case ID_COPY_OFFICE_MAIL:
        ClipboardTransfer::CopyMailAddresses(list->JoinSelectedMailAddresses(true));
        break;
    case ID_COPY_PERSONAL_INFO:
        ClipboardTransfer::CopyContactInfo(list->FormatSelectedInfo(ClipboardTransfer::Personal));
        break;
    case ID_COPY_OFFICE_INFO:
        ClipboardTransfer::CopyContactInfo(list->FormatSelectedInfo(ClipboardTransfer::Office));
        break;
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), cleared ? QString() : QStringLiteral("before"));
}

VOK_TEST_MAIN(TestClipboardTransfer)
#include "tst_clipboardtransfer.moc"
