#include "../common/EucJp.h"
#include "../common/TypeText.h"
#include "MessageBoxGuard.h"
#include "TestMain.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "ui/common/MessageBox.h"
#include "ui/common/PostalCodeDictionary.h"
#include "ui/common/SheetHeader.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/COfficePage.h"
#include "ui/contact/CPrivatePage.h"
#include "ui/contact/PostalCodeOffer.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <array>

namespace {

const QStringList kGroups = {"Private", "Business", "Other", "Private2", "Friends"};

QWidget* control(QWidget* root, int id)
{
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (w->property("controlId").toInt() == id)
            return w;
    }
    return nullptr;
}

QString textOf(QWidget* w)
{
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return plain->toPlainText();
    return {};
}

std::string cp932(const QString& text)
{
    return Text::toCp932(text).value_or(std::string());
}

AddressRecord sampleRecord()
{
    AddressRecord r;
    r.assign({"Taro", "taro@example.jp", "100-0001", "Tokyo\r\nChiyoda", "03-1111", "090-2222",
              "03-3333", "memo", "ACME", "taro@acme.jp", "150-0001", "Shibuya", "03-4444",
              "03-5555", "office\r\nmemo", "Business"});
    return r;
}

void clickOk(CInfomationSheet& sheet)
{
    QTest::mouseClick(sheet.buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// Where the desktop sends the keys: the open popup or the focus, whichever QTest finds.
QWidget* keyboard()
{
    return nullptr;
}

bool showActive(QWidget& w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

} // namespace

class TestContactSheet : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests
private slots:
    void initTestCase();
    void init();
    void layout();
    void headerLettering();
    void groupPreselection_data();
    void groupPreselection();
    void copyBox_data();
    void copyBox();
    void officeValuesStoredWithoutOpeningOfficePage();
    void typedValuesStored();
    void cancelStoresNothing();
    void overLongStoredValue_data();
    void overLongStoredValue();
    void unreadableBytesKeptWhenUntouched();
    void limits_data();
    void limits();
    void refusedCharacterHint();
    void inputMethods_data();
    void inputMethods();
    void postalCodeOffer_data();
    void postalCodeOffer();
    void firstFocus_data();
    void firstFocus();
    void refusedOutsideBmp_data();
    void refusedOutsideBmp();
    void lineBreakPasted_data();
    void lineBreakPasted();
};

void TestContactSheet::initTestCase()
{
    const QString path = TestEnv::root() + QStringLiteral("/zipcode.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toEucJp(
        QStringLiteral(";; okuri-nasi entries.\n"
                       "1000001 /東京都千代田区千代田/\n"
                       "0028089 /北海道石狩郡当別町ビトエ/北海道石狩郡当別町ビトエ中島/\n")));
    file.close();
    PostalCodeDictionary::instance().setPath(path);
}

void TestContactSheet::init()
{
    MessageBox::shownTexts().clear();
}

void TestContactSheet::layout()
{
    CInfomationSheet sheet;
    QCOMPARE(sheet.windowTitle(), QStringLiteral("管理情報"));
    QCOMPARE(sheet.tabs()->count(), 3);
    QCOMPARE(sheet.tabs()->tabText(0), QStringLiteral("個人情報"));
    QCOMPARE(sheet.tabs()->tabText(1), QStringLiteral("勤務先情報"));
    QCOMPARE(sheet.tabs()->tabText(2), QStringLiteral("宛名"));
    QVERIFY(sheet.buttons()->button(QDialogButtonBox::Ok));
    QVERIFY(sheet.buttons()->button(QDialogButtonBox::Cancel));
    QVERIFY(!sheet.buttons()->button(QDialogButtonBox::Apply));

    // Tab order follows the page's table.
    const int privateOrder[] = {1007, 1040, 1008, 1016, 1009, 1010, 1011, 1013, 1012, 1023, 1036};
    QWidget* w = control(&sheet.privatePage(), privateOrder[0]);
    for (int id : privateOrder) {
        QCOMPARE(w->property("controlId").toInt(), id);
        w = w->nextInFocusChain();
        while (w && w->property("controlId").toInt() == 0)
            w = w->nextInFocusChain();
    }
}

