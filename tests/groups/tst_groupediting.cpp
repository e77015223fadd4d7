#include "MessageBoxGuard.h"
#include "PaneTestSupport.h"
#include "TestMain.h"
#include "settings/GroupStore.h"

#include "ModalDriver.h"
#include "core/CVOK_AddressDoc.h"
#include "ui/common/FileDialog.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

using namespace PaneTest;

class TestGroupEditing : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests

    static QLineEdit* editor(const Frame& f)
    {
        for (QLineEdit* e : f.tree->viewport()->findChildren<QLineEdit*>()) {
            if (e->isVisible())
                return e;
        }
        return nullptr;
    }
    // Types as a keyboard would, one character per key press (also for kana).
    static void typeText(QWidget* w, const QString& text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    // Delivers what the key presses queued, then the command a refusal posted.
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    static QStringList stored() { return GroupStore::load(); }
    // Ends the running edit with the text typed (Enter) or with Escape when text is null.
    static void finishEdit(const Frame& f, const QString& text)
    {
        QLineEdit* e = editor(f);
        QVERIFY(e);
        if (text.isNull()) {
            QTest::keyClick(e, Qt::Key_Escape);
        } else {
            e->selectAll();
            QTest::keyClick(e, Qt::Key_Backspace);
            typeText(e, text);
            QTest::keyClick(e, Qt::Key_Return);
        }
        settle();
    }

    static void activate(const Frame& f)
    {
        QApplication::setActiveWindow(f.frame.get());
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    }
    static QPoint labelPoint(const Frame& f, const QString& group)
    {
        return f.tree->visualItemRect(f.group(group)).topLeft() + QPoint(30, 4);
    }
    // Keys go where the user's focus is, as a keyboard sends them.
    static void key(int key, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
        settle();
    }
    static QToolButton* toolButton(const Frame& f, int id)
    {
        return qobject_cast<QToolButton*>(
            f.frame->toolBar()->widgetForAction(f.frame->commands()->action(id)));
    }
    QStringList treeGroups(const Frame& f) const
    {
        QStringList labels;
        for (int i = 3; i < f.tree->rootItem()->childCount(); ++i)
            labels << f.tree->rootItem()->child(i)->text(0);
        return labels;
    }

private slots:
    void init() { startPaneTest(); }
    void cleanup() { clearStore(); }

    // A mouse click on a group decides the group keys at once, as the keyboard does.
    void groupKeysFollowAMouseClick()
    {
        storeGroup("Family");
        Frame f;
        activate(f);
        f.show("VOK_Address");
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, labelPoint(f, "Family"));
        QCOMPARE(QApplication::focusWidget(), f.tree);
        QVERIFY(toolButton(f, ID_DELETE)->isEnabled());
        key(Qt::Key_F2);
        QCOMPARE(f.tree->editingItem(), f.group("Family"));
        key(Qt::Key_Escape);

        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, labelPoint(f, "Private"));
        QVERIFY(!toolButton(f, ID_DELETE)->isEnabled());
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, labelPoint(f, "Family"));
        key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(stored(), QStringList{});
        QVERIFY(!f.group("Family"));
    }

    // A second create or rename while a name is being typed ends that edit first.
    void secondEditEndsTheOpenOne()
    {
        Frame f;
        activate(f);
        f.tree->setFocus();
        key(Qt::Key_G, Qt::ControlModifier);
        typeText(editor(f), QStringLiteral("X1"));
        key(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(stored(), QStringList{"X1"});
        key(Qt::Key_Return);
        QCOMPARE(stored(), (QStringList{"X1", "新しいグループ"}));
        QCOMPARE(treeGroups(f), (QStringList{"X1", "新しいグループ"}));

        // A rename, ended by the tool bar's create button.
        f.add({"a", "", "X1"});
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, labelPoint(f, "X1"));
        key(Qt::Key_F2);
        editor(f)->selectAll();
        typeText(editor(f), QStringLiteral("Fam2"));
        QTest::mouseClick(toolButton(f, ID_CREATE_GROUP), Qt::LeftButton);
        settle();
        key(Qt::Key_Escape); // the new group's edit
        QCOMPARE(stored(), (QStringList{"Fam2", "新しいグループ"}));
        QCOMPARE(treeGroups(f), (QStringList{"Fam2", "新しいグループ"}));
        QCOMPARE(int(f.frame->document()->CountGroupRecords("Fam2")), 1);
    }

    // Names that differ by the case of non-Latin letters are two groups with two keys.
    void nonLatinCaseMakesTwoGroups()
    {
        Frame f;
        activate(f);
        f.tree->setFocus();
        for (const QString& name : {QStringLiteral("ΑΒ"), QStringLiteral("αβ")}) {
            key(Qt::Key_G, Qt::ControlModifier);
            finishEdit(f, name);
        }
        QCOMPARE(stored(), (QStringList{"ΑΒ", "αβ"}));
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, labelPoint(f, "αβ"));
        key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(stored(), QStringList{"ΑΒ"});
        QCOMPARE(treeGroups(f), QStringList{"ΑΒ"});
    }

    // Importing from the menu of a group other than the shown one fills the shown group's
    // list with its own contacts only.
    void importFromAnotherGroupsMenu()
    {
        Frame f;
        activate(f);
        f.add({"b", "", "Business"});
        f.show("Business");
        const QString path = TestEnv::root() + QStringLiteral("/private.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("p1,,,,,,,,,,,,,,,Private\r\np2,,,,,,,,,,,,,,,Private\r\n");
        file.close();
        FileDialog::queueFileName(path);
        ModalDriver chooser(
            [](QWidget* popup) {
                auto* menu = qobject_cast<QMenu*>(popup);
                for (QAction* a : menu ? menu->actions() : QList<QAction*>()) {
                    if (a->data().toInt() == ID_IMPORT)
                        QTest::mouseClick(menu, Qt::LeftButton, {},
                                          menu->actionGeometry(a).center());
                }
            },
            ModalDriver::Popups);
        // The import's summary.
        ModalDriver summary([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "accept"); });
        const QPoint p = labelPoint(f, "Private");
        QContextMenuEvent event(QContextMenuEvent::Mouse, p, f.tree->viewport()->mapToGlobal(p));
        QApplication::sendEvent(f.tree->viewport(), &event);
        settle();
        QCOMPARE(f.frame->document()->records().size(), std::size_t(3));
        QCOMPARE(summary.seen(), 1);
        QCOMPARE(f.column(0), QStringList{"b"});
    }

    void createAndCancel()
    {
        Frame f;
        QVERIFY(!(f.group("Other")->flags() & Qt::ItemIsEditable));
        f.tree->CreateGroup();
        QTreeWidgetItem* item = f.group("新しいグループ");
        QVERIFY(item);
        QCOMPARE(f.tree->editingItem(), item);
        QCOMPARE(CGroupTree::kindOf(item), 3);
        QCOMPARE(editor(f)->text(), QString("新しいグループ"));
        finishEdit(f, QString());
        QCOMPARE(f.group("新しいグループ"), nullptr);
        QVERIFY(stored().isEmpty());
        QCOMPARE(f.tree->pendingEditItem(), nullptr);
    }

    void createDefaultNameTwice()
    {
        Frame f;
        f.tree->CreateGroup();
        finishEdit(f, "新しいグループ");
        QCOMPARE(stored(), QStringList{"新しいグループ"});
        QTreeWidgetItem* first = f.group("新しいグループ");
        QVERIFY(first && !(first->flags() & Qt::ItemIsEditable));
        QCOMPARE(f.tree->rootItem()->indexOfChild(first), 3); // appended after the fixed groups

        f.tree->CreateGroup();
        QTreeWidgetItem* second = f.tree->rootItem()->child(4);
        finishEdit(f, "新しいグループ");
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{"同名のグループが存在します。再度入力してください。"});
        // The posted create-group command has reopened the editor on the same item.
        QCOMPARE(f.tree->pendingEditItem(), second);
        QCOMPARE(f.tree->editingItem(), second);
        QCOMPARE(f.tree->rootItem()->childCount(), 5);
        finishEdit(f, QString());
        QCOMPARE(f.tree->rootItem()->childCount(), 4);
        QCOMPARE(stored(), QStringList{"新しいグループ"});
    }

    void sameNameRefusal_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("other letter case") << "FAMILY";
        QTest::newRow("full-width other case") << "ＦＡＭ";
    }
    void sameNameRefusal()
    {
        QFETCH(QString, typed);
        storeGroup("Family");
        storeGroup("ｆａｍ");
        Frame f;
        f.tree->CreateGroup();
        finishEdit(f, typed);
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QCOMPARE(MessageBox::shownTexts().front(),
                 QString("同名のグループが存在します。再度入力してください。"));
        finishEdit(f, QString());
        QCOMPARE(stored().size(), 2);
    }

    void fixedNameIsNotRefused()
    {
        Frame f;
        f.add({"a", "", "Private"});
        f.tree->CreateGroup();
        finishEdit(f, "Private");
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(stored(), QStringList{"Private"});
        // Both items named Private list the same contact.
        f.show("Private");
        QCOMPARE(f.list->model()->rowCount(), 1);
        f.tree->setCurrentItem(f.tree->rootItem()->child(3));
        QCOMPARE(f.list->model()->rowCount(), 1);
    }

    void byteLimit()
    {
        Frame f;
        f.tree->CreateGroup();
        QLineEdit* e = editor(f);
        e->clear();
        typeText(e, "あいうえおかきくけこ"); // 20 bytes: the tenth does not fit
        QCOMPARE(e->text(), QString("あいうえおかきくけ"));
        typeText(e, "x");
        QCOMPARE(e->text(), QString("あいうえおかきくけx"));
        QTest::keyClick(e, Qt::Key_Return);
        settle();
        QCOMPARE(stored(), QStringList{"あいうえおかきくけx"});
    }

    void emptyNameDuringRename()
    {
        storeGroup("Family");
        Frame f;
        f.add({"a", "", "Family"});
        f.show("Family");
        f.tree->StartRenameGroup();
        QVERIFY(f.tree->isRenaming());
        QCOMPARE(f.tree->renameOldName(), QString("Family"));
        finishEdit(f, "");
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{"グループ名が指定されていません。再度入力してください。"});
        QCOMPARE(f.tree->editingItem(), f.group("Family"));
        QVERIFY(f.tree->isRenaming());
        QCOMPARE(editor(f)->text(), QString("Family")); // the old name, not the refused text
        finishEdit(f, QString());
        QVERIFY(!f.tree->isRenaming());
        QVERIFY(f.group("Family"));
        QCOMPARE(stored(), QStringList{"Family"});
        QCOMPARE(int(f.frame->document()->CountGroupRecords("Family")), 1);
    }

    void renameWithUnchangedNameIsRefused()
    {
        storeGroup("Family");
        Frame f;
        f.show("Family");
        f.tree->StartRenameGroup();
        finishEdit(f, "Family");
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{"同名のグループが存在します。再度入力してください。"});
        finishEdit(f, QString());
        QCOMPARE(stored(), QStringList{"Family"});
    }

    void rename_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::newRow("group shown") << "Family";
        QTest::newRow("root shown") << "VOK_Address";
        QTest::newRow("other group shown") << "Private";
    }
    void rename()
    {
        QFETCH(QString, shown);
        storeGroup("Family");
        Frame f;
        f.add({"a", "", "Family"});
        f.add({"b", "", "family"});
        f.add({"c", "", "Private"});
        f.show(shown);
        f.tree->SetContextItem(f.group("Family"));
        QVERIFY(f.frame->commands()->execute(ID_RENAME_GROUP));
        QCOMPARE(f.tree->contextItem(), nullptr); // the running edit keeps its item
        finishEdit(f, "家族");
        QCOMPARE(stored(), QStringList{"家族"});
        QVERIFY(f.group("家族"));
        QCOMPARE(int(f.frame->document()->CountGroupRecords(QString::fromUtf8("家族"))), 2);
        QCOMPARE(int(f.frame->document()->CountGroupRecords("Family")), 0);
        // The group column shows the new name at once wherever the contacts are listed.
        for (int r = 0; r < f.list->model()->rowCount(); ++r) {
            const QString name = f.cell(r, 0);
            QCOMPARE(f.cell(r, 5), name == "c" ? QString("Private") : QString("家族"));
        }
        QCOMPARE(f.list->model()->rowCount(),
                 shown == "VOK_Address" ? 3 : (shown == "Private" ? 1 : 2));
    }

    void renameRefusedForFixedGroups()
    {
        Frame f;
        f.show("Private");
        QVERIFY(!f.frame->commands()->execute(ID_RENAME_GROUP));
        QVERIFY(!f.frame->commands()->execute(ID_DELETE_GROUP));
        f.tree->DeleteGroup(); // called directly it still keeps the fixed group
        QVERIFY(f.group("Private"));
        QCOMPARE(f.tree->editingItem(), nullptr);
    }

    void deleteGroup_data()
    {
        QTest::addColumn<bool>("withContacts");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("contacts, No") << true << int(MessageBox::No) << false;
        QTest::newRow("contacts, Yes") << true << int(MessageBox::Yes) << true;
        QTest::newRow("empty, no question") << false << -1 << true;
    }
    void deleteGroup()
    {
        QFETCH(bool, withContacts);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        storeGroup("Family");
        storeGroup("取引先");
        Frame f;
        if (withContacts) {
            f.add({"a", "", "Family"});
            f.add({"b", "", "FAMILY"});
        }
        f.add({"c", "", "Private"});
        if (answer >= 0)
            MessageBox::queueAnswer(MessageBox::Answer(answer));
        f.show("Family");
        f.tree->DeleteGroup();
        QCOMPARE(MessageBox::shownTexts().size(), withContacts ? 1 : 0);
        QCOMPARE(f.group("Family") == nullptr, deleted);
        QCOMPARE(stored().contains("Family"), !deleted);
        QCOMPARE(int(f.frame->document()->records().size()), deleted ? 1 : (withContacts ? 3 : 1));
        if (deleted) {
            // The previous sibling is selected and listed.
            QCOMPARE(f.tree->GetCurrentGroupName(), QString("Other"));
            QCOMPARE(f.list->model()->rowCount(), 0);
            QCOMPARE(f.tree->pendingEditItem(), nullptr);
        }
    }

    // The groups keep the order the user gave them: in the tree, through a deletion taken
    // back and done again, through a rename, and in the next run.
    void groupOrderKept_data()
    {
        QTest::addColumn<QString>("deleted"); // with the Delete key, then Ctrl+Z, Ctrl+Y, Ctrl+Z
        QTest::addColumn<QString>("renamed"); // with F2, to "Neu"; empty: none
        QTest::addColumn<QStringList>("order");
        const QStringList made{"Zeta", "Alpha", "Mid"};
        QTest::newRow("first deleted") << "Zeta"
                                       << "" << made;
        QTest::newRow("middle deleted") << "Alpha"
                                        << "" << made;
        QTest::newRow("last deleted") << "Mid"
                                      << "" << made;
        QTest::newRow("middle renamed") << "Mid"
                                        << "Alpha" << QStringList{"Zeta", "Neu", "Mid"};
    }
    void groupOrderKept()
    {
        QFETCH(QString, deleted);
        QFETCH(QString, renamed);
        QFETCH(QStringList, order);
        {
            Frame f;
            activate(f);
            f.tree->setFocus(Qt::OtherFocusReason);
            for (const char* name : {"Zeta", "Alpha", "Mid"}) {
                key(Qt::Key_G, Qt::ControlModifier);
                finishEdit(f, name);
            }
            QCOMPARE(treeGroups(f), (QStringList{"Zeta", "Alpha", "Mid"}));
            f.tree->setCurrentItem(f.group(deleted));
            key(Qt::Key_Delete);
            QVERIFY(!treeGroups(f).contains(deleted));
            key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(treeGroups(f), (QStringList{"Zeta", "Alpha", "Mid"}));
            key(Qt::Key_Y, Qt::ControlModifier);
            key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(treeGroups(f), (QStringList{"Zeta", "Alpha", "Mid"}));
            if (!renamed.isEmpty()) {
                f.tree->setCurrentItem(f.group(renamed));
                key(Qt::Key_F2);
                finishEdit(f, QStringLiteral("Neu"));
            }
            QCOMPARE(treeGroups(f), order);
        }
        // The next run shows them as they were left.
        Frame again;
        QCOMPARE(treeGroups(again), order);
        QCOMPARE(stored(), order);
    }

    void deleteFromContextMenuKeepsSelection()
    {
        storeGroup("Family");
        Frame f;
        f.add({"a", "", "Family"});
        f.add({"b", "", "Private"});
        f.show("VOK_Address");
        QCOMPARE(f.list->model()->rowCount(), 2);
        f.list->selectAll();
        MessageBox::queueAnswer(MessageBox::Yes);
        f.tree->SetContextItem(f.group("Family"));
        QVERIFY(f.frame->commands()->execute(ID_DELETE_GROUP));
        QCOMPARE(f.tree->contextItem(), nullptr);
        QCOMPARE(f.tree->selectedItem(), f.tree->rootItem());
        // The deleted contact's row left the list; no row shows a destroyed record.
        QCOMPARE(f.column(0), QStringList{"b"});
        QCOMPARE(f.list->recordAt(0), f.frame->document()->records().at(0));
    }
};

VOK_TEST_MAIN(TestGroupEditing)
#include "tst_groupediting.moc"
