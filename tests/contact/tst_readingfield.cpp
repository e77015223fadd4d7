#include "../common/TypeText.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "TestNameDictionary.h"
#include "app/CMainFrame.h"
#include "core/ContactFinder.h"
#include "model/search/ReadingDictionary.h"
#include "model/text/Cp932.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/CPrivatePage.h"
#include "ui/contact/ContactEditor.h"
#include "ui/contact/ReadingField.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

std::string cp(const QString& text)
{
    return Cp932::fromUtf8(text.toStdString()).bytes;
}

// What an input method sends, one step a string: "p:やま" composes, "c:山田" commits, "c:山田
// p:た" commits and starts the next composition in one event, "k:Ken" types keys.
void play(QLineEdit* name, const QStringList& steps)
{
    for (const QString& step : steps) {
        if (step.startsWith(QStringLiteral("k:"))) {
            typeText(name, step.mid(2));
            continue;
        }
        QString preedit;
        QString commit;
        for (const QString& part : step.split(u'\n')) {
            if (part.startsWith(QStringLiteral("p:")))
                preedit = part.mid(2);
            else if (part.startsWith(QStringLiteral("c:")))
                commit = part.mid(2);
        }
        QInputMethodEvent event(preedit, {});
        if (!commit.isNull())
            event.setCommitString(commit);
        QApplication::sendEvent(name, &event);
    }
}

} // namespace

// The フリガナ field of the contact sheet: filled from what the input method composed in the
// name, offered the dictionary's guess otherwise, and stored for the name at OK.
class TestReadingField : public QObject
{
    Q_OBJECT
    std::unique_ptr<CMainFrame> m_frame;

    CVOK_AddressDoc& doc() { return *m_frame->document(); }

    // Runs the new-contact command; act fills the sheet, which is then confirmed.
    void newContact(const std::function<void(CInfomationSheet*)>& act)
    {
        ModalDriver driver([&act](QWidget* modal) {
            auto* sheet = qobject_cast<CInfomationSheet*>(modal);
            if (!sheet)
                return;
            act(sheet);
            QTest::mouseClick(sheet->buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        m_frame->commands()->execute(ID_NEW_CONTACT);
        QCOMPARE(driver.seen(), 1);
    }

private slots:
    void init()
    {
        m_frame = std::make_unique<CMainFrame>();
        doc().DeleteAllRecords();
        doc().finder().setDictionary(testNameDictionary());
        m_frame->show();
    }
    void cleanup() { m_frame.reset(); }

    void composedKana_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reading");
        QTest::newRow("one conversion")
            << QStringList{"p:や", "p:やま", "p:やまだ", "p:山田", "c:山田"} << "山田"
            << "やまだ";
        QTest::newRow("romaji of a kana not yet whole")
            << QStringList{"p:y",     "p:や",     "p:やm",  "p:やま",
                           "p:やまd", "p:やまだ", "p:山田", "c:山田"}
            << "山田"
            << "やまだ";
        QTest::newRow("two conversions and a space")
            << QStringList{"p:やまだ", "p:山田", "c:山田", "c:　", "p:たろう", "p:太郎", "c:太郎"}
            << "山田　太郎"
            << "やまだ たろう";
        QTest::newRow("a blank typed with the input method off")
            << QStringList{"p:やまだ", "p:山田", "c:山田", "k: ", "p:たろう", "p:太郎", "c:太郎"}
            << "山田 太郎"
            << "やまだ たろう";
        QTest::newRow("Tab leaves the name")
            << QStringList{"p:やまだ", "p:山田", "c:山田", "k:\t"} << "山田"
            << "やまだ";
        QTest::newRow("commit and next composition in one event")
            << QStringList{"p:やまだ", "p:山田", "c:山田\np:た", "p:たろう", "p:太郎", "c:太郎"}
            << "山田太郎"
            << "やまだたろう";
        QTest::newRow("kana committed as they are") << QStringList{"p:けん", "c:けん"} << "けん"
                                                    << "けん";
        QTest::newRow("katakana conversion") << QStringList{"p:けん", "p:ケン", "c:ケン"} << "ケン"
                                             << "ケン";
        QTest::newRow("abandoned composition") << QStringList{"p:やま", "p:", "k:Ken"} << "Ken"
                                               << "";
        QTest::newRow("name emptied starts again")
            << QStringList{"p:やまだ", "p:山田",   "c:山田", "k:\b",
                           "k:\b",     "p:たなか", "p:田中", "c:田中"}
            << "田中"
            << "たなか";
    }

    void composedKana()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, name);
        QFETCH(QString, reading);
        newContact([&steps](CInfomationSheet* sheet) {
            QLineEdit* field = sheet->privatePage().nameEdit();
            field->setFocus();
            // Backspace and Tab as keys, the rest as the input method sends it.
            for (const QString& s : steps) {
                if (s == QStringLiteral("k:\b"))
                    QTest::keyClick(field, Qt::Key_Backspace);
                else if (s == QStringLiteral("k:\t"))
                    QTest::keyClick(field, Qt::Key_Tab);
                else
                    play(field, {s});
            }
        });
        QCOMPARE(doc().records().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(Cp932::toUtf8(doc().records().at(0)->name())), name);
        QCOMPARE(QString::fromStdString(std::string(doc().storedReading(cp(name)))), reading);
    }