void TestContactSheet::headerLettering()
{
    CInfomationSheet sheet;
    sheet.SetHeaderText(QStringLiteral("VOK System"));
    auto* header = sheet.findChild<SheetHeader*>();
    QVERIFY(header);
    QVERIFY(!header->isHidden());
    // Large bold italic Arial lettering, as tall as the OK button's row allows (24 pixels).
    const QFont font = header->font();
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QVERIFY(font.italic());
    QCOMPARE(font.weight(), QFont::Bold);
    const QFontMetrics metrics(font);
    QVERIFY2(metrics.height() <= 24 && metrics.height() >= 18,
             qPrintable(QString::number(metrics.height())));
    QVERIFY(header->sizeHint().width() > metrics.horizontalAdvance(QStringLiteral("VOK")));
}

void TestContactSheet::groupPreselection_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root selected") << "VOK_Address"
                                   << "Other";
    QTest::newRow("nothing") << ""
                             << "Other";
    QTest::newRow("fixed group") << "Business"
                                 << "Business";
    QTest::newRow("letter case") << "PRIVATE"
                                 << "Private";
    QTest::newRow("not a prefix") << "Private"
                                  << "Private";
    QTest::newRow("longer user group") << "private2"
                                       << "Private2";
    QTest::newRow("prefix of a group") << "Friend"
                                       << "Other";
    QTest::newRow("group gone") << "Old friends"
                                << "Other";
}

void TestContactSheet::groupPreselection()
{
    QFETCH(QString, group);
    QFETCH(QString, expected);
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    sheet.privatePage().m_strGroup = group;
    sheet.show();
    QCOMPARE(sheet.privatePage().groupCombo()->count(), kGroups.size());
    QCOMPARE(sheet.privatePage().groupCombo()->currentText(), expected);
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    QCOMPARE(sheet.privatePage().m_strGroup, expected);
}

void TestContactSheet::copyBox_data()
{
    QTest::addColumn<bool>("allowCopy");
    QTest::newRow("new contact") << false;
    QTest::newRow("editing") << true;
}

void TestContactSheet::copyBox()
{
    QFETCH(bool, allowCopy);
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    sheet.privatePage().m_bAllowCopy = allowCopy;
    sheet.show();
    QCheckBox* box = sheet.privatePage().copyAsNewCheck();
    QLineEdit* name = sheet.privatePage().nameEdit();
    QCOMPARE(box->isEnabled(), allowCopy);
    QVERIFY(name->isEnabled());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    QCOMPARE(box->isChecked(), allowCopy);
    QVERIFY(name->isEnabled());
    if (!allowCopy)
        return;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    QVERIFY(!box->isChecked());
    QVERIFY(!name->isEnabled());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    QVERIFY(name->isEnabled());
    clickOk(sheet);
    QVERIFY(sheet.privatePage().m_bCopyAsNew);
}

void TestContactSheet::officeValuesStoredWithoutOpeningOfficePage()
{
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    const AddressRecord original = sampleRecord();
    sheet.LoadRecord(original);
    QVERIFY(showActive(sheet));
    QCOMPARE(sheet.tabs()->currentIndex(), 0);
    QLineEdit* name = sheet.privatePage().nameEdit();
    name->setFocus();
    name->end(false);
    QTest::keyClicks(name, " Yamada");
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    AddressRecord stored;
    sheet.StoreRecord(stored);
    QCOMPARE(stored.name(), std::string_view("Taro Yamada"));
    for (int f = AddressRecord::Email; f < AddressRecord::FieldCount; ++f)
        QCOMPARE(stored.field(f), original.field(f));
}

void TestContactSheet::typedValuesStored()
{
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    sheet.privatePage().m_strGroup = "Business";
    QVERIFY(showActive(sheet));
    auto* name = static_cast<QLineEdit*>(control(&sheet, 1007));
    name->setFocus();
    typeText(name, QStringLiteral("山田"));
    auto* memo = static_cast<QPlainTextEdit*>(control(&sheet, 1036));
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_A);
    QTest::keyClick(memo, Qt::Key_Return); // a line break, not the OK button
    QTest::keyClick(memo, Qt::Key_B);
    QVERIFY(sheet.isVisible());
    sheet.privatePage().groupCombo()->setCurrentIndex(3);
    sheet.tabs()->setCurrentIndex(1);
    auto* company = static_cast<QLineEdit*>(control(&sheet, 1017));
    company->setFocus();
    typeText(company, QStringLiteral("株式会社"));
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    AddressRecord stored;
    sheet.StoreRecord(stored);
    QCOMPARE(stored.name(), std::string_view(cp932(QStringLiteral("山田"))));
    QCOMPARE(stored.memo(), std::string_view("a\r\nb"));
    QCOMPARE(stored.company(), std::string_view(cp932(QStringLiteral("株式会社"))));
    QCOMPARE(stored.group(), std::string_view("Private2"));
}

