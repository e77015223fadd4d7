#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include "core/BookImport.h"
#include "model/book/ContactExtras.h"
#include "ui/common/FileDialog.h"
#include "ui/exchange/DuplicateFinderDialog.h"
#include "ui/exchange/DuplicateImportDialog.h"
#include "ui/exchange/ImportSummaryDialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <functional>

using namespace PaneTest;

namespace {

void click(QWidget* parent, const char* name)
{
    auto* button = parent->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// A card of 高橋 as his phone wrote it (another kanji, the international number, a mail), and
// a new contact.
const QByteArray kCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:髙橋;健二;;;\r\nFN:髙橋 健二\r\n"
                          "TEL;TYPE=CELL:+81 90-1111-2222\r\nEMAIL:k@example.jp\r\nEND:VCARD\r\n"
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:佐藤 健\r\nEND:VCARD\r\n";

} // namespace

class TestMoveIn : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;
    std::unique_ptr<Frame> m_f;
    std::unique_ptr<ModalDriver> m_driver;
    // What the test does in the dialog that lists what the book holds already, and in the
    // duplicates window.
    std::function<void(DuplicateImportDialog*)> m_onFound;
    std::function<void(DuplicateFinderDialog*)> m_onFinder;
    QStringList m_log;
    QString m_summary;

    CVOK_AddressDoc& doc() { return *m_f->frame->document(); }

    // Each contact as "name/phone/mobile/e-mail/memo".
    QStringList state()
    {
        QStringList s;
        for (const auto& r : doc().records()) {
            QStringList f;
            for (int field : {AddressRecord::Name, AddressRecord::Phone, AddressRecord::MobilePhone,
                              AddressRecord::Email, AddressRecord::Memo})
                f << Text::fromCp932(r->field(field)).replace(QStringLiteral("\r\n"), "|");
            s << f.join(u'/');
        }
        return s;
    }

