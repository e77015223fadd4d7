#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

using namespace PaneTest;

class TestGroupTree : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests

    static QStringList childLabels(const Frame& f)
    {
        QStringList names;
        f.tree->ListGroupNames(names);
        return names;
    }

private slots:
    void init() { startPaneTest(); }
    void cleanup() { clearStore(); }

    void emptyStoreShape()
    {
        Frame f;
        QCOMPARE(f.tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = f.tree->rootItem();
        QCOMPARE(root->text(0), QString("VOK_Address"));
        QVERIFY(root->isExpanded());
        QCOMPARE(childLabels(f), (QStringList{"Private", "Business", "Other"}));
        QCOMPARE(CGroupTree::kindOf(root), 0);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(CGroupTree::kindOf(root->child(i)), 1);
        // The program starts with the root selected.
        QCOMPARE(f.tree->selectedItem(), root);
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("VOK_Address"));
        QVERIFY(!f.tree->IsCurrentUserGroup());
    }

    void storedGroupsFollowFixedOnes()
    {
        storeGroup("友人");
        storeGroup("a/b");
        Frame f;
        const QStringList names = childLabels(f);
        QCOMPARE(names.mid(0, 3), (QStringList{"Private", "Business", "Other"}));
        QCOMPARE(QSet<QString>(names.begin() + 3, names.end()), (QSet<QString>{"友人", "a/b"}));
        QCOMPARE(CGroupTree::kindOf(f.group("友人")), 3);
        f.show("友人");
        QVERIFY(f.tree->IsCurrentUserGroup());
    }

    void folderOpensWhileSelected()
    {
        storeGroup("Family");
        Frame f;
        for (const char* label : {"Private", "Family"}) {
            const QIcon icon = f.group(label)->icon(0);
            QVERIFY(icon.pixmap(16, QIcon::Normal).toImage() !=
                    icon.pixmap(16, QIcon::Selected).toImage());
        }
        QVERIFY(f.group("Private")->icon(0).pixmap(16).toImage() !=
                f.group("Family")->icon(0).pixmap(16).toImage());
    }

    void membership_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("root lists everyone")
            << "VOK_Address" << QStringList{"a", "b", "c", "d", "e"};
        QTest::newRow("case ignored") << "Private" << QStringList{"a", "b"};
        QTest::newRow("full-width case ignored") << "Ｆ" << QStringList{"e"};
        QTest::newRow("empty group") << "Business" << QStringList{};
    }
    void membership()
    {
        QFETCH(QString, group);
        QFETCH(QStringList, names);
        storeGroup("Ｆ");
        Frame f;
        f.add({"a", "", "Private"});
        f.add({"b", "", "private"});
        f.add({"c", "", ""});
        f.add({"d", "", "Nowhere"});
        f.add({"e", "", "ｆ"});
        f.show(group);
        f.list->SortByColumn(0);
        if (f.list->sortState != 0x10u)
            f.list->SortByColumn(0);
        QCOMPARE(f.column(0), names);
    }

    void keyboardFillsLikeClick()
    {
        storeGroup("Family");
        Frame f;
        f.add({"a", "", "Private"});
        f.add({"b", "", "Family"});
        f.add({"c", "", "Business"});
        f.show("VOK_Address");
        f.tree->setFocus();
        QTest::keyClick(f.tree, Qt::Key_Down);
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Private"));
        const QStringList byKey = f.column(0);
        QCOMPARE(byKey, QStringList{"a"});
        QTest::keyClick(f.tree, Qt::Key_End);
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Family"));
        QCOMPARE(f.column(0), QStringList{"b"});

        const QRect rect = f.tree->visualItemRect(f.group("Private"));
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, rect.topLeft() + QPoint(30, 4));
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Private"));
        QCOMPARE(f.column(0), byKey);
    }

    void noEditOnUserClicks()
    {
        storeGroup("Family");
        Frame f;
        const QPoint p = f.tree->visualItemRect(f.group("Family")).topLeft() + QPoint(30, 4);
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(f.tree->viewport(), Qt::LeftButton, {}, p);
        QCoreApplication::processEvents();
        QCOMPARE(f.tree->editingItem(), nullptr);
        QVERIFY(f.tree->viewport()->findChildren<QLineEdit*>().isEmpty());
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Family"));
    }

    void selectionNeverEmpties()
    {
        Frame f;
        f.add({"a", "", "Private"});
        f.show("Private");
        const QPoint blank(f.tree->viewport()->width() - 5, f.tree->viewport()->height() - 5);
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, blank);
        const QPoint label = f.tree->visualItemRect(f.group("Private")).topLeft() + QPoint(30, 4);
        QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, Qt::ControlModifier, label);
        QCOMPARE(f.tree->selectedItem(), f.group("Private"));
        QCOMPARE(f.list->model()->rowCount(), 1);
    }

    void contextItemRules()
    {
        storeGroup("Family");
        Frame f;
        f.show("Private");
        f.tree->SetContextItem(f.group("Family"));
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Family"));
        QVERIFY(f.tree->IsCurrentUserGroup());
        f.show("Business"); // every selection change clears it
        QCOMPARE(f.tree->contextItem(), nullptr);
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Business"));
        QVERIFY(!f.tree->IsCurrentUserGroup());
    }

    void contextMenu()
    {
        storeGroup("Family");
        Frame f;
        f.show("Private");
        QStringList texts;
        bool deleteEnabled = false;
        ModalDriver reader(
            [&](QWidget* popup) {
                auto* menu = qobject_cast<QMenu*>(popup);
                if (!menu)
                    return;
                for (QAction* a : menu->actions()) {
                    texts << (a->isSeparator() ? "-" : a->text());
                    if (a->data().toInt() == ID_DELETE_GROUP)
                        deleteEnabled = a->isEnabled();
                }
                menu->close(); // Escape: no command
            },
            ModalDriver::Popups);
        const QPoint p = f.tree->visualItemRect(f.group("Family")).topLeft() + QPoint(30, 4);
        QContextMenuEvent event(QContextMenuEvent::Mouse, p, f.tree->viewport()->mapToGlobal(p));
        QApplication::sendEvent(f.tree->viewport(), &event);
        QCOMPARE(texts, (QStringList{"管理情報(&N)...\tCtrl+N", "グループ作成(&G)\tCtrl+G",
                                     "グループ削除(&D)\tCtrl+D", "グループ名の変更(&R)\tF2", "-",
                                     "管理情報のExport(&E)...\tCtrl+P",
                                     "管理情報のImport(&I)...\tCtrl+I"}));
        QVERIFY(deleteEnabled); // evaluated for the right-clicked user group
        // Closed without a command: the selected group is current again, the selection unmoved.
        QCOMPARE(f.tree->contextItem(), nullptr);
        QCOMPARE(f.tree->GetCurrentGroupName(), QString("Private"));
        QVERIFY(!f.tree->IsCurrentUserGroup());
    }

    void contextMenuNeedsALabel()
    {
        Frame f;
        bool shown = false;
        ModalDriver closer(
            [&](QWidget* popup) {
                shown = true;
                popup->close();
            },
            ModalDriver::Popups);
        const QPoint p(f.tree->viewport()->width() - 5, f.tree->viewport()->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, p, f.tree->viewport()->mapToGlobal(p));
        QApplication::sendEvent(f.tree->viewport(), &event);
        QCoreApplication::processEvents();
        QVERIFY(!shown);
    }

    void dropTargets_data()
    {
        QTest::addColumn<QString>("label"); // empty: blank tree space
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("target");
        QTest::newRow("root") << "VOK_Address" << 2 << "";
        QTest::newRow("fixed group") << "Business" << 1 << "Business";
        QTest::newRow("user group") << "Family" << 1 << "Family";
        QTest::newRow("blank space") << "" << 0 << "";
    }
    void dropTargets()
    {
        QFETCH(QString, label);
        QFETCH(int, result);
        QFETCH(QString, target);
        storeGroup("Family");
        Frame f;
        f.show("Private");
        f.tree->HitTestDropTarget(f.tree->viewport()->mapToGlobal(
            f.tree->visualItemRect(f.group("Other")).topLeft() + QPoint(30, 4)));
        const QPoint p =
            label.isEmpty()
                ? QPoint(f.tree->viewport()->width() - 5, f.tree->viewport()->height() - 5)
                : f.tree->visualItemRect(f.group(label)).topLeft() + QPoint(30, 4);
        QCOMPARE(f.tree->HitTestDropTarget(f.tree->viewport()->mapToGlobal(p)), result);
        QCOMPARE(f.tree->dropTargetGroup(), target);
        QCOMPARE(f.tree->dropHighlightItem(), label.isEmpty() ? nullptr : f.group(label));
        QCOMPARE(f.tree->selectedItem(), f.group("Private")); // independent of the selection
        f.tree->ClearDropTarget();
        QCOMPARE(f.tree->dropHighlightItem(), nullptr);
        QVERIFY(f.tree->dropTargetGroup().isEmpty());
    }
};

VOK_TEST_MAIN(TestGroupTree)
#include "tst_grouptree.moc"