void TestContactSheet::cancelStoresNothing()
{
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    const AddressRecord original = sampleRecord();
    sheet.LoadRecord(original);
    QVERIFY(showActive(sheet));
    QLineEdit* name = sheet.privatePage().nameEdit();
    name->setFocus();
    QTest::keyClicks(name, "changed");
    sheet.privatePage().groupCombo()->setCurrentIndex(0);
    QTest::mouseClick(sheet.buttons()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(sheet.result(), int(QDialog::Rejected));
    AddressRecord stored;
    sheet.StoreRecord(stored);
    QCOMPARE(stored, original);
}

void TestContactSheet::overLongStoredValue_data()
{
    QTest::addColumn<QList<int>>("longFields"); // record fields given one byte too many
    QTest::addColumn<int>("reported");          // the control the message is about
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("limit");
    QTest::newRow("name") << QList<int>{AddressRecord::Name} << 1007 << 0 << 127;
    QTest::newRow("fax before mobile phone")
        << QList<int>{AddressRecord::MobilePhone, AddressRecord::Fax} << 1012 << 0 << 13;
    QTest::newRow("address before memo")
        << QList<int>{AddressRecord::Memo, AddressRecord::Address} << 1010 << 0 << 250;
    QTest::newRow("personal page first")
        << QList<int>{AddressRecord::Company, AddressRecord::Memo} << 1036 << 0 << 250;
    QTest::newRow("office postal code before company")
        << QList<int>{AddressRecord::Company, AddressRecord::OfficePostalCode} << 1018 << 1 << 8;
    QTest::newRow("office memo") << QList<int>{AddressRecord::OfficeMemo} << 1037 << 1 << 250;
}

void TestContactSheet::overLongStoredValue()
{
    QFETCH(QList<int>, longFields);
    QFETCH(int, reported);
    QFETCH(int, page);
    QFETCH(int, limit);
    static const std::array<int, 16> limits = {127, 127, 8, 250, 13, 13, 13,  250,
                                               127, 127, 8, 250, 13, 13, 250, 0};
    AddressRecord record = sampleRecord();
    for (int f : longFields)
        record.setField(f, std::string(limits[f] + 1, 'x'));
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    sheet.LoadRecord(record);
    QVERIFY(showActive(sheet));
    clickOk(sheet);
    QVERIFY(sheet.isVisible());
    QCOMPARE(MessageBox::shownTexts(),
             QStringList{QStringLiteral("%1バイト以内で入力してください。").arg(limit)});
    QCOMPARE(sheet.tabs()->currentIndex(), page);
    QWidget* field = control(&sheet, reported);
    QCOMPARE(sheet.focusWidget(), field);

    // Shortened values go through.
    for (int f : longFields) {
        QWidget* w = nullptr;
        for (QWidget* c : sheet.findChildren<QWidget*>()) {
            if (textOf(c) == QString(limits[f] + 1, u'x'))
                w = c;
        }
        QVERIFY(w);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Backspace);
    }
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    AddressRecord stored;
    sheet.StoreRecord(stored);
    for (int f : longFields)
        QCOMPARE(stored.field(f).size(), std::size_t(limits[f]));
}

void TestContactSheet::unreadableBytesKeptWhenUntouched()
{
    AddressRecord record = sampleRecord();
    const std::string odd = "Ab\x81";
    record.setField(AddressRecord::Name, odd);
    QVERIFY(Text::fromCp932(odd).contains(QChar(0xFFFD)));
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    sheet.LoadRecord(record);
    QVERIFY(showActive(sheet));
    auto* memo = static_cast<QPlainTextEdit*>(control(&sheet, 1036));
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(memo, "x");
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    AddressRecord stored;
    sheet.StoreRecord(stored);
    QCOMPARE(stored.name(), std::string_view(odd));
    QCOMPARE(stored.memo(), std::string_view("memox"));
}