    void importByShortcut(const QString& path)
    {
        FileDialog::queueFileName(path);
        QApplication::setActiveWindow(m_f->frame.get());
        m_f->list->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    void undoByShortcut()
    {
        QApplication::setActiveWindow(m_f->frame.get());
        m_f->list->setFocus();
        QTest::keyClick(m_f->list, Qt::Key_Z, Qt::ControlModifier);
    }

    void findDuplicates()
    {
        QAction* action = m_f->frame->commands()->action(ID_FIND_DUPLICATES);
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

private slots:
    void init()
    {
        startPaneTest();
        m_f = std::make_unique<Frame>();
        QVERIFY(m_f->exposed);
        m_onFound = nullptr;
        m_onFinder = nullptr;
        m_log.clear();
        m_summary.clear();
        m_driver = std::make_unique<ModalDriver>([this](QWidget* w) {
            if (auto* found = qobject_cast<DuplicateImportDialog*>(w)) {
                m_log << QStringLiteral("found");
                if (m_onFound)
                    m_onFound(found);
                click(found, "importButton");
            } else if (auto* summary = qobject_cast<ImportSummaryDialog*>(w)) {
                m_log << QStringLiteral("summary");
                m_summary = summary->details();
                click(summary, "okButton");
            } else if (auto* finder = qobject_cast<DuplicateFinderDialog*>(w)) {
                m_log << QStringLiteral("finder");
                QVERIFY(QTest::qWaitFor([finder] { return !finder->scanning(); }, 5000));
                if (m_onFinder)
                    m_onFinder(finder);
                click(finder, "closeButton");
            }
        });
    }
    void cleanup()
    {
        m_driver.reset();
        m_f.reset();
        clearStore();
    }

    void importFindsDuplicates_data();
    void importFindsDuplicates();
    void reimportChangesNothing();
    void cardWithUidUpdates();
    void mergeGroupFieldByField();
    void notDuplicateIsRemembered();
    void summarySaysWhatWentWhere();
    void choiceForOneOfMany_data();
    void choiceForOneOfMany();
    void manyFound_data();
    void manyFound();
    void changedWhileDeciding();
};

void TestMoveIn::importFindsDuplicates_data()
{
    QTest::addColumn<int>("downs"); // presses of Down from the first choice, 取り込まない
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("summary");
    QTest::newRow("skip") << 0 << QStringList{"高橋 健二/090-1111-2222///", "佐藤 健////"}
                          << QStringLiteral("1件（統合0件、更新0件、取り込まない1件）");
    QTest::newRow("merge") << 1
                           << QStringList{"高橋 健二/090-1111-2222/090-1111-2222/k@example.jp/"
                                          "名前：髙橋 健二",
                                          "佐藤 健////"}
                           << QStringLiteral("1件（統合1件、更新0件、取り込まない0件）");
    QTest::newRow("import as new")
        << 2
        << QStringList{"高橋 健二/090-1111-2222///", "髙橋 健二//090-1111-2222/k@example.jp/",
                       "佐藤 健////"}
        << QStringLiteral("1件（統合0件、更新0件、取り込まない0件）");
}

// The dialog shows the book's and the file's values side by side; what the user picks is done,
// and one Ctrl+Z takes back the merge with the new contacts.
void TestMoveIn::importFindsDuplicates()
{
    QFETCH(int, downs);
    QFETCH(QStringList, after);
    QFETCH(QString, summary);
    m_f->add({"高橋 健二", "", "Private", "090-1111-2222"});
    const QStringList before = state();
    QStringList shown;
    m_onFound = [&](DuplicateImportDialog* dialog) {
        auto* tree = dialog->findChild<QTreeWidget*>(QStringLiteral("foundTree"));
        QCOMPARE(tree->topLevelItemCount(), 1);
        for (int i = 0; i < tree->topLevelItem(0)->childCount(); ++i) {
            const QTreeWidgetItem* row = tree->topLevelItem(0)->child(i);
            shown << row->text(0) + u':' + row->text(1) + u'|' + row->text(2);
        }
        const QList<QComboBox*> boxes = dialog->findChildren<QComboBox*>();
        QCOMPARE(boxes.size(), 1);
        boxes[0]->setFocus();
        QTest::keyClick(boxes[0], Qt::Key_Home);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(boxes[0], Qt::Key_Down);
    };
    importByShortcut(TestEnv::writeFile(QStringLiteral("phone.vcf"), kCards));
    QCOMPARE(m_log, (QStringList{"found", "summary"}));
    QCOMPARE(shown, QStringList{"名前:高橋 健二|髙橋 健二"});
    QCOMPARE(state(), after);
    QVERIFY2(m_summary.contains(summary), qPrintable(m_summary));
    undoByShortcut();
    QCOMPARE(state(), before);
}

// The same file twice: the second import asks nothing and changes nothing.
void TestMoveIn::reimportChangesNothing()
{
    m_f->add({"高橋 健二", "", "Private", "090-1111-2222"});
    const QString path = TestEnv::writeFile(QStringLiteral("phone.vcf"), kCards);
    importByShortcut(path);
    const QStringList once = state();
    QCOMPARE(once.size(), 2);
    const auto revision = doc().revision();
    m_log.clear();
    importByShortcut(path);
    QCOMPARE(m_log, QStringList{"summary"});
    QCOMPARE(state(), once);
    QCOMPARE(doc().revision(), revision);
    QVERIFY2(m_summary.contains(QStringLiteral("2件はアドレス帳にすべてあるため")),
             qPrintable(m_summary));
}

// A card that carries a contact's UID is that contact: shown with what changes, then updated.
void TestMoveIn::cardWithUidUpdates()
{
    AddressRecord* yamada = m_f->add({"山田 太郎", "taro@example.jp", "Private", "03-1111-0000"});
    const QByteArray card =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + QByteArray::fromStdString(yamada->uid().toString()) +
        "\r\nFN:山田 太郎\r\nTEL;TYPE=HOME:03-9999-0000\r\nEND:VCARD\r\n";
    QString action;
    QStringList shown;
    m_onFound = [&](DuplicateImportDialog* dialog) {
        auto* tree = dialog->findChild<QTreeWidget*>(QStringLiteral("foundTree"));
        const QTreeWidgetItem* row = tree->topLevelItem(0)->child(0);
        shown << row->text(0) << row->text(1) << row->text(2);
        action = dialog->findChild<QComboBox*>()->currentText();
    };
    importByShortcut(TestEnv::writeFile(QStringLiteral("own.vcf"), card));
    QCOMPARE(action, QStringLiteral("更新する"));
    QCOMPARE(shown, (QStringList{"電話番号", "03-1111-0000", "03-9999-0000"}));
    QCOMPARE(state(), QStringList{"山田 太郎/03-9999-0000//taro@example.jp/"});
    QCOMPARE(doc().records().begin()->get(), yamada);
}

// Find duplicates: the group is offered with its reason; the user keeps the other spelling of
// the name with the keyboard and merges with the mouse; one Ctrl+Z brings both back.
void TestMoveIn::mergeGroupFieldByField()
{
    m_f->add({"髙橋 健二", "", "Private", "090-1111-2222"});
    m_f->add({"高橋 健二", "k@example.jp", "Private", "+81 90 1111 2222"});
    m_f->add({"佐藤 健", "", "Private"});
    const QStringList before = state();
    QString group;
    m_onFinder = [&](DuplicateFinderDialog* dialog) {
        QCOMPARE(dialog->groupCount(), 1);
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("groupList"));
        group = list->item(0)->text();
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("fieldTable"));
        auto* name = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        QVERIFY(name);
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Down);
        QCOMPARE(name->currentText(), QStringLiteral("高橋 健二"));
        click(dialog, "mergeButton");
        QCOMPARE(dialog->groupCount(), 0);
    };
    findDuplicates();
    QCOMPARE(m_log, QStringList{"finder"});
    QCOMPARE(group, QStringLiteral("髙橋 健二 ほか1件 — 同一人物（同じ名前・同じ電話番号）"));
    QCOMPARE(state(),
             (QStringList{"高橋 健二/090-1111-2222//k@example.jp/名前：髙橋 健二", "佐藤 健////"}));
    // The merged contact is selected, in its place.
    const std::vector<AddressRecord*> selected = m_f->list->selectedRecords();
    QCOMPARE(selected.size(), std::size_t(1));
    QCOMPARE(Text::fromCp932(selected.front()->name()), QStringLiteral("高橋 健二"));
    undoByShortcut();
    QCOMPARE(state(), before);
}

