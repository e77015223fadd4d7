#include "../common/TypeText.h"
#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"
#include "TestNameDictionary.h"
#include "core/ContactFinder.h"
#include "model/book/ContactExtras.h"
#include "model/search/ReadingDictionary.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/CPrivatePage.h"
#include "ui/list/AddressListModel.h"
#include "ui/list/SearchField.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

using namespace PaneTest;

namespace {

// Many contacts, among them the ones a test looks for, all of them shown; readings are
// guessed from the test's own dictionary.
void fillBook(Frame& f)
{
    f.frame->document()->finder().setDictionary(testNameDictionary());
    const char* const surnames[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺"};
    const char* const given[] = {"一郎", "花子", "次郎", "美咲", "健太"};
    for (int i = 0; i < 240; ++i) {
        const std::string name = std::string(surnames[i % 6]) + " " + given[i % 5];
        const std::string mail = "user" + std::to_string(i) + "@example.jp";
        f.add({name.c_str(), mail.c_str(), i % 2 ? "Private" : "Business"});
    }
    f.add({"山田 太郎", "taro@example.jp", "Private", "03-1234-5678"});
    f.add({"ヤマダ ケン", "ken@example.jp", "Business"});
    f.add({"山田 花子", "hanako@example.jp", "Business"});
    f.show("VOK_Address");
}

QLabel* countLabel(const Frame& f)
{
    return f.frame->statusBar()->findChild<QLabel*>(QStringLiteral("ShownCount"));
}

} // namespace

// The search field, as the user meets it: typed into, left with Escape, reached with Ctrl+F,
// over a list that keeps its sort and its commands.
class TestSearch : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;

    static bool activate(Frame& f)
    {
        f.frame->activateWindow();
        return QTest::qWaitForWindowActive(f.frame.get());
    }
    static void clickHeader(CAddressList* list, int column)
    {
        QHeaderView* h = list->horizontalHeader();
        const QPoint p(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                       h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
    }

private slots:
    void init() { startPaneTest(); }
    void cleanup()
    {
        ContactFinder::setAtOnceForTesting(ContactFinder::GuessAtOnce, ContactFinder::IndexAtOnce);
        clearStore();
    }

    // At the start the rows come before the readings of their names; when the guesses arrive
    // the list sorted by name sorts itself again, and the contact the user clicked stays
    // selected where it was on the screen (the top row stays when it is out of sight).
    void readingsArriveWithoutMovingTheView_data()
    {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<int>("clickedRow"); // -1: none
        QTest::addColumn<int>("scrolledTo"); // the top row afterwards
        QTest::addColumn<bool>("resorted");
        QTest::newRow("by name, clicked row in sight") << 0 << 150 << 145 << true;
        QTest::newRow("by name, clicked row scrolled away") << 0 << 3 << 120 << true;
        QTest::newRow("by name, nothing clicked") << 0 << -1 << 60 << true;
        QTest::newRow("by name, nothing clicked, at the top") << 0 << -1 << 0 << true;
        QTest::newRow("by mail address: the order stays") << 1 << 150 << 145 << false;
    }

    void readingsArriveWithoutMovingTheView()
    {
        QFETCH(int, sortColumn);
        QFETCH(int, clickedRow);
        QFETCH(int, scrolledTo);
        QFETCH(bool, resorted);
        Frame f;
        fillBook(f);
        // The start: many names to guess, guessed aside, the rows shown meanwhile.
        ContactFinder& finder = f.frame->document()->finder();
        ContactFinder::setAtOnceForTesting(0, 0);
        finder.setDictionary(testNameDictionary());
        finder.guessInBackground();
        QVERIFY(finder.isGuessing());
        f.show("VOK_Address");
        if (sortColumn != 0)
            clickHeader(f.list, sortColumn);
        QVERIFY(f.cell(0, AddressListModel::ReadingColumn).isEmpty());
        if (clickedRow >= 0) {
            f.list->scrollTo(f.list->model()->index(clickedRow, 0));
            QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {},
                              f.list->visualRect(f.list->model()->index(clickedRow, 0)).center());
        }
        f.list->verticalScrollBar()->setValue(scrolledTo);
        const AddressRecord* clicked = f.list->recordAt(clickedRow);
        const bool inSight = clickedRow >= scrolledTo && f.list->rowAt(0) <= clickedRow &&
                             clickedRow <= f.list->rowAt(f.list->viewport()->height() - 1);
        const AddressRecord* anchor = inSight ? clicked : f.list->recordAt(f.list->rowAt(0));
        const int place = f.list->rowViewportPosition(inSight ? clickedRow : f.list->rowAt(0));
        std::vector<const AddressRecord*> before;
        for (int r = 0; r < f.list->model()->rowCount(); ++r)
            before.push_back(f.list->recordAt(r));

        QTRY_VERIFY(!finder.isGuessing());
        QVERIFY(!f.cell(0, AddressListModel::ReadingColumn).isEmpty());
        std::vector<const AddressRecord*> after;
        for (int r = 0; r < f.list->model()->rowCount(); ++r)
            after.push_back(f.list->recordAt(r));
        QCOMPARE(after != before, resorted);
        const int anchorRow = f.list->listModel()->rowOf(anchor);
        const QScrollBar* bar = f.list->verticalScrollBar();
        if (!clicked && scrolledTo == 0) {
            // The beginning of the list stays in sight, not the row that was first.
            QCOMPARE(bar->value(), 0);
        } else {
            // Where the list ends, it cannot scroll that far: then the row is in sight at least.
            if (bar->value() > bar->minimum() && bar->value() < bar->maximum())
                QCOMPARE(f.list->rowViewportPosition(anchorRow), place);
            QVERIFY(f.list->rowViewportPosition(anchorRow) >= 0 &&
                    f.list->rowViewportPosition(anchorRow) < f.list->viewport()->height());
        }
        if (clicked) {
            QCOMPARE(f.list->selectedRecords(),
                     std::vector<AddressRecord*>{const_cast<AddressRecord*>(clicked)});
            QCOMPARE(f.list->recordAt(f.list->currentIndex().row()), clicked);
        }
        // The order is the one sorting now gives.
        f.list->SortByColumn(99);
        for (int r = 0; r < f.list->model()->rowCount(); ++r)
            QCOMPARE(f.list->recordAt(r), after[std::size_t(r)]);
    }