void TestContactSheet::limits_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("page");
    const struct
    {
        int id, limit, page;
    } rows[] = {{1007, 127, 0}, {1008, 127, 0}, {1009, 8, 0},   {1010, 250, 0}, {1011, 13, 0},
                {1013, 13, 0},  {1012, 13, 0},  {1036, 250, 0}, {1017, 127, 1}, {1022, 127, 1},
                {1018, 8, 1},   {1019, 250, 1}, {1020, 13, 1},  {1021, 13, 1},  {1037, 250, 1}};
    for (const auto& r : rows)
        QTest::addRow("%d", r.id) << r.id << r.limit << r.page;
}

void TestContactSheet::limits()
{
    QFETCH(int, id);
    QFETCH(int, limit);
    QFETCH(int, page);
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    QVERIFY(showActive(sheet));
    sheet.tabs()->setCurrentIndex(page);
    QWidget* field = control(&sheet, id);
    QVERIFY(field);
    field->setFocus();
    QTest::keyClicks(field, QString(limit + 3, u'9'));
    QCOMPARE(textOf(field).size(), limit);
    auto* hint = sheet.tabs()->widget(page)->findChild<QLabel*>("hintLabel");
    QVERIFY(!hint->text().isEmpty());
}

void TestContactSheet::refusedCharacterHint()
{
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    QVERIFY(showActive(sheet));
    // The reading is CP932 alone: it refuses what the names and addresses keep whole.
    QWidget* reading = control(&sheet, 1040);
    reading->setFocus();
    QInputMethodEvent event;
    event.setCommitString(QStringLiteral("とうきょう\U0001F5FC"));
    QApplication::sendEvent(reading, &event);
    QCOMPARE(textOf(reading), QStringLiteral("とうきょう"));
    auto* hint = sheet.privatePage().findChild<QLabel*>("hintLabel");
    QVERIFY(hint->text().contains(QStringLiteral("\U0001F5FC")));
    control(&sheet, 1011)->setFocus();
    QVERIFY(hint->text().isEmpty());
}

void TestContactSheet::inputMethods_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("enabled");
    for (int id : {1007, 1010, 1036, 1017, 1019, 1037})
        QTest::addRow("%d Japanese", id) << id << true;
    for (int id : {1008, 1009, 1011, 1013, 1012, 1022, 1018, 1020, 1021})
        QTest::addRow("%d Latin", id) << id << false;
}

void TestContactSheet::inputMethods()
{
    QFETCH(int, id);
    QFETCH(bool, enabled);
    CInfomationSheet sheet;
    sheet.show();
    QWidget* field = control(&sheet, id);
    QCOMPARE(field->testAttribute(Qt::WA_InputMethodEnabled), enabled);
    QCOMPARE(bool(field->inputMethodHints() & Qt::ImhLatinOnly), !enabled);
    // What the desktop's input method asks when the field takes the focus.
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QApplication::sendEvent(field, &query);
    QCOMPARE(query.value(Qt::ImEnabled).toBool(), enabled);
}

void TestContactSheet::postalCodeOffer_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("postalCode");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("offered");
    // What the user does while the offer shows: keys by name, "click N" on the Nth entry,
    // "type TEXT" on the keyboard, "compose TEXT" through the input method.
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QString>("result");
    const QString chiyoda = QStringLiteral("東京都千代田区千代田");
    const QStringList tobetsu = {QStringLiteral("北海道石狩郡当別町ビトエ"),
                                 QStringLiteral("北海道石狩郡当別町ビトエ中島")};
    QTest::newRow("one") << 0 << "100-0001"
                         << "" << QStringList{chiyoda} << "Return" << chiyoda;
    QTest::newRow("several, second picked") << 0 << "0028089"
                                            << "" << tobetsu << "Down Return" << tobetsu[1];
    QTest::newRow("second clicked") << 0 << "0028089"
                                    << "" << tobetsu << "click 1" << tobetsu[1];
    QTest::newRow("office page") << 1 << "1000001"
                                 << "" << QStringList{chiyoda} << "Return" << chiyoda;
    QTest::newRow("typing goes into the field") << 0 << "100-0001"
                                                << "" << QStringList{chiyoda} << "type Osaka"
                                                << "Osaka";
    QTest::newRow("composed text goes into the field")
        << 1 << "100-0001"
        << "" << QStringList{chiyoda} << QStringLiteral("compose 大阪市")
        << QStringLiteral("大阪市");
    // An input method that is on resets its empty composition as the field gets the focus.
    QTest::newRow("input method on, picked")
        << 0 << "100-0001"
        << "" << QStringList{chiyoda} << "reset Return" << chiyoda;
    QTest::newRow("input method on, composing")
        << 1 << "100-0001"
        << "" << QStringList{chiyoda} << QStringLiteral("reset compose 大阪")
        << QStringLiteral("大阪");
    QTest::newRow("Escape closes it") << 0 << "100-0001"
                                      << "" << QStringList{chiyoda} << "Escape"
                                      << "";
    QTest::newRow("address already typed") << 0 << "100-0001"
                                           << "Osaka" << QStringList{} << ""
                                           << "Osaka";
    QTest::newRow("unknown code") << 0 << "123-4567"
                                  << "" << QStringList{} << ""
                                  << "";
    QTest::newRow("no postal code") << 1 << ""
                                    << "" << QStringList{} << ""
                                    << "";
}