// "Not a duplicate" is kept with the contacts (in the companion file): no later search offers
// the pair again.
void TestMoveIn::notDuplicateIsRemembered()
{
    m_f->add({"佐藤 健", "ken@example.jp", "Private"});
    m_f->add({"佐藤 健", "", "Private", "090-5555-0005"});
    m_onFinder = [](DuplicateFinderDialog* dialog) {
        QCOMPARE(dialog->groupCount(), 1);
        click(dialog, "notSameButton");
    };
    findDuplicates();
    QVERIFY(doc().SaveAddressFile());
    CVOK_AddressDoc again;
    QVERIFY(again.LoadAddressFile(doc().addressFilePath()));
    QCOMPARE(again.records().size(), std::size_t(2));
    for (const auto& r : again.records())
        QVERIFY(r->extras() && r->extras()->notDuplicates.size() == 1);
    int offered = -1;
    m_onFinder = [&](DuplicateFinderDialog* dialog) {
        offered = dialog->groupCount();
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("countLabel"))->text(),
                 QStringLiteral("重複しているとみられる管理情報はありません。"));
    };
    findDuplicates();
    QCOMPARE(offered, 0);
}

// The summary names every line it could not read as a property and every value it put into
// a memo.
void TestMoveIn::summarySaysWhatWentWhere()
{
    const QByteArray card =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:" +
        QByteArray::fromStdString(cp("田中;一郎")) +
        "\r\nNOTE;CHARSET=SHIFT_JIS:" + QByteArray::fromStdString(cp("離れの")) + "\r\n" +
        QByteArray::fromStdString(cp("2階の奥")) +
        "\r\nTEL;CELL:09012345678\r\nTEL;CELL:08011112222\r\n"
        "BDAY:1980-01-02\r\nEND:VCARD\r\n";
    importByShortcut(TestEnv::writeFile(QStringLiteral("old.vcf"), card));
    QCOMPARE(m_log, QStringList{"summary"});
    for (const char* line : {"5行目: 「2階の奥」（前のメモの続きとして取り込みました）",
                             "田中 一郎: 誕生日：1980-01-02 / 携帯電話：08011112222"})
        QVERIFY2(m_summary.contains(QString::fromUtf8(line)), qPrintable(m_summary));
    QCOMPARE(state(), QStringList{"田中 一郎//09012345678//離れの|2階の奥|誕生日：1980-01-02|"
                                  "携帯電話：08011112222"});
}