    // Typed before the index is whole: the rows stay until it is, then the search answers.
    void typingBeforeTheIndexIsBuilt()
    {
        Frame f;
        fillBook(f);
        ContactFinder::setAtOnceForTesting(0, 0);
        QVERIFY(activate(f));
        QTest::keyClick(f.frame.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!f.frame->document()->finder().isReady());
        typeText(f.frame->searchField(), QStringLiteral("やまだ"));
        QCOMPARE(f.list->model()->rowCount(), 243);
        QTRY_COMPARE(f.list->model()->rowCount(), 3);
        QCOMPARE(f.column(0), (QStringList{"ヤマダ ケン", "山田 太郎", "山田 花子"}));
    }

    void typingKanaFindsTheReading()
    {
        Frame f;
        fillBook(f);
        QVERIFY(activate(f));
        f.list->setFocus();
        QCOMPARE(countLabel(f)->text(), QStringLiteral("243件"));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        SearchField* field = f.frame->searchField();
        QCOMPARE(QApplication::focusWidget(), field);
        typeText(field, QStringLiteral("やまだ"));
        // The guessed reading of 山田 and the katakana of ヤマダ, nobody else, in the list's
        // order (by name).
        QCOMPARE(f.column(0), (QStringList{"ヤマダ ケン", "山田 太郎", "山田 花子"}));
        QCOMPARE(countLabel(f)->text(), QStringLiteral("3件"));
        typeText(field, QStringLiteral(" たろう"));
        QCOMPARE(f.column(0), QStringList{"山田 太郎"});
        // The romaji of the readings, as a keyboard without the input method types them.
        field->clear();
        typeText(field, QStringLiteral("Yamada"));
        QCOMPARE(f.column(0), (QStringList{"ヤマダ ケン", "山田 太郎", "山田 花子"}));
        typeText(field, QStringLiteral(" tarou"));
        QCOMPARE(f.column(0), QStringList{"山田 太郎"});
        // A phone number however it is written.
        field->clear();
        typeText(field, QStringLiteral("0312345678"));
        QCOMPARE(f.column(0), QStringList{"山田 太郎"});

        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(field->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), f.list);
        QCOMPARE(f.list->model()->rowCount(), 243);
        QCOMPARE(countLabel(f)->text(), QStringLiteral("243件"));
    }

    // A result under the old scroll position would show whatever stretch of it the position
    // falls on: it shows from its top, or where the contact the user chose stands.
    void resultShowsItsTopOrTheChosenContact_data()
    {
        QTest::addColumn<QString>("chosen"); // the mail of the row clicked first, if any
        QTest::addColumn<bool>("found");
        QTest::newRow("scrolled to the end, nothing chosen") << QString() << false;
        QTest::newRow("the chosen contact is not found") << "user5@example.jp" << false;
        QTest::newRow("the chosen contact is found") << "user237@example.jp" << true;
    }
    void resultShowsItsTopOrTheChosenContact()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, found);
        Frame f;
        fillBook(f);
        QVERIFY(activate(f));
        QScrollBar* bar = f.list->verticalScrollBar();
        if (!chosen.isEmpty()) {
            const int row = int(f.column(1).indexOf(chosen));
            QVERIFY(row >= 0);
            f.list->scrollTo(f.list->model()->index(row, 0));
            QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {},
                              f.list->visualRect(f.list->model()->index(row, 1)).center());
            QCOMPARE(f.list->currentIndex().row(), row);
        }
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QTest::keyClick(f.frame.get(), Qt::Key_F, Qt::ControlModifier);
        typeText(f.frame->searchField(), QStringLiteral("田中"));
        QCOMPARE(f.list->model()->rowCount(), 40);
        QVERIFY(bar->maximum() > 0); // more than a page: a position to be wrong at
        if (!found) {
            QCOMPARE(bar->value(), 0);
            return;
        }
        const QModelIndex current = f.list->currentIndex();
        QCOMPARE(current.siblingAtColumn(1).data().toString(), chosen);
        QVERIFY(f.list->viewport()->rect().contains(f.list->visualRect(current).center()));
    }

    void composingFilters()
    {
        // Kana still being composed filter already; the conversion then counts as typed.
        Frame f;
        fillBook(f);
        SearchField* field = f.frame->searchField();
        field->setFocus();
        QInputMethodEvent composing(QStringLiteral("やまだ"), {});
        QApplication::sendEvent(field, &composing);
        QCOMPARE(f.list->model()->rowCount(), 3);
        QInputMethodEvent converted(QStringLiteral("山田"), {});
        QApplication::sendEvent(field, &converted);
        QCOMPARE(f.column(0), (QStringList{"山田 太郎", "山田 花子"}));
        QInputMethodEvent committed;
        committed.setCommitString(QStringLiteral("佐藤"));
        QApplication::sendEvent(field, &committed);
        QCOMPARE(field->text(), QStringLiteral("佐藤"));
        QCOMPARE(f.list->model()->rowCount(), 40);
    }

    void commandsActOnTheRowsShown()
    {
        Frame f;
        fillBook(f);
        QVERIFY(activate(f));
        f.frame->searchField()->setFocus();
        typeText(f.frame->searchField(), QStringLiteral("伊藤"));
        QCOMPARE(f.list->model()->rowCount(), 40);
        // Down goes to the rows; select all and delete: the contacts shown, nobody else.
        QTest::keyClick(f.frame->searchField(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), f.list);
        QTest::keyClick(f.list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.list->GetSelectedCount(), 40);
        QTest::keyClick(f.list, Qt::Key_Delete);
        QCOMPARE(f.frame->document()->records().size(), std::size_t(203));
        QCOMPARE(f.list->model()->rowCount(), 0);
        QCOMPARE(countLabel(f)->text(), QStringLiteral("0件"));
        f.frame->searchField()->clear();
        QCOMPARE(f.list->model()->rowCount(), 203);
    }

    void changedContactsStayUntilTheTextChanges()
    {
        Frame f;
        fillBook(f);
        QVERIFY(activate(f));
        CMainFrame* frame = f.frame.get();
        frame->commands()->setHandler(ID_EDIT_CONTACT, [frame] { frame->OnEditContact(); });
        SearchField* field = frame->searchField();
        field->setFocus();
        typeText(field, QStringLiteral("やまだ たろう"));
        QCOMPARE(f.column(0), QStringList{"山田 太郎"});

        // Renamed in the sheet: no longer a match, still in sight, selected.
        QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {},
                          f.list->visualRect(f.list->model()->index(0, 1)).center());
        QCOMPARE(QApplication::focusWidget(), f.list);
        ModalDriver rename([](QWidget* modal) {
            auto* sheet = qobject_cast<CInfomationSheet*>(modal);
            if (!sheet)
                return;
            QLineEdit* name = sheet->privatePage().nameEdit();
            name->selectAll();
            typeText(name, QStringLiteral("鈴木 一郎"));
            QTest::mouseClick(sheet->buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QTest::keyClick(f.list, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(rename.seen(), 1);
        QTRY_COMPARE(f.column(0), QStringList{"鈴木 一郎"});
        QCOMPARE(f.list->GetSelectedCount(), 1);
        // A new contact that does not match shows too.
        f.add({"田中 一郎", "new@example.jp", "Private"});
        QCOMPARE(f.column(0), (QStringList{"鈴木 一郎", "田中 一郎"}));
        // The next keystroke filters them all again.
        typeText(field, QStringLiteral(" "));
        QCOMPARE(f.list->model()->rowCount(), 0);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(f.list->model()->rowCount(), 0);
    }

    void groupChangeKeepsTheText()
    {
        Frame f;
        fillBook(f);
        SearchField* field = f.frame->searchField();
        field->setFocus();
        typeText(field, QStringLiteral("やまだ"));
        QCOMPARE(f.list->model()->rowCount(), 3);
        f.show("Business");
        QCOMPARE(field->text(), QStringLiteral("やまだ"));
        QCOMPARE(f.column(0), (QStringList{"ヤマダ ケン", "山田 花子"}));
        QCOMPARE(countLabel(f)->text(), QStringLiteral("2件"));
        f.show("Private");
        QCOMPARE(f.column(0), QStringList{"山田 太郎"});
    }

    void sortByName_data()
    {
        QTest::addColumn<bool>("dictionary"); // readings guessed from the installed dictionary
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("sorted");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("guessed readings")
            << true << QStringList{"伊藤", "高橋", "佐藤", "Smith", "山田", "青木", "渡辺", "鈴木"}
            << QStringList{"青木", "伊藤", "佐藤", "鈴木", "高橋", "山田", "渡辺", "Smith"}
            << "とう" << QStringList{"伊藤", "佐藤"};
        // Stored readings come first; names without one follow in the old byte order.
        QTest::newRow("stored readings")
            << false
            << QStringList{"東海林|しょうじ", "Zeta|", "小鳥遊|タカナシ", "abc|", "一|にのまえ"}
            << QStringList{"東海林", "小鳥遊", "一", "abc", "Zeta"} << "し"
            << QStringList{"東海林", "小鳥遊"};
    }

    void sortByName()
    {
        QFETCH(bool, dictionary);
        QFETCH(QStringList, added);
        QFETCH(QStringList, sorted);
        QFETCH(QString, search);
        QFETCH(QStringList, found);
        if (dictionary && !QFile::exists(QString::fromLatin1(ReadingDictionary::DefaultJinmeiPath)))
            QSKIP("the name dictionaries of skkdic-extra are not installed");
        Frame f;
        if (!dictionary)
            f.frame->document()->finder().setDictionary(
                std::make_shared<const ReadingDictionary>("", ""));
        for (const QString& entry : added) {
            const QStringList parts = entry.split(u'|');
            AddressRecord* r = f.add({parts[0].toUtf8().constData(), "", "Private"});
            if (parts.size() > 1)
                f.frame->document()->SetReading(r->name(), parts[1].toStdString());
        }
        f.show("Private"); // a fresh profile sorts by name
        QCOMPARE(f.column(0), sorted);
        // The order stays while the search narrows the rows.
        f.frame->searchField()->setText(search);
        QCOMPARE(f.column(0), found);
        f.frame->searchField()->clear();
        clickHeader(f.list, 0);
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(f.column(0), sorted);
    }

    void readingColumnFromTheViewMenu()
    {
        {
            Frame f;
            f.frame->document()->finder().setDictionary(testNameDictionary());
            AddressRecord* r = f.add({"山田 太郎", "", "Private"});
            f.add({"佐藤", "", "Private"});
            f.show("Private");
            QVERIFY(f.list->isColumnHidden(6));
            QAction* toggle = f.frame->commands()->action(ID_VIEW_READING);
            QVERIFY(!toggle->isChecked());
            toggle->trigger();
            QVERIFY(!f.list->isColumnHidden(6));
            QVERIFY(toggle->isChecked());
            QVERIFY(f.list->columnWidth(6) > 20);
            // A guess shows as one; a stored reading replaces it in place.
            QCOMPARE(f.column(6), (QStringList{"さとう", "やまだ たろう"}));
            QVERIFY(f.list->listModel()->isReadingGuessed(1));
            f.frame->document()->SetReading(r->name(), "ヤマダ タロウ");
            QCOMPARE(f.cell(1, 6), QStringLiteral("ヤマダ タロウ"));
            QVERIFY(!f.list->listModel()->isReadingGuessed(1));
        }
        Frame again; // remembered
        QVERIFY(!again.list->isColumnHidden(6));
        QVERIFY(again.frame->commands()->action(ID_VIEW_READING)->isChecked());
    }

    // 表示 → 宛名の列: 敬称, 連名, 役職, 部署 and 年賀 beside the fields; an edit of the extras
    // shows at once, a name CP932 cannot hold shows whole, and the search finds both.
    void addresseeColumnsFromTheViewMenu()
    {
        Frame f;
        AddressRecord* r = f.add({"佐藤 一郎", "", "Private"});
        f.add({"鈴木", "", "Private"});
        f.show("Private");
        QAction* toggle = f.frame->commands()->action(ID_VIEW_ADDRESSEE);
        QVERIFY(f.list->isColumnHidden(7) && f.list->isColumnHidden(11));
        toggle->trigger();
        QVERIFY(!f.list->isColumnHidden(7) && !f.list->isColumnHidden(11));
        QVERIFY(toggle->isChecked());
        AddressRecord value = *r;
        ContactExtras x;
        x.honorific = "先生";
        x.jointNames = {{"花子", "", ""}, {"次郎", "", ""}};
        x.title = "教頭";
        value.setField(AddressRecord::Name, x.setFieldText(AddressRecord::Name, "𠮷田 一郎"));
        value.setExtras(x);
        QVERIFY(f.frame->document()->ChangeRecord(r, value));
        const int row = f.cell(0, 7) == QStringLiteral("先生") ? 0 : 1;
        QCOMPARE(f.cell(row, 0), QStringLiteral("𠮷田 一郎"));
        QCOMPARE(f.cell(row, 7), QStringLiteral("先生"));
        QCOMPARE(f.cell(row, 8), QStringLiteral("花子・次郎"));
        QCOMPARE(f.cell(row, 9), QStringLiteral("教頭"));
        for (const QString& word : {QStringLiteral("𠮷田"), QStringLiteral("教頭")}) {
            f.frame->searchField()->setText(word);
            QCOMPARE(f.column(0), QStringList{QStringLiteral("𠮷田 一郎")});
        }
    }
};

VOK_TEST_MAIN(TestSearch)
#include "tst_search.moc"