void TestContactSheet::postalCodeOffer()
{
    QFETCH(int, page);
    QFETCH(QString, postalCode);
    QFETCH(QString, address);
    QFETCH(QStringList, offered);
    QFETCH(QString, gesture);
    QFETCH(QString, result);
    AddressRecord record;
    record.setField(page == 0 ? AddressRecord::Address : AddressRecord::OfficeAddress,
                    cp932(address));
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    sheet.LoadRecord(record);
    QVERIFY(showActive(sheet));
    sheet.tabs()->setCurrentIndex(page);
    QWidget* postal = control(&sheet, page == 0 ? 1009 : 1018);
    QWidget* addressEdit = control(&sheet, page == 0 ? 1010 : 1019);
    postal->setFocus();
    QTest::keyClicks(postal, postalCode);
    QTest::keyClick(postal, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), addressEdit);
    // Seven digits take the book's shape as the field is left (1000001 → 100-0001).
    const QString shaped = postalCode.size() == 7 && !postalCode.contains(u'-')
                               ? postalCode.left(3) + u'-' + postalCode.mid(3)
                               : postalCode;
    QCOMPARE(qobject_cast<QLineEdit*>(postal)->text(), shaped);
    PostalCodeOffer* offer =
        page == 0 ? sheet.privatePage().postalCodeOffer() : sheet.officePage().postalCodeOffer();
    QCOMPARE(offer->isOpen(), !offered.isEmpty());
    if (offer->isOpen()) {
        QListWidget* list = offer->list();
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        QCOMPARE(texts, offered);
    }
    // The keyboard, not a chosen widget: keys go where the desktop sends them.
    QString verb = gesture.section(u' ', 0, 0);
    QString rest = gesture.section(u' ', 1);
    if (verb == QStringLiteral("reset")) {
        // What an input method that is on sends as the field gets the focus: no text, the
        // cursor where it stands.
        const QList<QInputMethodEvent::Attribute> cursor{
            QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 0, 1, QVariant())};
        QInputMethodEvent event(QString(), cursor);
        QApplication::sendEvent(QGuiApplication::focusObject(), &event);
        QVERIFY(offer->isOpen());
        gesture = rest;
        verb = gesture.section(u' ', 0, 0);
        rest = gesture.section(u' ', 1);
    }
    if (verb == QStringLiteral("click")) {
        QListWidget* list = offer->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(rest.toInt())).center());
    } else if (verb == QStringLiteral("type")) {
        QTest::keyClicks(keyboard(), rest);
    } else if (verb == QStringLiteral("compose")) {
        QInputMethodEvent event;
        event.setCommitString(rest);
        QApplication::sendEvent(QGuiApplication::focusObject(), &event);
    } else {
        for (const QString& key : gesture.split(u' ', Qt::SkipEmptyParts))
            QTest::keyClick(keyboard(), QKeySequence::fromString(key)[0].key());
    }
    QVERIFY(!offer->isOpen());
    QCOMPARE(QApplication::focusWidget(), addressEdit);
    QCOMPARE(textOf(addressEdit), result);
    QVERIFY(sheet.isVisible()); // Return and Escape were the offer's, not the sheet's
}

void TestContactSheet::firstFocus_data()
{
    QTest::addColumn<bool>("editing");
    QTest::newRow("new contact") << false;
    QTest::newRow("editing") << true;
}