void TestMoveIn::choiceForOneOfMany_data()
{
    QTest::addColumn<int>("contact"); // which of the three found contacts the user changes
    QTest::addColumn<int>("downs"); // presses of Down in its box after すべて取り込まない
    QTest::addColumn<QStringList>("after");
    const QString a = QStringLiteral("青木 一郎/03-1111-0001//");
    const QString b = QStringLiteral("馬場 二郎/03-1111-0002//");
    const QString c = QStringLiteral("千葉 三郎/03-1111-0003//");
    QTest::newRow("first merged") << 0 << 1 << QStringList{a + "a@example.jp/", b + "/", c + "/"};
    QTest::newRow("middle as new")
        << 1 << 2
        << QStringList{a + "/", b + "/", c + "/", "馬場 二郎/03-1111-0002//b@example.jp/"};
    QTest::newRow("last merged") << 2 << 1 << QStringList{a + "/", b + "/", c + "c@example.jp/"};
}

// Many contacts found: the rows carry the choices, one box shows on the current contact's row;
// the keyboard reaches it, and a choice made there or by a button counts.
void TestMoveIn::choiceForOneOfMany()
{
    QFETCH(int, contact);
    QFETCH(int, downs);
    QFETCH(QStringList, after);
    const char* names[] = {"青木 一郎", "馬場 二郎", "千葉 三郎"};
    QByteArray cards;
    for (int i = 0; i < 3; ++i) {
        const QByteArray phone = "03-1111-000" + QByteArray::number(i + 1);
        m_f->add({names[i], "", "Private", phone.constData()});
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + QByteArray(names[i]) +
                 "\r\nTEL;TYPE=HOME:" + phone + "\r\nEMAIL:" + char('a' + i) +
                 "@example.jp\r\nEND:VCARD\r\n";
    }
    m_onFound = [&](DuplicateImportDialog* dialog) {
        auto* tree = dialog->findChild<QTreeWidget*>(QStringLiteral("foundTree"));
        QCOMPARE(tree->topLevelItemCount(), 3);
        click(dialog, "skipAllButton");
        QApplication::setActiveWindow(dialog);
        tree->setFocus();
        QTreeWidgetItem* wanted = tree->topLevelItem(contact);
        for (int i = 0; i < 20 && tree->currentItem() != wanted; ++i)
            QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), wanted);
        // The boxes of rows left go with the next turn of the event loop.
        QList<QComboBox*> boxes = dialog->findChildren<QComboBox*>();
        boxes.removeIf([](const QComboBox* box) { return !box->isVisible(); });
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->currentText(), QStringLiteral("取り込まない"));
        QTest::keyClick(tree, Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget(), boxes[0]);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(boxes[0], Qt::Key_Down);
    };
    importByShortcut(TestEnv::writeFile(QStringLiteral("three.vcf"), cards));
    QCOMPARE(m_log, (QStringList{"found", "summary"}));
    QCOMPARE(state(), after);
}

void TestMoveIn::manyFound_data()
{
    QTest::addColumn<int>("known");   // contacts of the book the file brings a mobile for
    QTest::addColumn<int>("twice");   // of them, the first ones the file names again with a mail
    QTest::addColumn<QString>("all"); // the button pressed for every contact found
    QTest::addColumn<QString>("summary");
    QTest::newRow("more merges than the undo history holds steps")
        << 150 << 0 << "mergeAllButton"
        << QStringLiteral("150件（統合150件、更新0件、取り込まない0件）");
    QTest::newRow("named twice: both merged")
        << 3 << 2 << "mergeAllButton" << QStringLiteral("5件（統合5件、更新0件、取り込まない0件）");
    QTest::newRow("all left out") << 150 << 0 << "skipAllButton"
                                  << QStringLiteral("150件（統合0件、更新0件、取り込まない150件）");
}