    void readingTypedByTheUserStays()
    {
        newContact([](CInfomationSheet* sheet) {
            QLineEdit* reading = sheet->privatePage().readingEdit();
            reading->setFocus();
            typeText(reading, QStringLiteral("ヤマダ"));
            QLineEdit* name = sheet->privatePage().nameEdit();
            name->setFocus();
            play(name, {"p:やまだ", "p:山田", "c:山田"});
            QCOMPARE(reading->text(), QStringLiteral("ヤマダ"));
        });
        QCOMPARE(std::string(doc().storedReading(cp(QStringLiteral("山田")))),
                 std::string("ヤマダ"));
    }

    void guessOfferedNeverForced_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("offered only") << false;
        QTest::newRow("accepted") << true;
    }

    void guessOfferedNeverForced()
    {
        // A pasted name: nothing composed, the guess stands as the hint.
        QFETCH(bool, accept);
        newContact([accept](CInfomationSheet* sheet) {
            QLineEdit* name = sheet->privatePage().nameEdit();
            name->setFocus();
            name->insert(QStringLiteral("山田 太郎"));
            QLineEdit* reading = sheet->privatePage().readingEdit();
            QCOMPARE(reading->placeholderText(), QStringLiteral("やまだ たろう"));
            QVERIFY(reading->text().isEmpty());
            auto* use = sheet->findChild<QToolButton*>(QStringLiteral("useGuessButton"));
            QVERIFY(use && use->isEnabled());
            if (accept)
                QTest::mouseClick(use, Qt::LeftButton);
        });
        QCOMPARE(std::string(doc().storedReading(cp(QStringLiteral("山田 太郎")))),
                 std::string(accept ? "やまだ たろう" : ""));
    }

    void editShowsAndForgetsTheStoredReading()
    {
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, cp(QStringLiteral("東海林")));
        AddressRecord* shoji = doc().AddRecord(std::move(record));
        doc().SetReading(shoji->name(), "しょうじ");
        ModalDriver driver([](QWidget* modal) {
            auto* sheet = qobject_cast<CInfomationSheet*>(modal);
            if (!sheet)
                return;
            QLineEdit* reading = sheet->privatePage().readingEdit();
            QCOMPARE(reading->text(), QStringLiteral("しょうじ"));
            reading->clear();
            QTest::mouseClick(sheet->buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QVERIFY(ContactEditor::OnEditContact(m_frame.get(), doc(), shoji));
        QCOMPARE(driver.seen(), 1);
        QVERIFY(doc().storedReading(shoji->name()).empty());
    }

    void nameWrittenOverTakesItsReading_data()
    {
        // How the user changes the stored 山田太朗 (やまだ たろう): "a" selects the whole name,
        // "v:…" pastes, "k:…" types keys, "\b" is Backspace, the rest as play() takes them.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reading");
        QTest::newRow("pasted over") << QStringList{"a", "v:山田次郎"} << "山田次郎"
                                     << "";
        QTest::newRow("typed over, input method off") << QStringList{"a", "k:Jiro"} << "Jiro"
                                                      << "";
        QTest::newRow("converted over")
            << QStringList{"a", "p:じろう", "p:次郎", "c:次郎"} << "次郎"
            << "じろう";
        QTest::newRow("committed over without composing") << QStringList{"a", "c:次郎"} << "次郎"
                                                          << "";
        QTest::newRow("one character mended") << QStringList{"\b", "k:郎"} << "山田太郎"
                                              << "やまだ たろう";
    }

    void nameWrittenOverTakesItsReading()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, name);
        QFETCH(QString, reading);
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, cp(QStringLiteral("山田太朗")));
        AddressRecord* contact = doc().AddRecord(std::move(record));
        doc().SetReading(contact->name(), "やまだ たろう");
        ModalDriver driver([&steps](QWidget* modal) {
            auto* sheet = qobject_cast<CInfomationSheet*>(modal);
            if (!sheet)
                return;
            QLineEdit* field = sheet->privatePage().nameEdit();
            field->setFocus();
            QTest::keyClick(field, Qt::Key_End);
            for (const QString& s : steps) {
                if (s == QStringLiteral("a")) {
                    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                } else if (s == QStringLiteral("\b")) {
                    QTest::keyClick(field, Qt::Key_Backspace);
                } else if (s.startsWith(QStringLiteral("v:"))) {
                    QGuiApplication::clipboard()->setText(s.mid(2));
                    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
                } else {
                    play(field, {s});
                }
            }
            QTest::mouseClick(sheet->buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QVERIFY(ContactEditor::OnEditContact(m_frame.get(), doc(), contact));
        QCOMPARE(driver.seen(), 1);
        QCOMPARE(QString::fromStdString(Cp932::toUtf8(contact->name())), name);
        QCOMPARE(QString::fromStdString(std::string(doc().storedReading(cp(name)))), reading);
    }
};

VOK_TEST_MAIN(TestReadingField)
#include "tst_readingfield.moc"