// Typing right after the sheet opens goes into the name.
void TestContactSheet::firstFocus()
{
    QFETCH(bool, editing);
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    if (editing)
        sheet.LoadRecord(sampleRecord());
    QVERIFY(showActive(sheet));
    QCOMPARE(QApplication::focusWidget(), sheet.privatePage().nameEdit());
    QTest::keyClicks(keyboard(), "Yamada");
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    AddressRecord stored;
    sheet.StoreRecord(stored);
    QVERIFY2(std::string(stored.name()).find("Yamada") != std::string::npos, stored.name().data());
}

void TestContactSheet::refusedOutsideBmp_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("inputMethod"); // else one key press per UTF-16 unit
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("hint");
    const QString rare = QStringLiteral("\U00020BB7");
    const QString emoji = QStringLiteral("\U0001F600");
    const QString one = QStringLiteral("「%1」は使えない文字です");
    // Names, addresses and memos keep what CP932 cannot hold (the record gets 〓 for it).
    QTest::newRow("name, rare kanji by keys") << 1007 << false << rare + QStringLiteral("田 髙子")
                                              << rare + QStringLiteral("田 髙子") << QString();
    QTest::newRow("address, rare kanji by keys")
        << 1010 << false << QStringLiteral("a") + rare << QStringLiteral("a") + rare << QString();
    QTest::newRow("memo, through the input method")
        << 1036 << true << emoji + rare + "a" << emoji + rare + "a" << QString();
    QTest::newRow("reading, two refused through the input method")
        << 1040 << true << emoji + QStringLiteral("やま") + rare + emoji << QStringLiteral("やま")
        << QStringLiteral("「%1」「%2」は使えない文字です").arg(emoji, rare);
    QTest::newRow("name, a lone second half") << 1007 << false << QString(QChar(0xDFB7)) + "a"
                                              << "a" << one.arg(QChar(0xFFFD));
}

// Every refused character is named beside the fields; nothing goes without a word. Half of a
// character is refused everywhere.
void TestContactSheet::refusedOutsideBmp()
{
    QFETCH(int, id);
    QFETCH(bool, inputMethod);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, hint);
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    QVERIFY(showActive(sheet));
    QWidget* field = control(&sheet, id);
    field->setFocus();
    if (inputMethod) {
        QInputMethodEvent event;
        event.setCommitString(typed);
        QApplication::sendEvent(field, &event);
    } else {
        typeText(field, typed);
    }
    QCOMPARE(textOf(field), kept);
    QCOMPARE(sheet.privatePage().findChild<QLabel*>("hintLabel")->text(), hint);
}

void TestContactSheet::lineBreakPasted_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("LF in the name")
        << 1007 << int(AddressRecord::Name) << "Yamada\nTaro" << QByteArray("Yamada Taro");
    QTest::newRow("CR LF in the e-mail")
        << 1008 << int(AddressRecord::Email) << "a@x.jp\r\nb@y.jp" << QByteArray("a@x.jp b@y.jp");
    QTest::newRow("CR alone in the phone")
        << 1011 << int(AddressRecord::Phone) << "03\r1111" << QByteArray("03 1111");
    QTest::newRow("office company, trailing break")
        << 1017 << int(AddressRecord::Company) << "ACME\n"
        << QByteArray("ACME ");
    QTest::newRow("memo keeps its lines")
        << 1036 << int(AddressRecord::Memo) << "a\nb" << QByteArray("a\r\nb");
}

// A single-line field takes a pasted line break as a blank.
void TestContactSheet::lineBreakPasted()
{
    QFETCH(int, id);
    QFETCH(int, field);
    QFETCH(QString, pasted);
    QFETCH(QByteArray, stored);
    CInfomationSheet sheet;
    sheet.privatePage().m_groupNames = kGroups;
    QVERIFY(showActive(sheet));
    QWidget* edit = control(&sheet, id);
    sheet.tabs()->setCurrentWidget(id == 1017 ? static_cast<QWidget*>(&sheet.officePage())
                                              : &sheet.privatePage());
    edit->setFocus();
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    clickOk(sheet);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    AddressRecord record;
    sheet.StoreRecord(record);
    QCOMPARE(QByteArray(record.field(field).data(), qsizetype(record.field(field).size())), stored);
}

VOK_TEST_MAIN(TestContactSheet)
#include "tst_contactsheet.moc"
