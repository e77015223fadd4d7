#include "../common/TypeText.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "settings/PrintSettings.h"
#include "settings/RegistryKey.h"
#include "settings/SenderSettings.h"
#include "ui/common/ValidatorText.h"
#include "ui/options/COptionSheet.h"
#include "ui/options/SenderPage.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

// Replaces the field's text as a keyboard would; "\n" is the Return key.
void retype(QWidget* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(edit, Qt::Key_Return);
        typeText(edit, lines[i]);
    }
}

} // namespace

// The sender page of the options sheet: what the user types is what the postcards get.
class TestSenderPage : public QObject
{
    Q_OBJECT
private slots:
    void okStoresTheSender_data()
    {
        QTest::addColumn<bool>("open"); // the page opened and every field retyped
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("storedAddress");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("numerals");
        const QString longAddress(140, QChar(u'丁'));
        QTest::newRow("page never opened: kept as stored") << false << ""
                                                           << ""
                                                           << "前田"
                                                           << "前橋市"
                                                           << "" << int(PrintSettings::KanjiZero);
        QTest::newRow("two address lines, upright digits") << true << "鈴木 一郎"
                                                           << "横浜市中区桜木町1-1\nみなとビル101"
                                                           << "鈴木 一郎"
                                                           << "横浜市中区桜木町1-1\nみなとビル101"
                                                           << "" << int(PrintSettings::Upright);
        // 125 characters of two bytes fill the 250 bytes of an address.
        QTest::newRow("address up to the limit")
            << true << "鈴木" << longAddress << "鈴木" << longAddress.left(125)
            << ValidatorText::LimitReached.arg(SenderPage::AddressBytes)
            << int(PrintSettings::Upright);
        QTest::newRow("a character CP932 cannot hold")
            << true << "鈴木한一郎"
            << "横浜市"
            << "鈴木一郎"
            << "横浜市" << ValidatorText::CannotHoldChar.arg(QStringLiteral("한"))
            << int(PrintSettings::Upright);
    }

    void okStoresTheSender()
    {
        QFETCH(bool, open);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, storedName);
        QFETCH(QString, storedAddress);
        QFETCH(QString, hint);
        QFETCH(int, numerals);
        QFile::remove(RegistryKey::storePath());
        SenderSettings{QStringLiteral("前田"), "3710000", QStringLiteral("前橋市")}.save();
        PrintSettings before;
        before.numerals = PrintSettings::KanjiZero;
        before.layout = PrintSettings::Label24;
        before.label12.leftMm = 20.5;
        before.save();

        QStringList hints;
        ModalDriver driver([&](QWidget* w) {
            auto* sheet = qobject_cast<COptionSheet*>(w);
            if (open) {
                // The hint goes when the focus moves on, which an inactive window never sees.
                QVERIFY(QTest::qWaitForWindowActive(sheet));
                QTabBar* bar = sheet->tabs()->tabBar();
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
                QCOMPARE(sheet->tabs()->currentWidget(), sheet->senderPage());
                auto* page = sheet->senderPage();
                auto* hintLabel = page->findChild<QLabel*>("hintLabel");
                retype(page->findChild<QLineEdit*>("nameEdit"), name);
                hints << hintLabel->text();
                retype(page->findChild<QPlainTextEdit*>("addressEdit"), address);
                hints << hintLabel->text();
                auto* combo = page->findChild<QComboBox*>("numeralsCombo");
                combo->setFocus();
                QTest::keyClick(combo, Qt::Key_Down);
            }
            QPushButton* ok = sheet->buttons()->button(QDialogButtonBox::Ok);
            QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
        });
        bool newmail = false;
        bool tasktray = false;
        QVERIFY(COptionSheet::Run(nullptr, newmail, tasktray));

        const SenderSettings sender = SenderSettings::load();
        QCOMPARE(sender.name, storedName);
        QCOMPARE(sender.postalCode, QStringLiteral("3710000"));
        QCOMPARE(sender.address, storedAddress);
        hints.removeAll(QString());
        QCOMPARE(hints, hint.isEmpty() ? QStringList() : QStringList{hint});
        // The lettering as chosen; the font shown was printing's own, so none is stored. The
        // print dialog's own choices stay.
        const PrintSettings after = PrintSettings::load();
        QCOMPARE(after.numerals, numerals);
        QCOMPARE(after.fontFamily, QString());
        QCOMPARE(after.layout, int(PrintSettings::Label24));
        QCOMPARE(after.label12.leftMm, 20.5);
    }

    void fontFieldTakesInstalledFontsOnly_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("Return is OK") << int(Qt::Key_Return) << true;
        QTest::newRow("Escape is Cancel") << int(Qt::Key_Escape) << false;
    }

    void fontFieldTakesInstalledFontsOnly()
    {
        // Letters typed in the font field name no font; the keys that end the sheet still do.
        QFETCH(int, key);
        QFETCH(bool, accepted);
        QFile::remove(RegistryKey::storePath());
        bool stillOpen = false;
        ModalDriver driver([&](QWidget* w) {
            auto* sheet = qobject_cast<COptionSheet*>(w);
            QTabBar* bar = sheet->tabs()->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
            auto* font = sheet->senderPage()->findChild<QComboBox*>("fontCombo");
            font->setFocus();
            typeText(font, QStringLiteral("zq"));
            QTest::keyClick(font, Qt::Key(key));
            stillOpen = sheet->isVisible();
            if (stillOpen)
                sheet->reject();
        });
        bool newmail = false;
        bool tasktray = false;
        QCOMPARE(COptionSheet::Run(nullptr, newmail, tasktray), accepted);
        QVERIFY(!stillOpen);
        // Only a font that exists is ever stored.
        const QString family = PrintSettings::load().fontFamily;
        QVERIFY2(family.isEmpty() || QFontDatabase::families().contains(family),
                 qPrintable(family));
    }
};

VOK_TEST_MAIN(TestSenderPage)
#include "tst_senderpage.moc"