// One button for thousands found: each contact takes what the file brings, keeping its UID and
// extras, and one Ctrl+Z takes back every merge with the new contacts, Ctrl+Y brings them again.
void TestMoveIn::manyFound()
{
    QFETCH(int, known);
    QFETCH(int, twice);
    QFETCH(QString, all);
    QFETCH(QString, summary);
    QByteArray cards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:佐藤 健\r\nEND:VCARD\r\n";
    QStringList merged;
    ContactExtras x;
    x.honorific = "殿";
    for (int i = 0; i < known; ++i) {
        const QByteArray n = QByteArray::number(1000 + i);
        const QByteArray card =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:青木 " + n + "\r\nTEL;TYPE=HOME:03-1111-" + n;
        m_f->add({"青木 " + n, "", "Private", "03-1111-" + n})->setExtras(x);
        cards += card + "\r\nTEL;TYPE=CELL:090-2222-" + n + "\r\nEND:VCARD\r\n";
        if (i < twice)
            cards += card + "\r\nEMAIL:p" + n + "@example.jp\r\nEND:VCARD\r\n";
        merged << QString::fromUtf8("青木 " + n + "/03-1111-" + n + "/090-2222-" + n + '/' +
                                    (i < twice ? "p" + n + "@example.jp/" : "/"));
    }
    const QStringList before = state();
    std::vector<ContactUid> uids;
    for (const auto& r : doc().records())
        uids.push_back(r->uid());
    const auto kept = [&] {
        for (int i = 0; i < known; ++i) {
            const AddressRecord* r = doc().records().at(std::size_t(i));
            QVERIFY(r->uid() == uids[std::size_t(i)] && r->extras()->honorific == "殿");
        }
    };
    m_onFound = [&](DuplicateImportDialog* dialog) {
        QCOMPARE(dialog->findChild<QTreeWidget*>()->topLevelItemCount(), known + twice);
        click(dialog, all.toLatin1().constData());
    };
    importByShortcut(TestEnv::writeFile(QStringLiteral("many.vcf"), cards));
    const QStringList after =
        (all == "skipAllButton" ? before : merged) + QStringList{"佐藤 健////"};
    QCOMPARE(state(), after);
    QVERIFY2(m_summary.contains(summary), qPrintable(m_summary));
    kept();
    undoByShortcut();
    QCOMPARE(state(), before);
    kept();
    QTest::keyClick(m_f->list, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(state(), after);
    kept();
}

// A contact changed while the merges are worked out (a sync between two turns of the window)
// keeps that change beside what the file brings.
void TestMoveIn::changedWhileDeciding()
{
    AddressRecord* aoki = m_f->add({"青木 一郎", "", "Private", "03-1111-0001"});
    BookImport import(doc());
    import.load(TestEnv::writeFile(
        QStringLiteral("one.vcf"),
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:青木 一郎\r\nTEL;TYPE=HOME:03-1111-0001\r\n"
        "TEL;TYPE=CELL:090-2222-0001\r\nEND:VCARD\r\n"));
    import.read();
    int changes = 0;
    const auto sync = [&] {
        if (!aoki->field(AddressRecord::MobilePhone).empty())
            return;
        AddressRecord value = *aoki;
        value.setField(AddressRecord::Email, "a" + std::to_string(++changes) + "@example.jp");
        doc().ChangeRecord(aoki, value);
    };
    import.add(sync);
    QCOMPARE(import.merged(), std::size_t(1));
    QCOMPARE(
        state(),
        QStringList{
            QStringLiteral("青木 一郎/03-1111-0001/090-2222-0001/a%1@example.jp/").arg(changes)});
}

VOK_TEST_MAIN(TestMoveIn)
#include "tst_movein.moc"
