#include "../common/TypeText.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "settings/PrintSettings.h"
#include "settings/RegistryKey.h"
#include "settings/SenderSettings.h"
#include "ui/common/ValidatorText.h"
#include "ui/options/COptionSheet.h"
#include "ui/options/CSenderPage.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

// Runs the options sheet as the frame does, with the user's part played by `act`.
bool runSheet(const std::function<void(COptionSheet*)>& act)
{
    ModalDriver driver([&](QWidget* w) {
        if (auto* sheet = qobject_cast<COptionSheet*>(w))
            act(sheet);
    });
    bool newmail = false;
    bool tasktray = false;
    return COptionSheet::Run(nullptr, newmail, tasktray);
}

void openSenderPage(COptionSheet* sheet)
{
    QTabBar* bar = sheet->tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(sheet->tabs()->currentWidget(), sheet->senderPage());
}

void press(COptionSheet* sheet, QDialogButtonBox::StandardButton which)
{
    QPushButton* button = sheet->buttons()->button(which);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

template <typename T> T* field(COptionSheet* sheet, const char* name)
{
    return sheet->senderPage()->findChild<T*>(QString::fromLatin1(name));
}

// Types into the field as a keyboard would; "\n" is the Return key.
void typeInto(QWidget* edit, const QString& text)
{
    edit->setFocus();
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(edit, Qt::Key_Return);
        typeText(edit, lines[i]);
    }
}

QByteArray storeBytes()
{
    QFile f(RegistryKey::storePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSenderPage : public QObject
{
    Q_OBJECT
private slots:
    void init() { QFile::remove(RegistryKey::storePath()); }

    // What the user types is what the postcards get, within what the store can hold.
    void okStoresTheSender_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("postalCode");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("storedAddress");
        QTest::addColumn<QString>("hint");
        const QString longAddress = QString(120, QChar(u'丁'));
        QTest::newRow("one line") << "鈴木 一郎"
                                  << "231-0062"
                                  << "横浜市中区桜木町1-1"
                                  << "鈴木 一郎"
                                  << "横浜市中区桜木町1-1" << QString();
        QTest::newRow("two lines") << "鈴木一郎"
                                   << "2310062"
                                   << "横浜市中区桜木町1-1\nみなとビル101"
                                   << "鈴木一郎"
                                   << "横浜市中区桜木町1-1\nみなとビル101" << QString();
        // 99 characters of two bytes are as much as the store gives back.
        QTest::newRow("address up to the limit")
            << "鈴木"
            << "" << longAddress << "鈴木" << longAddress.left(99)
            << ValidatorText::LimitReached.arg(CSenderPage::AddressBytes);
        QTest::newRow("a character CP932 cannot hold")
            << "鈴木한一郎"
            << ""
            << ""
            << "鈴木一郎"
            << "" << ValidatorText::CannotHoldChar.arg(QStringLiteral("한"));
    }

    void okStoresTheSender()
    {
        QFETCH(QString, name);
        QFETCH(QString, postalCode);
        QFETCH(QString, address);
        QFETCH(QString, storedName);
        QFETCH(QString, storedAddress);
        QFETCH(QString, hint);
        QStringList hints;
        QVERIFY(runSheet([&](COptionSheet* sheet) {
            openSenderPage(sheet);
            auto* hintLabel = field<QLabel>(sheet, "hintLabel");
            const auto take = [&] {
                if (!hintLabel->text().isEmpty())
                    hints << hintLabel->text();
            };
            typeInto(field<QLineEdit>(sheet, "nameEdit"), name);
            take();
            typeInto(field<QLineEdit>(sheet, "postalCodeEdit"), postalCode);
            typeInto(field<QPlainTextEdit>(sheet, "addressEdit"), address);
            take();
            press(sheet, QDialogButtonBox::Ok);
        }));
        const SenderSettings stored = SenderSettings::load();
        QCOMPARE(stored.name, storedName);
        QCOMPARE(stored.postalCode, postalCode);
        QCOMPARE(stored.address, storedAddress);
        QCOMPARE(hints, hint.isEmpty() ? QStringList() : QStringList{hint});
    }

    void cancelStoresNothing()
    {
        SenderSettings{QStringLiteral("鈴木"), {}, {}}.save();
        const QByteArray before = storeBytes();
        QVERIFY(!runSheet([](COptionSheet* sheet) {
            openSenderPage(sheet);
            typeInto(field<QLineEdit>(sheet, "nameEdit"), QStringLiteral("一郎"));
            QTest::keyClick(field<QComboBox>(sheet, "numeralsCombo"), Qt::Key_Down);
            press(sheet, QDialogButtonBox::Cancel);
        }));
        QCOMPARE(storeBytes(), before);
    }

    // OK on another page writes the sender and the lettering back as they were, and the print
    // dialog's own choices stay whatever the page does.
    void lettering_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("numeralsDown");
        QTest::addColumn<int>("numerals");
        QTest::newRow("page never opened") << false << 0 << int(PrintSettings::KanjiZero);
        QTest::newRow("upright digits chosen") << true << 1 << int(PrintSettings::Upright);
        QTest::newRow("十 chosen") << true << -1 << int(PrintSettings::KanjiTen);
    }

    void lettering()
    {
        QFETCH(bool, open);
        QFETCH(int, numeralsDown);
        QFETCH(int, numerals);
        PrintSettings before;
        before.numerals = PrintSettings::KanjiZero;
        before.layout = PrintSettings::Label24;
        before.office = true;
        before.label12.leftMm = 20.5;
        before.save();
        const SenderSettings sender{QStringLiteral("鈴木"), QStringLiteral("2310062"),
                                    QStringLiteral("横浜市")};
        sender.save();
        QVERIFY(runSheet([&](COptionSheet* sheet) {
            if (open) {
                openSenderPage(sheet);
                QCOMPARE(field<QLineEdit>(sheet, "nameEdit")->text(), sender.name);
                auto* combo = field<QComboBox>(sheet, "numeralsCombo");
                QCOMPARE(combo->currentIndex(), int(PrintSettings::KanjiZero));
                combo->setFocus();
                QTest::keyClick(combo, numeralsDown > 0 ? Qt::Key_Down : Qt::Key_Up);
            }
            press(sheet, QDialogButtonBox::Ok);
        }));
        const PrintSettings after = PrintSettings::load();
        QCOMPARE(after.numerals, numerals);
        // The font shown was printing's own: nothing chosen, nothing stored.
        QCOMPARE(after.fontFamily, QString());
        QCOMPARE(after.layout, before.layout);
        QCOMPARE(after.office, before.office);
        QCOMPARE(after.label12.leftMm, 20.5);
        const SenderSettings kept = SenderSettings::load();
        QCOMPARE(kept.name, sender.name);
        QCOMPARE(kept.postalCode, sender.postalCode);
        QCOMPARE(kept.address, sender.address);
    }
};

VOK_TEST_MAIN(TestSenderPage)
#include "tst_senderpage.moc"
