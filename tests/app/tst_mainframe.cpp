#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include "app/AppText.h"
#include "app/CMainFrame.h"
#include "app/TrayIcon.h"
#include "core/DataLocation.h"
#include "mail/MailText.h"
#include "model/book/AddressRecord.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "settings/GroupStore.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "settings/WindowPlacement.h"
#include "ui/common/CommandTable.h"
#include "ui/common/MessageBox.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/CPrivatePage.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"
#include "ui/list/SearchField.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Focus
{
    None,
    List,
    Tree
};

void writeStyle(const QString& style)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::WindowKey));
    key.WriteString(QStringLiteral("Style"), style);
}

QString readStyle()
{
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::WindowKey));
    QString style;
    key.ReadString(QStringLiteral("Style"), style);
    return style;
}

qint64 dataFileSize()
{
    QFileInfo info(DataLocation::addressFilePath());
    return info.exists() ? info.size() : -1;
}

void addContact(CMainFrame& frame, const char* name)
{
    auto record = std::make_unique<AddressRecord>();
    record->setField(0, name);
    record->setField(15, "Private");
    frame.document()->AddRecord(std::move(record));
}

// Menu items as "text" or "-" for a separator.
QStringList itemTexts(const QMenu* menu)
{
    QStringList out;
    for (const QAction* action : menu->actions())
        out << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

// What a menu hands the style to paint for an item: the text, a tab, the shortcut column.
struct MenuPeek : QMenu
{
    using QMenu::initStyleOption;
};

QString paintedText(QMenu* menu, QAction* action)
{
    QStyleOptionMenuItem option;
    void (QMenu::*init)(QStyleOptionMenuItem*, const QAction*) const = &MenuPeek::initStyleOption;
    (menu->*init)(&option, action);
    return option.text;
}

// The names of the contacts the list shows, top to bottom.
QStringList listedNames(CAddressList* list)
{
    QStringList out;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        out << list->model()->index(row, 0).data().toString();
    return out;
}

// A left click on a row of the list, with the modifiers a user would hold.
void clickRow(CAddressList* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests

    std::unique_ptr<CMainFrame> m_frame;

    CMainFrame* showFrame()
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->WaitForBook();
        m_frame->show();
        m_frame->activateWindow();
        if (!QTest::qWaitForWindowActive(m_frame.get()))
            return nullptr;
        return m_frame.get();
    }

    // A shown frame whose tree holds the stored user groups and whose record list holds one
    // contact per name, each in the group of the same index; the list shows `shown`.
    CMainFrame* showFrameWith(const QStringList& groups, const QStringList& names,
                              const QStringList& inGroups, const QString& shown)
    {
        for (const QString& g : groups)
            PaneTest::storeGroup(g);
        CMainFrame* frame = showFrame();
        if (!frame)
            return nullptr;
        for (qsizetype i = 0; i < names.size(); ++i) {
            PaneTest::Contact c;
            const QByteArray name = names[i].toUtf8(), group = inGroups[i].toUtf8();
            c.name = name.constData();
            c.group = group.constData();
            frame->document()->AddRecord(PaneTest::makeRecord(c));
        }
        selectGroup(shown);
        return frame;
    }

    QTreeWidgetItem* groupItem(const QString& label) const
    {
        CGroupTree* tree = m_frame->groupTree();
        QTreeWidgetItem* root = tree->rootItem();
        if (root->text(0) == label)
            return root;
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->text(0) == label)
                return root->child(i);
        return nullptr;
    }

    // Selects the group as a click on it would, which fills the list with its contacts.
    void selectGroup(const QString& label)
    {
        CGroupTree* tree = m_frame->groupTree();
        tree->clearSelection();
        tree->setCurrentItem(groupItem(label));
    }

    bool recordListed(const AddressRecord* record) const
    {
        for (const auto& r : m_frame->document()->records())
            if (r.get() == record)
                return true;
        return false;
    }

    // While the frame lives, every modal dialog closes as soon as it shows, as a user cancelling
    // it would: the contact sheet and the file dialogs of the commands under test.
    void cancelDialogs()
    {
        auto* timer = new QTimer(m_frame.get());
        connect(timer, &QTimer::timeout, timer, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        timer->start(0);
    }

    bool placeFocus(Focus focus)
    {
        QWidget* target = nullptr;
        if (focus == Focus::List)
            target = m_frame->addressList();
        else if (focus == Focus::Tree)
            target = m_frame->groupTree();
        if (target) {
            target->setFocus(Qt::OtherFocusReason);
            return QApplication::focusWidget() == target;
        }
        // Focus on none of the panes: on the tool bar's first button.
        QWidget* other =
            m_frame->toolBar()->widgetForAction(m_frame->commands()->action(ID_NEW_CONTACT));
        other->setFocusPolicy(Qt::StrongFocus);
        other->setFocus(Qt::OtherFocusReason);
        return QApplication::focusWidget() == other;
    }

private slots:
    void initTestCase() { TrayIcon::setAvailableForTesting(true); }

    void init()
    {
        TestEnv::removeBook(DataLocation::addressFilePath());
        QFile::remove(RegistryKey::storePath());
        MessageBox::shownTexts().clear();
        TrayIcon::setAvailableForTesting(true);
    }

    void cleanup() { m_frame.reset(); }

    void titleSplitterAndPanes()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QCOMPARE(frame->windowTitle(), QStringLiteral("VOK_Address - VOK System"));
        QVERIFY(frame->groupTree());
        QVERIFY(frame->addressList());
        QCOMPARE(frame->groupTree()->width(), 200);
    }

    void menuItems_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("file") << 0 << "ﾌｧｲﾙ(&F)"
                              << QStringList{"管理情報(&N)...\tCtrl+N",
                                             "グループ作成(&G)\tCtrl+G",
                                             "-",
                                             "メールアドレスの転送(&M)\tCtrl+M",
                                             "-",
                                             "管理情報のExport(&P)...\tCtrl+P",
                                             "管理情報のImport(&I)...\tCtrl+I",
                                             "-",
                                             "宛名印刷(&A)...\tCtrl+Shift+P",
                                             "-",
                                             "環境設定..."};
        QTest::newRow("edit") << 1 << "編集(&E)"
                              << QStringList{"元に戻す(&U)\tCtrl+Z",
                                             "やり直し(&R)\tCtrl+Y",
                                             "-",
                                             "管理情報の編集(&E)\tCtrl+E",
                                             "管理情報の削除(&D)\tDelete",
                                             "-",
                                             "グループへ移動(&V)",
                                             "グループへコピー(&C)",
                                             "-",
                                             "グループ削除(&G)\tCtrl+D",
                                             "-",
                                             "検索(&F)\tCtrl+F",
                                             "重複の検索(&K)..."};
        QTest::newRow("view") << 2 << "表示(&V)"
                              << QStringList{"ﾂｰﾙ ﾊﾞｰ(&T)", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "-", "フリガナ列(&R)",
                                             "宛名の列(&A)"};
        QTest::newRow("tools") << 3 << "ツール(&T)"
                               << QStringList{"新規メール(&N)", "メールチェック(&M)", "-",
                                              "同期(&S)\tCtrl+Shift+S", "同期ログ(&L)..."};
        QTest::newRow("help") << 4 << "ﾍﾙﾌﾟ(&H)" << QStringList{"VOK_Address のﾊﾞｰｼﾞｮﾝ情報(&A)..."};
    }

    void menuItems()
    {
        QFETCH(int, index);
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        const QList<QAction*> menus = frame->menuBar()->actions();
        QCOMPARE(menus.size(), 5);
        QCOMPARE(menus[index]->text(), title);
        QCOMPARE(itemTexts(menus[index]->menu()), items);
        // What the menu paints is the same, the key names after the tab included, and not the
        // names Qt would give the keys itself ("Del").
        QStringList painted;
        for (QAction* action : menus[index]->menu()->actions())
            painted << (action->isSeparator() ? QStringLiteral("-")
                                              : paintedText(menus[index]->menu(), action));
        QCOMPARE(painted, items);
    }

    // The texts after the tab are names only: the keys stay bound to the commands. Each key
    // below, pressed with the tree focused on a user group, reaches its command.
    void menuKeysStayBound_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("inMainMenu");
        QTest::newRow("Ctrl+N") << "Ctrl+N" << ID_NEW_CONTACT << true;
        QTest::newRow("Ctrl+G") << "Ctrl+G" << ID_CREATE_GROUP << true;
        QTest::newRow("Ctrl+I") << "Ctrl+I" << ID_IMPORT << true;
        QTest::newRow("Ctrl+P") << "Ctrl+P" << ID_EXPORT << true;
        QTest::newRow("Delete") << "Delete" << ID_DELETE << true;
        QTest::newRow("Ctrl+D") << "Ctrl+D" << ID_DELETE_GROUP << true;
        QTest::newRow("F2 (the tree's menu names it)") << "F2" << ID_RENAME_GROUP << false;
    }

    void menuKeysStayBound()
    {
        QFETCH(QString, shown);
        QFETCH(int, id);
        QFETCH(bool, inMainMenu);
        CMainFrame* frame = showFrameWith({"Family"}, {}, {}, "Family");
        QVERIFY(frame);
        QAction* action = frame->commands()->action(id);
        if (inMainMenu)
            QVERIFY(action->text().endsWith(u'\t' + shown));
        else
            QVERIFY(action->text().isEmpty());
        QVERIFY(!action->iconText().contains(u'\t'));
        // Every handler is observed only: no group is deleted, renamed or exported here.
        QList<int> ran;
        frame->commands()->setHandler(id, [&ran, id] { ran << id; });
        QVERIFY(placeFocus(Focus::Tree));
        QCOMPARE(frame->groupTree()->GetCurrentGroupName(), QStringLiteral("Family"));
        const QKeySequence key(shown == QStringLiteral("Delete") ? QStringLiteral("Del") : shown);
        QTest::keySequence(frame->groupTree(), key);
        QCOMPARE(ran, QList<int>{id});
    }

    void commandTexts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("tip");
        QTest::newRow("ID_NEW_CONTACT") << ID_NEW_CONTACT << "Ctrl+N"
                                        << "管理情報の作成を行う"
                                        << "作成";
        QTest::newRow("ID_CREATE_GROUP") << ID_CREATE_GROUP << "Ctrl+G"
                                         << "管理情報をグループ化するためのグループ作成を行う"
                                         << "グループ作成";
        QTest::newRow("ID_COPY_MAIL") << ID_COPY_MAIL << "Ctrl+M"
                                      << "メールアドレスをクリップボードにコピーする"
                                      << "転送";
        QTest::newRow("ID_EXPORT") << ID_EXPORT << "Ctrl+P"
                                   << "管理情報をCSVやvCardのファイルにExportする"
                                   << "Export";
        QTest::newRow("ID_IMPORT") << ID_IMPORT << "Ctrl+I"
                                   << "CSVやvCardのファイルから管理情報をImportする"
                                   << "Import";
        QTest::newRow("ID_OPTIONS") << ID_OPTIONS << ""
                                    << "各環境についての設定を行う"
                                    << "環境設定";
        QTest::newRow("ID_EDIT_CONTACT") << ID_EDIT_CONTACT << "Ctrl+E"
                                         << "管理情報の編集を行う"
                                         << "編集";
        QTest::newRow("ID_DELETE") << ID_DELETE << "Del"
                                   << "管理情報を削除する"
                                   << "削除";
        QTest::newRow("ID_DELETE_GROUP") << ID_DELETE_GROUP << "Ctrl+D"
                                         << "グループの削除を行う"
                                         << "グループ削除";
        QTest::newRow("ID_RENAME_GROUP") << ID_RENAME_GROUP << "F2"
                                         << "グループ名の変更を行う"
                                         << "グループ名の変更";
        QTest::newRow("ID_NEW_MAIL") << ID_NEW_MAIL << ""
                                     << "新しいメールメッセージを作成します。"
                                     << "メッセージの作成";
        QTest::newRow("ID_MAIL_CHECK") << ID_MAIL_CHECK << ""
                                       << "POPサーバーに接続して未読メールのチェックを行う。"
                                       << "メールチェック";
        QTest::newRow("ID_SYNC") << ID_SYNC << "Ctrl+Shift+S"
                                 << "CardDAVサーバーのアドレス帳と同期する"
                                 << "同期";
        QTest::newRow("ID_APP_ABOUT") << ID_APP_ABOUT << ""
                                      << "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示"
                                      << "ﾊﾞｰｼﾞｮﾝ情報";
        QTest::newRow("ID_VIEW_TOOLBAR") << ID_VIEW_TOOLBAR << ""
                                         << "ﾂｰﾙ ﾊﾞｰの 表示/非表示"
                                         << "ﾂｰﾙ ﾊﾞｰの表示切り替え";
        QTest::newRow("ID_APP_EXIT") << ID_APP_EXIT << ""
                                     << "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"
                                     << "終了";
        QTest::newRow("ID_COPY_OFFICE_MAIL") << ID_COPY_OFFICE_MAIL << ""
                                             << "会社メールアドレスをクリップボードにコピーする"
                                             << "転送";
    }

    void commandTexts()
    {
        QFETCH(int, id);
        QFETCH(QString, shortcut);
        QFETCH(QString, prompt);
        QFETCH(QString, tip);
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QAction* action = frame->commands()->action(id);
        QVERIFY(action);
        QCOMPARE(action->shortcut(), QKeySequence(shortcut));
        QCOMPARE(action->statusTip(), prompt);
        QCOMPARE(action->toolTip(), tip);
    }

    void toolBarPlaces()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QToolBar* bar = frame->toolBar();
        QCOMPARE(bar->windowTitle(), QStringLiteral("VOK_Address ToolBar"));
        QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
        QVERIFY(bar->isMovable());
        QCOMPARE(frame->toolBarArea(bar), Qt::TopToolBarArea);
        QList<int> places;
        const QList<QAction*> actions = bar->actions();
        // The search field stands last, pushed to the far end.
        QCOMPARE(bar->widgetForAction(actions.last()), frame->searchField());
        for (QAction* action : actions.first(actions.size() - 2)) {
            places << (action->isSeparator() ? 0 : action->data().toInt());
            if (!action->isSeparator())
                QVERIFY2(!action->icon().pixmap(16, 16).isNull(), qPrintable(action->text()));
        }
        const QList<int> expected{ID_NEW_CONTACT,
                                  ID_CREATE_GROUP,
                                  ID_COPY_MAIL,
                                  ID_EXPORT,
                                  ID_IMPORT,
                                  ID_OPTIONS,
                                  0,
                                  ID_EDIT_CONTACT,
                                  ID_DELETE,
                                  0,
                                  ID_NEW_MAIL,
                                  ID_MAIL_CHECK,
                                  0,
                                  ID_APP_ABOUT};
        QCOMPARE(places, expected);
    }

    void statusBarPanes()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        const auto labels = frame->statusBar()->findChildren<QLabel*>();
        QLabel* ready = nullptr;
        QLabel* mail = frame->statusBar()->findChild<QLabel*>(QStringLiteral("MailPane"));
        for (QLabel* label : labels)
            if (label->text() == AppText::Ready)
                ready = label;
        QVERIFY(ready && ready->isVisible());
        QVERIFY(mail);
        QVERIFY(mail->width() >= mail->fontMetrics().horizontalAdvance(QString(80, u' ')));
        frame->SetMailPaneText(QStringLiteral("VOK_Address: Mail checking..."));
        QCOMPARE(mail->text(), QStringLiteral("VOK_Address: Mail checking..."));

        // A prompt covers the idle text while it shows; the idle text comes back after it.
        frame->statusBar()->showMessage(frame->commands()->action(ID_DELETE)->statusTip());
        QVERIFY(!ready->isVisible());
        frame->statusBar()->clearMessage();
        QVERIFY(ready->isVisible());
    }

    void trayIconAndMenu()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QSystemTrayIcon* tray = frame->tray()->icon();
        QVERIFY(tray && tray->isVisible());
        QCOMPARE(tray->toolTip(), QStringLiteral("VOK_Address "));
        QCOMPARE(tray->contextMenu(), frame->tray()->menu());
        QCOMPARE(frame->tray()->menu()->title(), QStringLiteral("TASK"));
        QCOMPARE(itemTexts(frame->tray()->menu()),
                 (QStringList{"アドレス帳を開く", "-", "環境設定...", "-", "管理情報...",
                              "メールチェック", "同期", "-", "終了"}));
        frame->tray()->SetTrayTip(QString(80, u'x'));
        QCOMPARE(tray->toolTip().size(), 63);

        // "アドレス帳を開く" brings a hidden window back.
        frame->hide();
        QSignalSpy ran(frame->commands(), &CommandTable::executed);
        frame->tray()->menu()->actions().first()->trigger();
        QCOMPARE(ran.count(), 1);
        QVERIFY(frame->isVisible());
    }

    void trayDoubleClick_data()
    {
        QTest::addColumn<bool>("tasktray");
        QTest::newRow("shows the window") << false;
        QTest::newRow("starts the mail program") << true;
    }

    void trayDoubleClick()
    {
        QFETCH(bool, tasktray);
        // A stand-in xdg-mime records that the mail program was looked up.
        const QString bin = TestEnv::root() + QStringLiteral("/tray-bin");
        const QString asked = TestEnv::root() + QStringLiteral("/asked-xdg-mime");
        QFile::remove(asked);
        QVERIFY(QDir().mkpath(bin));
        QFile script(bin + QStringLiteral("/xdg-mime"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$@\" > '" + asked.toUtf8() + "'\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + oldPath);

        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        frame->m_bTasktray = tasktray;
        frame->close();
        QVERIFY(!frame->isVisible());
        emit frame->tray()->icon()->activated(QSystemTrayIcon::Trigger); // a single click: nothing
        QVERIFY(!frame->isVisible());
        emit frame->tray()->icon()->activated(QSystemTrayIcon::DoubleClick);
        qputenv("PATH", oldPath);
        QCOMPARE(frame->isVisible(), !tasktray);
        // The lookup runs in the background; the stand-in names no mail program, which the
        // user is told.
        QTRY_COMPARE(QFileInfo::exists(asked), tasktray);
        QTRY_COMPARE(MessageBox::shownTexts(),
                     tasktray ? QStringList{MailText::NoMailProgram} : QStringList{});
    }

    void commandRules_data()
    {
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("enabled");
        // An empty address book: the list has no rows (so no selection); the tree's current
        // item is the root or a fixed group. With real pane contents the user-group and
        // selected-row cases join these rows.
        const int none = int(Focus::None), list = int(Focus::List), tree = int(Focus::Tree);
        QTest::newRow("none: new contact") << none << ID_NEW_CONTACT << true;
        QTest::newRow("none: create group") << none << ID_CREATE_GROUP << true;
        QTest::newRow("none: delete") << none << ID_DELETE << true;
        QTest::newRow("none: edit") << none << ID_EDIT_CONTACT << false;
        QTest::newRow("none: export") << none << ID_EXPORT << false;
        QTest::newRow("none: copy mail") << none << ID_COPY_MAIL << false;
        QTest::newRow("none: new mail") << none << ID_NEW_MAIL << false;
        QTest::newRow("none: import") << none << ID_IMPORT << true;
        QTest::newRow("list: delete, nothing selected") << list << ID_DELETE << false;
        QTest::newRow("list: edit, nothing selected") << list << ID_EDIT_CONTACT << false;
        QTest::newRow("list: export") << list << ID_EXPORT << false;
        QTest::newRow("list: delete group") << list << ID_DELETE_GROUP << false;
        QTest::newRow("list: rename group") << list << ID_RENAME_GROUP << false;
        QTest::newRow("list: copy personal") << list << ID_COPY_PERSONAL_INFO << false;
        QTest::newRow("list: copy office mail") << list << ID_COPY_OFFICE_MAIL << false;
        QTest::newRow("list: new mail") << list << ID_NEW_MAIL << false;
        QTest::newRow("tree: delete on fixed group") << tree << ID_DELETE << false;
        QTest::newRow("tree: delete group on fixed group") << tree << ID_DELETE_GROUP << false;
        QTest::newRow("tree: export") << tree << ID_EXPORT << true;
        QTest::newRow("tree: edit") << tree << ID_EDIT_CONTACT << false;
        QTest::newRow("tree: new mail") << tree << ID_NEW_MAIL << false;
        QTest::newRow("tree: options") << tree << ID_OPTIONS << true;
        QTest::newRow("tree: exit") << tree << ID_APP_EXIT << true;
    }

    void commandRules()
    {
        QFETCH(int, focus);
        QFETCH(int, id);
        QFETCH(bool, enabled);
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QVERIFY(placeFocus(Focus(focus)));
        QCOMPARE(frame->commands()->isEnabled(id), enabled);
        // The focus change greyed the action, and with it its menu item and tool bar button.
        QAction* action = frame->commands()->action(id);
        QCOMPARE(action->isEnabled(), enabled);
        if (QWidget* button = frame->toolBar()->widgetForAction(action))
            QCOMPARE(button->isEnabled(), enabled);
    }

    void keys_data()
    {
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("runs");
        const int list = int(Focus::List), tree = int(Focus::Tree);
        const int ctrl = int(Qt::ControlModifier), plain = int(Qt::NoModifier);
        QTest::newRow("Delete in the list, nothing selected")
            << list << int(Qt::Key_Delete) << plain << ID_DELETE << false;
        QTest::newRow("Delete in the tree on a fixed group")
            << tree << int(Qt::Key_Delete) << plain << ID_DELETE << false;
        QTest::newRow("Ctrl+D in the list")
            << list << int(Qt::Key_D) << ctrl << ID_DELETE_GROUP << false;
        QTest::newRow("F2 in the list")
            << list << int(Qt::Key_F2) << plain << ID_RENAME_GROUP << false;
        QTest::newRow("Ctrl+E in the list, nothing selected")
            << list << int(Qt::Key_E) << ctrl << ID_EDIT_CONTACT << false;
        QTest::newRow("Ctrl+P in the list") << list << int(Qt::Key_P) << ctrl << ID_EXPORT << false;
        QTest::newRow("Ctrl+P in the tree") << tree << int(Qt::Key_P) << ctrl << ID_EXPORT << true;
        QTest::newRow("Ctrl+N in the list")
            << list << int(Qt::Key_N) << ctrl << ID_NEW_CONTACT << true;
        QTest::newRow("Ctrl+I in the tree") << tree << int(Qt::Key_I) << ctrl << ID_IMPORT << true;
        QTest::newRow("Ctrl+G in the list")
            << list << int(Qt::Key_G) << ctrl << ID_CREATE_GROUP << true;
    }

    void keys()
    {
        QFETCH(int, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, id);
        QFETCH(bool, runs);
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QVERIFY(placeFocus(Focus(focus)));
        cancelDialogs();
        QSignalSpy ran(frame->commands(), &CommandTable::executed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
        QList<int> ids;
        for (const auto& args : ran)
            ids << args.at(0).toInt();
        QCOMPARE(ids.contains(id), runs);
        if (!runs)
            QVERIFY(ids.isEmpty());
    }

    void postedCommands()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        cancelDialogs();
        QSignalSpy ran(frame->commands(), &CommandTable::executed);

        // Rule false when it arrives: dropped.
        QVERIFY(placeFocus(Focus::List));
        frame->commands()->post(ID_EDIT_CONTACT);
        frame->commands()->post(ID_NEW_MAIL);
        // Rule true when posted, false when it arrives: dropped too.
        QVERIFY(placeFocus(Focus::Tree));
        frame->commands()->post(ID_EXPORT);
        QVERIFY(placeFocus(Focus::List));
        QCoreApplication::processEvents();
        QCOMPARE(ran.count(), 0);

        // Rule true when it arrives: runs.
        QVERIFY(placeFocus(Focus::Tree));
        frame->commands()->post(ID_EXPORT);
        QCoreApplication::processEvents();
        QCOMPARE(ran.count(), 1);
        QCOMPARE(ran.at(0).at(0).toInt(), ID_EXPORT);
    }

    // ---- with contacts and groups in the panes --------------------------------------------

    void deleteKeyInList_data()
    {
        QTest::addColumn<QStringList>("select");
        QTest::newRow("one row") << QStringList{"Ito"};
        QTest::newRow("two rows apart") << QStringList{"Abe", "Sato"};
        QTest::newRow("every row") << QStringList{"Abe", "Ito", "Sato", "Ueda"};
    }

    void deleteKeyInList()
    {
        QFETCH(QStringList, select);
        const QStringList names{"Abe", "Ito", "Sato", "Ueda"};
        CMainFrame* frame =
            showFrameWith({}, names, {"Private", "Business", "Private", "Other"}, AppText::AppName);
        QVERIFY(frame);
        CAddressList* list = frame->addressList();
        QCOMPARE(list->model()->rowCount(), 4);
        QVERIFY(placeFocus(Focus::List));
        for (qsizetype i = 0; i < select.size(); ++i)
            clickRow(list, int(listedNames(list).indexOf(select[i])),
                     i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        QCOMPARE(list->GetSelectedCount(), int(select.size()));
        QSignalSpy ran(frame->commands(), &CommandTable::executed);

        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(ran.count(), 1);
        QCOMPARE(ran.at(0).at(0).toInt(), ID_DELETE);
        QStringList expected = names;
        for (const QString& n : select)
            expected.removeOne(n);
        QStringList listed = listedNames(list);
        listed.sort();
        QCOMPARE(listed, expected);
        QStringList kept;
        for (const auto& r : frame->document()->records()) {
            const std::string_view name = r->field(AddressRecord::Name);
            kept << QString::fromLatin1(QByteArray(name.data(), qsizetype(name.size())));
        }
        kept.sort();
        QCOMPARE(kept, expected);
        // No row is left pointing at a destroyed record.
        for (int row = 0; row < list->model()->rowCount(); ++row)
            QVERIFY(recordListed(list->recordAt(row)));
        QCOMPARE(list->GetSelectedCount(), 0);
        QVERIFY(!frame->commands()->action(ID_DELETE)->isEnabled());
        QVERIFY(MessageBox::shownTexts().isEmpty()); // contacts go without a question
    }

    void deleteKeyInTreeOnUserGroup_data()
    {
        QTest::addColumn<int>("contacts");
        QTest::addColumn<int>("answer"); // -1: no question expected
        QTest::addColumn<bool>("deleted");
        QTest::newRow("empty group: no question") << 0 << -1 << true;
        QTest::newRow("with contacts, Yes") << 2 << int(MessageBox::Yes) << true;
        QTest::newRow("with contacts, No") << 2 << int(MessageBox::No) << false;
    }

    void deleteKeyInTreeOnUserGroup()
    {
        QFETCH(int, contacts);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        QStringList names{"Abe"}, groups{"Private"};
        for (int i = 0; i < contacts; ++i) {
            names << QStringLiteral("Family%1").arg(i);
            groups << QStringLiteral("Family");
        }
        CMainFrame* frame = showFrameWith({"Family", "Work"}, names, groups, "Family");
        QVERIFY(frame);
        CAddressList* list = frame->addressList();
        QCOMPARE(list->model()->rowCount(), contacts);
        QVERIFY(placeFocus(Focus::Tree));
        QVERIFY(frame->commands()->action(ID_DELETE)->isEnabled());
        if (answer >= 0)
            MessageBox::queueAnswer(MessageBox::Answer(answer));

        QTest::keyClick(frame->groupTree(), Qt::Key_Delete);
        QCOMPARE(MessageBox::shownTexts().size(), answer >= 0 ? 1 : 0);
        QCOMPARE(groupItem("Family") == nullptr, deleted);
        QVERIFY(groupItem("Work"));
        GroupStore::waitForWrites();
        QStringList stored;
        RegistryKey::EnumGroupKeys(stored);
        QCOMPARE(stored.contains(QStringLiteral("Family")), !deleted);
        QCOMPARE(frame->document()->records().size(), std::size_t(deleted ? 1 : 1 + contacts));
        for (int row = 0; row < list->model()->rowCount(); ++row)
            QVERIFY(recordListed(list->recordAt(row)));
    }

    void deleteOnRootOrFixedGroup_data()
    {
        QTest::addColumn<QString>("group");
        QTest::newRow("root") << AppText::AppName;
        QTest::newRow("Private") << "Private";
        QTest::newRow("Business") << "Business";
        QTest::newRow("Other") << "Other";
    }

    void deleteOnRootOrFixedGroup()
    {
        QFETCH(QString, group);
        CMainFrame* frame = showFrameWith({"Family"}, {"Abe", "Ito", "Sato"},
                                          {"Private", "Business", "Other"}, group);
        QVERIFY(frame);
        QVERIFY(placeFocus(Focus::Tree));
        CGroupTree* tree = frame->groupTree();
        QCOMPARE(tree->GetCurrentGroupName(), group);
        QAction* action = frame->commands()->action(ID_DELETE);
        QVERIFY(!action->isEnabled());
        QVERIFY(!frame->toolBar()->widgetForAction(action)->isEnabled());
        // The item of the edit menu, greyed when the menu opens.
        QMenu* edit = frame->menuBar()->actions().at(1)->menu();
        QVERIFY(edit->actions().contains(action));
        emit edit->aboutToShow();
        QVERIFY(!action->isEnabled());
        QCOMPARE(paintedText(edit, action), QStringLiteral("管理情報の削除(&D)\tDelete"));

        QSignalSpy ran(frame->commands(), &CommandTable::executed);
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(ran.count(), 0);
        QCOMPARE(tree->rootItem()->childCount(), 4);
        QCOMPARE(frame->document()->records().size(), std::size_t(3));
        QCOMPARE(tree->GetCurrentGroupName(), group);
        QVERIFY(MessageBox::shownTexts().isEmpty());
    }

    void groupKeysInListDoNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("id");
        QTest::newRow("Ctrl+D") << int(Qt::Key_D) << int(Qt::ControlModifier) << ID_DELETE_GROUP;
        QTest::newRow("F2") << int(Qt::Key_F2) << int(Qt::NoModifier) << ID_RENAME_GROUP;
    }

    void groupKeysInListDoNothing()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, id);
        CMainFrame* frame = showFrameWith({"Family"}, {"Abe"}, {"Family"}, "Family");
        QVERIFY(frame);
        CGroupTree* tree = frame->groupTree();
        CAddressList* list = frame->addressList();
        QVERIFY(placeFocus(Focus::List));
        clickRow(list, 0);
        QVERIFY(tree->IsCurrentUserGroup());
        QVERIFY(!frame->commands()->action(id)->isEnabled());
        QSignalSpy ran(frame->commands(), &CommandTable::executed);

        QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCoreApplication::processEvents();
        QCOMPARE(ran.count(), 0);
        QVERIFY(groupItem("Family"));
        QCOMPARE(tree->editingItem(), nullptr);
        QCOMPARE(frame->document()->records().size(), std::size_t(1));
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(QApplication::focusWidget(), list);
    }

    // Commands that depend on the list's selection, from keys and as the list posts them (a
    // double-click posts the edit command, a Shift+double-click new mail). "+Name" is a Ctrl+click.
    // Every handler is observed only: the editor and the mail program stay closed.
    void listCommandsBySelection_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("key"); // empty: the command is posted
        QTest::addColumn<bool>("runs");
        const QStringList one{"Ito"}, two{"Ito", "+Sato"}, focusedOff{"Ito", "+Sato", "+Sato"};
        QTest::newRow("Ctrl+E, one row") << one << ID_EDIT_CONTACT << "Ctrl+E" << true;
        QTest::newRow("Ctrl+E, two rows") << two << ID_EDIT_CONTACT << "Ctrl+E" << false;
        QTest::newRow("Ctrl+E, focused row not selected")
            << focusedOff << ID_EDIT_CONTACT << "Ctrl+E" << false;
        QTest::newRow("1001 posted, one row") << one << ID_EDIT_CONTACT << "" << true;
        QTest::newRow("1001 posted, two rows") << two << ID_EDIT_CONTACT << "" << false;
        QTest::newRow("32784 posted, two rows") << two << ID_NEW_MAIL << "" << true;
        QTest::newRow("new mail posted, focused row not selected")
            << focusedOff << ID_NEW_MAIL << "" << false;
        QTest::newRow("32784 posted, nothing selected")
            << QStringList{} << ID_NEW_MAIL << "" << false;
        QTest::newRow("Ctrl+M, two rows") << two << ID_COPY_MAIL << "Ctrl+M" << true;
        QTest::newRow("Ctrl+M, nothing selected")
            << QStringList{} << ID_COPY_MAIL << "Ctrl+M" << false;
    }

    void listCommandsBySelection()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, id);
        QFETCH(QString, key);
        QFETCH(bool, runs);
        CMainFrame* frame = showFrameWith({}, {"Abe", "Ito", "Sato"},
                                          {"Private", "Private", "Business"}, AppText::AppName);
        QVERIFY(frame);
        CAddressList* list = frame->addressList();
        QVERIFY(placeFocus(Focus::List));
        for (const QString& click : clicks) {
            const bool ctrl = click.startsWith(u'+');
            clickRow(list, int(listedNames(list).indexOf(ctrl ? click.mid(1) : click)),
                     ctrl ? Qt::ControlModifier : Qt::NoModifier);
        }
        int handled = 0;
        frame->commands()->setHandler(id, [&handled] { ++handled; });
        QSignalSpy ran(frame->commands(), &CommandTable::executed);

        if (key.isEmpty()) {
            frame->commands()->post(id);
            QCOMPARE(handled, 0); // posted, not sent
            QCoreApplication::processEvents();
        } else {
            QTest::keySequence(list, QKeySequence(key));
        }
        QCOMPARE(handled, runs ? 1 : 0);
        QCOMPARE(ran.count(), runs ? 1 : 0);
        QCOMPARE(frame->document()->records().size(), std::size_t(3));
    }

    // Menu items and tool bar buttons grey and light up as the selection changes, with no
    // refresh asked for by hand.
    void greyingFollowsListSelection_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QList<int>>("enabled");
        const QList<int> watched{ID_EDIT_CONTACT, ID_DELETE, ID_COPY_MAIL, ID_COPY_PERSONAL_INFO,
                                 ID_NEW_MAIL};
        QTest::newRow("nothing selected") << QStringList{} << QList<int>{};
        QTest::newRow("one row") << QStringList{"Ito"} << watched;
        QTest::newRow("two rows") << QStringList{"Ito", "+Sato"}
                                  << QList<int>{ID_DELETE, ID_COPY_MAIL, ID_NEW_MAIL};
        QTest::newRow("focused row not selected")
            << QStringList{"Ito", "+Sato", "+Sato"}
            << QList<int>{ID_DELETE, ID_COPY_MAIL, ID_COPY_PERSONAL_INFO};
        QTest::newRow("selection taken back") << QStringList{"Ito", "+Ito"} << QList<int>{};
    }

    void greyingFollowsListSelection()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QList<int>, enabled);
        CMainFrame* frame = showFrameWith({}, {"Abe", "Ito", "Sato"},
                                          {"Private", "Private", "Business"}, AppText::AppName);
        QVERIFY(frame);
        CAddressList* list = frame->addressList();
        QVERIFY(placeFocus(Focus::List));
        // A first row lights everything up, so that each row below has to grey something.
        clickRow(list, 0);
        QVERIFY(frame->commands()->action(ID_EDIT_CONTACT)->isEnabled());
        list->clearSelection();
        for (const QString& click : clicks) {
            const bool ctrl = click.startsWith(u'+');
            clickRow(list, int(listedNames(list).indexOf(ctrl ? click.mid(1) : click)),
                     ctrl ? Qt::ControlModifier : Qt::NoModifier);
        }
        for (int id :
             {ID_EDIT_CONTACT, ID_DELETE, ID_COPY_MAIL, ID_COPY_PERSONAL_INFO, ID_NEW_MAIL}) {
            QAction* action = frame->commands()->action(id);
            QVERIFY2(action->isEnabled() == enabled.contains(id), qPrintable(QString::number(id)));
            if (QWidget* button = frame->toolBar()->widgetForAction(action))
                QCOMPARE(button->isEnabled(), enabled.contains(id));
        }
    }

    // Alt+E opens the edit menu from the keyboard, which hands the focus to the menu bar
    // while the menu is open; its items still follow the pane the user was in, and the
    // mnemonic D carries out the delete there.
    void editMenuFromKeyboard_data()
    {
        QTest::addColumn<int>("focus");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QList<int>>("enabled");
        QTest::addColumn<int>("recordsAfter");
        QTest::addColumn<bool>("familyAfter");
        QTest::addColumn<bool>("asks"); // the group holds a contact: answered Yes
        const int list = int(Focus::List), tree = int(Focus::Tree);
        QTest::newRow("list, one row selected")
            << list << "Family" << QList<int>{ID_EDIT_CONTACT, ID_DELETE} << 1 << true << false;
        QTest::newRow("tree on a user group")
            << tree << "Family" << QList<int>{ID_DELETE, ID_DELETE_GROUP} << 1 << false << true;
        QTest::newRow("tree on a fixed group")
            << tree << "Private" << QList<int>{} << 2 << true << false;
    }

    void editMenuFromKeyboard()
    {
        QFETCH(int, focus);
        QFETCH(QString, group);
        QFETCH(QList<int>, enabled);
        QFETCH(int, recordsAfter);
        QFETCH(bool, familyAfter);
        QFETCH(bool, asks);
        CMainFrame* frame = showFrameWith({"Family"}, {"Abe", "Ito"}, {"Family", "Private"}, group);
        QVERIFY(frame);
        CAddressList* list = frame->addressList();
        QVERIFY(placeFocus(Focus(focus)));
        if (Focus(focus) == Focus::List)
            clickRow(list, 0);
        if (asks)
            MessageBox::queueAnswer(MessageBox::Yes);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu, frame->menuBar()->actions().at(1)->menu());
        for (int id : {ID_EDIT_CONTACT, ID_DELETE, ID_DELETE_GROUP})
            QVERIFY2(frame->commands()->action(id)->isEnabled() == enabled.contains(id),
                     qPrintable(QString::number(id)));

        QTest::keyClick(menu, Qt::Key_D);
        QCoreApplication::processEvents();
        if (QApplication::activePopupWidget())
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(frame->document()->records().size(), std::size_t(recordsAfter));
        QCOMPARE(groupItem("Family") != nullptr, familyAfter);
        QCOMPARE(MessageBox::shownTexts().size(), asks ? 1 : 0);
    }

    void groupCommandsClearContextItem()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        CGroupTree* tree = frame->groupTree();
        auto* item = new QTreeWidgetItem(tree, QStringList{QStringLiteral("x")});
        tree->SetContextItem(item);
        QVERIFY(frame->commands()->execute(ID_CREATE_GROUP));
        QCOMPARE(tree->contextItem(), nullptr);
    }

    void viewCommandsToggleBarsAndChecks()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QAction* toolbar = frame->commands()->action(ID_VIEW_TOOLBAR);
        QAction* status = frame->commands()->action(ID_VIEW_STATUS_BAR);
        QVERIFY(toolbar->isChecked() && status->isChecked());
        toolbar->trigger();
        QVERIFY(frame->toolBar()->isHidden());
        QVERIFY(!toolbar->isChecked());
        status->trigger();
        QVERIFY(frame->statusBar()->isHidden());
        QVERIFY(!status->isChecked());
        toolbar->trigger();
        QVERIFY(!frame->toolBar()->isHidden());
        QVERIFY(toolbar->isChecked());
    }

    void placement_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("applied");
        QTest::newRow("ten numbers") << "0, 1, -1, -1, -1, -1, 50, 60, 650, 460" << true;
        QTest::newRow("blanks as the pattern allows") << "0,1,  -1,-1,-1,-1,50,60,650,460" << true;
        QTest::newRow("nine numbers") << "0, 1, -1, -1, -1, -1, 50, 60, 650" << false;
        QTest::newRow("a word in place of a number")
            << "0, 1, -1, -1, -1, -1, 50, sixty, 650, 460" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("number too large for its type")
            << "0, 1, -1, -1, -1, -1, 50, 60, 650, 99999999999" << false;
        QTest::newRow("on no screen") << "0, 1, -1, -1, -1, -1, 5000, 5000, 5600, 5400" << false;
        QTest::newRow("right before left") << "0, 1, -1, -1, -1, -1, 650, 60, 50, 460" << false;
        // Found by fuzzing: right - 1 and bottom - 1 overflowed and made a vast window.
        QTest::newRow("right at the lowest int")
            << "0, 1, -1, -1, -1, -1, 50, 60, -2147483648, 460" << false;
        QTest::newRow("bottom at the lowest int")
            << "0, 1, -1, -1, -1, -1, 50, 60, 650, -2147483648" << false;
        QTest::newRow("wider than an int holds")
            << "0, 1, -1, -1, -1, -1, -2147483648, 60, 2147483647, 460" << false;
        // Found by fuzzing: a rectangle starting at the lowest int overflows QRect's own edges.
        QTest::newRow("left at the lowest int")
            << "5,9,5,0,5,9,-2147483648,0,-214748364,6" << false;
        QTest::newRow("top at the lowest int")
            << "0, 1, -1, -1, -1, -1, 50, -2147483648, 650, -2147483000" << false;
    }

    void placement()
    {
        QFETCH(QString, style);
        QFETCH(bool, applied);
        const QRect defaultRect = CMainFrame().geometry();
        TestEnv::removeBook(DataLocation::addressFilePath());
        writeStyle(style);
        CMainFrame frame;
        if (applied)
            QCOMPARE(frame.geometry(), QRect(50, 60, 600, 400));
        else
            QCOMPARE(frame.geometry(), defaultRect);
    }

    void maximisedWindowComesBackNormal()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        const QRect normal(40, 30, 500, 350);
        frame->setGeometry(normal);
        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized() && frame->geometry() != normal);
        QVERIFY(frame->commands()->execute(ID_APP_EXIT));
        const auto stored = WindowPlacement::parse(readStyle());
        QVERIFY(stored);
        QCOMPARE(stored->showCmd, 9u);
        QCOMPARE(stored->normalRect(), normal);
        m_frame.reset();

        CMainFrame* again = showFrame();
        QVERIFY(again);
        QVERIFY(!again->isMaximized());
        QCOMPARE(again->geometry(), normal);
    }

    // Hovering an item of a pane's menu shows its command's prompt in the status bar.
    void contextMenuPrompts_data()
    {
        QTest::addColumn<bool>("tree");
        QTest::newRow("tree") << true;
        QTest::newRow("list") << false;
    }

    void contextMenuPrompts()
    {
        QFETCH(bool, tree);
        CMainFrame* frame = showFrameWith({"Family"}, {"Ito"}, {"Family"}, "Family");
        QVERIFY(frame);
        QStringList missing;
        QStringList shown;
        ModalDriver hover(
            [&](QWidget* popup) {
                auto* menu = qobject_cast<QMenu*>(popup);
                if (!menu)
                    return;
                QList<QAction*> actions = menu->actions();
                for (QAction* a : menu->actions()) {
                    if (a->menu())
                        actions += a->menu()->actions(); // the clipboard submenu
                }
                for (QAction* a : actions) {
                    const int id = a->data().toInt();
                    if (a->isSeparator() || a->menu())
                        continue;
                    if (a->statusTip().isEmpty() ||
                        a->statusTip() != frame->commands()->action(id)->statusTip())
                        missing << a->text();
                }
                QAction* first = menu->actions().first();
                QTest::mouseMove(menu, menu->actionGeometry(first).center());
                shown << frame->statusBar()->currentMessage();
                menu->close();
            },
            ModalDriver::Popups);
        if (tree) {
            const QPoint p =
                frame->groupTree()->visualItemRect(frame->groupTree()->selectedItem()).topLeft() +
                QPoint(30, 4);
            QContextMenuEvent event(QContextMenuEvent::Mouse, p,
                                    frame->groupTree()->viewport()->mapToGlobal(p));
            QApplication::sendEvent(frame->groupTree()->viewport(), &event);
        } else {
            const QRect row =
                frame->addressList()->visualRect(frame->addressList()->model()->index(0, 0));
            QTest::mousePress(frame->addressList()->viewport(), Qt::RightButton, {}, row.center());
        }
        QTRY_COMPARE(hover.seen(), 1);
        QCOMPARE(missing, QStringList{});
        QCOMPARE(
            shown,
            QStringList{
                frame->commands()->action(tree ? ID_NEW_CONTACT : ID_EDIT_CONTACT)->statusTip()});
    }

    // A book that cannot be read is named with the reason; the window says it cannot be saved
    // and takes no new contacts, and the file stays. Once the file is set right, the bar's
    // button reads it.
    void unreadableFileIsReported_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << "dir" << AppText::ReasonFolder;
        QTest::newRow("a FIFO") << "fifo" << AppText::ReasonNotAFile;
        QTest::newRow("no permission") << "mode" << AppText::ReasonNoPermission;
    }

    void unreadableFileIsReported()
    {
        QFETCH(QString, what);
        QFETCH(QString, reason);
        const QString file = DataLocation::addressFilePath();
        const QByteArray local = QFile::encodeName(file);
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (what == u"dir") {
            QVERIFY(QDir().mkpath(file));
        } else if (what == u"fifo") {
            QCOMPARE(::mkfifo(local.constData(), 0600), 0);
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(int(AddressFile::RecordSize), '\0').replace(0, 6, "Yamada"));
            f.close();
            QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
            if (::access(local.constData(), R_OK) == 0) {
                QFile::remove(file);
                QSKIP("file permissions are not enforced for this user (root)");
            }
        }
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        const QString shownFile = QDir::toNativeSeparators(file);
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{AppText::LoadUnreadable.arg(shownFile, reason)});
        MessageBox::shownTexts().clear();
        QWidget* bar = frame->readOnlyBar();
        QVERIFY(bar->isVisible());
        const auto barTexts = [bar] {
            QStringList out;
            for (const QLabel* label : bar->findChildren<QLabel*>())
                out << label->text();
            return out;
        };
        QVERIFY(barTexts().contains(AppText::ReadOnlyBar.arg(shownFile, reason)));

        // Ctrl+N, the tray's item and the import: nothing opens, nothing comes in.
        ModalDriver dialogs([](QWidget* w) { w->close(); });
        frame->groupTree()->setFocus();
        QTest::keyClick(frame->groupTree(), Qt::Key_N, Qt::ControlModifier);
        frame->commands()->action(ID_NEW_CONTACT)->trigger();
        frame->commands()->action(ID_IMPORT)->trigger();
        // A file dropped from a file manager is refused as well.
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(TestEnv::writeFile(
            QStringLiteral("drop.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:D\r\nEND:VCARD\r\n"))});
        const QPoint at = frame->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, {});
        QApplication::sendEvent(frame->windowHandle(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, {});
        QApplication::sendEvent(frame->windowHandle(), &drop);
        QVERIFY(!drop.isAccepted());
        QTest::qWait(100);
        QCOMPARE(dialogs.seen(), 0);
        QVERIFY(frame->document()->records().empty());
        for (int id : {ID_NEW_CONTACT, ID_IMPORT, ID_CREATE_GROUP})
            QVERIFY2(!frame->commands()->isEnabled(id), qPrintable(QString::number(id)));
        QVERIFY(frame->SaveAddressFile()); // nothing changed: nothing to write, no message
        QVERIFY(MessageBox::shownTexts().isEmpty());
        struct stat st
        {
        };
        QCOMPARE(::lstat(local.constData(), &st), 0);
        QCOMPARE(S_ISDIR(st.st_mode), what == u"dir");
        QCOMPARE(S_ISFIFO(st.st_mode), what == u"fifo");

        // The user puts the book right and reads it again.
        if (what == u"dir")
            QVERIFY(QDir(file).removeRecursively());
        else
            QFile::remove(file);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(int(AddressFile::RecordSize), '\0')
                        .replace(0, 6, "Yamada")
                        .replace(1664, 7, "Private"));
        }
        QTest::mouseClick(bar->findChild<QPushButton*>(QStringLiteral("ReadOnlyRetry")),
                          Qt::LeftButton);
        QVERIFY(!bar->isVisible());
        QCOMPARE(frame->document()->records().size(), std::size_t(1));
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QVERIFY(frame->commands()->isEnabled(ID_NEW_CONTACT));
        addContact(*frame, "Suzuki");
        QVERIFY(frame->SaveAddressFile());
        QCOMPARE(dataFileSize(), qint64(2 * AddressFile::RecordSize));
        m_frame.reset();
        QFile::remove(file);
    }

    // Readings.txt that cannot be read is named at start and stays as it is: the readings
    // given meanwhile do not replace the ones in it, and the book is saved all the same.
    void unreadableReadingsAreKept_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a FIFO") << "fifo" << AppText::ReasonNotAFile;
        QTest::newRow("a folder") << "dir" << AppText::ReasonFolder;
    }

    void unreadableReadingsAreKept()
    {
        QFETCH(QString, what);
        QFETCH(QString, reason);
        const QString readings = DataLocation::readingsFilePath(DataLocation::addressFilePath());
        QDir().mkpath(QFileInfo(readings).absolutePath());
        if (what == u"dir")
            QVERIFY(QDir().mkpath(readings));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(readings).constData(), 0600), 0);
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        QCOMPARE(MessageBox::shownTexts(), QStringList{AppText::ReadingsUnreadable.arg(
                                               QDir::toNativeSeparators(readings), reason)});
        MessageBox::shownTexts().clear();
        // A new contact with its reading, typed into the sheet.
        ModalDriver sheet([](QWidget* w) {
            auto* s = qobject_cast<CInfomationSheet*>(w);
            if (!s)
                return;
            QTest::keyClicks(s->privatePage().nameEdit(), "Yamada");
            QTest::keyClicks(s->privatePage().readingEdit(), "yamada");
            QTest::mouseClick(s->buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        frame->groupTree()->setFocus();
        QTest::keyClick(frame->groupTree(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(frame->document()->records().size(), std::size_t(1));
        QVERIFY(frame->SaveAddressFile());
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(dataFileSize(), qint64(AddressFile::RecordSize));
        struct stat st
        {
        };
        QCOMPARE(::lstat(QFile::encodeName(readings).constData(), &st), 0);
        QCOMPARE(S_ISDIR(st.st_mode), what == u"dir");
        QCOMPARE(S_ISFIFO(st.st_mode), what == u"fifo");
        m_frame.reset();
        QVERIFY(MessageBox::shownTexts().isEmpty());
        if (what == u"dir")
            QDir(readings).removeRecursively();
        else
            QFile::remove(readings);
        QFile::remove(DataLocation::addressFilePath());
    }

    void closeWritesFileAndKeepsRunning()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        addContact(*frame, "Yamada");
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        QVERIFY(!frame->close());
        QCOMPARE(dataFileSize(), qint64(AddressFile::RecordSize));
        QVERIFY(!frame->isVisible());
        QVERIFY(frame->tray()->icon()->isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(readStyle().isEmpty()); // placement is kept for the exit
    }

    void minimiseHidesWithoutWriting()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        addContact(*frame, "Yamada");
        frame->showMinimized();
        QTRY_VERIFY(!frame->isVisible());
        QCOMPARE(dataFileSize(), qint64(-1));
        frame->ShowMainWindow();
        QVERIFY(frame->isVisible());
        QVERIFY(!frame->isMinimized());
    }

    void exitWritesFilePlacementAndBars()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        addContact(*frame, "Yamada");
        addContact(*frame, "Suzuki");
        frame->setGeometry(QRect(20, 25, 520, 380));
        frame->addToolBar(Qt::LeftToolBarArea, frame->toolBar());
        frame->commands()->execute(ID_VIEW_STATUS_BAR);
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        QVERIFY(frame->commands()->execute(ID_APP_EXIT));
        QCOMPARE(finished.count(), 1);
        QVERIFY(!frame->isVisible());
        QVERIFY(!frame->tray()->icon()->isVisible());
        QCOMPARE(frame->document()->records().size(), std::size_t(0));
        QCOMPARE(dataFileSize(), qint64(2 * AddressFile::RecordSize));
        QCOMPARE(readStyle(), QStringLiteral("0, 9, -1, -1, -1, -1, 20, 25, 540, 405"));
        m_frame.reset();

        CMainFrame* again = showFrame();
        QVERIFY(again);
        QCOMPARE(again->document()->records().size(), std::size_t(2));
        QCOMPARE(again->toolBarArea(again->toolBar()), Qt::LeftToolBarArea);
        QVERIFY(again->statusBar()->isHidden());
        QVERIFY(!again->commands()->action(ID_VIEW_STATUS_BAR)->isChecked());
        QVERIFY(again->commands()->action(ID_VIEW_TOOLBAR)->isChecked());
    }

    // A termination signal while a dialog is open: the dialog goes first, then the exit runs
    // from the top level, so nothing the dialog still holds is destroyed under it.
    void exitWaitsForAnOpenDialog()
    {
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        addContact(*frame, "Yamada");
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        QDialog dialog(frame);
        bool exitEnabledDuring = true;
        qsizetype finishedDuring = -1;
        bool closedBySafety = false;
        QEventLoop topLevel;
        QTimer::singleShot(0, &topLevel, [&] {
            // Runs once the dialog's own loop is going.
            QTimer::singleShot(0, &dialog, [&] {
                exitEnabledDuring = frame->commands()->isEnabled(ID_APP_EXIT);
                frame->RequestExit();
                finishedDuring = finished.count();
            });
            QTimer::singleShot(20000, &dialog, [&] {
                closedBySafety = true; // RequestExit did not close it
                dialog.reject();
            });
            dialog.exec();
            topLevel.quit();
        });
        topLevel.exec();
        QVERIFY(!closedBySafety);
        QVERIFY(!exitEnabledDuring);
        QCOMPARE(finishedDuring, 0);
        QVERIFY(!dialog.isVisible());
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(dataFileSize(), qint64(AddressFile::RecordSize));
    }

    void withoutTrayCloseEndsAndMinimiseMinimises()
    {
        TrayIcon::setAvailableForTesting(false);
        CMainFrame* frame = showFrame();
        QVERIFY(frame);
        addContact(*frame, "Yamada");
        frame->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(frame->isVisible());
        QVERIFY(frame->isMinimized());
        QCOMPARE(dataFileSize(), qint64(-1));

        frame->showNormal();
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        QVERIFY(frame->close());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(dataFileSize(), qint64(AddressFile::RecordSize));
        QVERIFY(!readStyle().isEmpty());
    }

    void optionsReadAtCreation_data()
    {
        QTest::addColumn<int>("newmail");
        QTest::addColumn<int>("tasktray");
        QTest::newRow("absent") << -1 << -1;
        QTest::newRow("both on") << 1 << 1;
        QTest::newRow("newmail only") << 1 << 0;
        QTest::newRow("tasktray only") << 0 << 1;
    }

    void optionsReadAtCreation()
    {
        QFETCH(int, newmail);
        QFETCH(int, tasktray);
        {
            RegistryKey key;
            key.Open(QString::fromLatin1(SettingsKeys::OptionKey));
            if (newmail >= 0)
                key.WriteDword(QStringLiteral("Newmail"), quint32(newmail));
            if (tasktray >= 0)
                key.WriteDword(QStringLiteral("Tasktray"), quint32(tasktray));
        }
        CMainFrame frame;
        QCOMPARE(frame.m_bNewmail, newmail == 1);
        QCOMPARE(frame.m_bTasktray, tasktray == 1);
    }
};

VOK_TEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
