#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include "app/CMainFrame.h"
#include "app/TrayIcon.h"
#include "core/DataLocation.h"
#include "mail/MailText.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "ui/common/FileDialog.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/CPrivatePage.h"
#include "ui/list/SearchField.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QUrl>

using PaneTest::cp;

namespace {

// A book on disk of `count` contacts "c00", "c01", ..., every one in Private, mail cNN@x.jp.
bool writeBook(int count)
{
    RecordList book;
    for (int i = 0; i < count; ++i) {
        const std::string name =
            QStringLiteral("c%1").arg(i, 2, 10, QLatin1Char('0')).toStdString();
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, name);
        record->setField(AddressRecord::Email, name + "@x.jp");
        record->setField(AddressRecord::Group, "Private");
        book.AppendRecord(std::move(record));
    }
    const QString file = DataLocation::addressFilePath();
    QDir().mkpath(QFileInfo(file).absolutePath());
    return AddressFile::Save(QFile::encodeName(file).toStdString(), book) ==
           AddressFile::Status::Ok;
}

// The book's contacts of that name, each as "name:group", in the book's order.
QStringList groupsOf(const CVOK_AddressDoc& doc, const QStringList& names)
{
    QStringList out;
    for (const auto& r : doc.records()) {
        const QString name = QString::fromStdString(std::string(r->name()));
        if (names.contains(name))
            out << name + u':' + Text::fromCp932(r->group());
    }
    return out;
}

} // namespace

// What the user does to the list's contacts from the keyboard and the menus: Return on a row,
// moving and copying into a group, the rows a change brings, writing them a message.
class TestContactCommands : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;
    std::unique_ptr<CMainFrame> m_frame;
    CAddressList* m_list = nullptr;
    QList<QUrl> m_opened;

    // A shown, active main window on a book of `count` contacts, stored groups Family and
    // Work, the list showing `group` with the focus.
    bool start(int count, const QString& group)
    {
        PaneTest::startPaneTest();
        PaneTest::storeGroup(QStringLiteral("Family"));
        PaneTest::storeGroup(QStringLiteral("Work"));
        if (!writeBook(count))
            return false;
        m_frame = std::make_unique<CMainFrame>();
        m_list = m_frame->addressList();
        m_frame->resize(900, 420);
        m_frame->show();
        m_frame->activateWindow();
        if (!QTest::qWaitForWindowActive(m_frame.get()))
            return false;
        const auto found =
            m_frame->groupTree()->findItems(group, Qt::MatchExactly | Qt::MatchRecursive);
        if (found.isEmpty())
            return false;
        m_frame->groupTree()->setCurrentItem(found.front());
        m_list->setFocus(Qt::OtherFocusReason);
        return m_list->hasFocus();
    }

    int rowOf(const QString& name) const
    {
        for (int row = 0; row < m_list->model()->rowCount(); ++row) {
            if (m_list->model()->index(row, 0).data().toString() == name)
                return row;
        }
        return -1;
    }

    // Clicks the first name, Ctrl+clicks the others.
    void select(const QStringList& names)
    {
        for (int i = 0; i < names.size(); ++i) {
            const QModelIndex index = m_list->model()->index(rowOf(names[i]), 0);
            m_list->scrollTo(index);
            QTest::mouseClick(m_list->viewport(), Qt::LeftButton,
                              i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                              m_list->visualRect(index).center());
        }
    }

    static QMenu* popup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    // In an open group submenu, Down until the group is the active item, then Return.
    static bool chooseGroup(const QString& group)
    {
        QMenu* menu = popup();
        for (int i = 0; menu && i < 12; ++i) {
            if (menu->activeAction() && menu->activeAction()->text() == group) {
                QTest::keyClick(menu, Qt::Key_Return);
                return true;
            }
            QTest::keyClick(menu, Qt::Key_Down);
        }
        return false;
    }

    // Opens the list's context menu or the edit menu from the keyboard, then the submenu by its
    // key, and chooses the group.
    bool toGroup(const QString& menu, char key, const QString& group)
    {
        if (menu == QStringLiteral("menu key")) {
            // What the X11 and Wayland platforms make of the menu key: a context-menu event
            // for the focus (the offscreen platform makes none).
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
            QApplication::sendEvent(QApplication::focusWidget(), &event);
        } else if (menu == QStringLiteral("Shift+F10"))
            QTest::keyClick(m_list, Qt::Key_F10, Qt::ShiftModifier);
        else
            QTest::keyClick(m_list, Qt::Key_E, Qt::AltModifier);
        QMenu* opened = popup();
        if (!opened)
            return false;
        QTest::keyClick(opened, key);
        if (popup() == opened)
            return false;
        const bool chosen = chooseGroup(group);
        QCoreApplication::processEvents();
        // A desktop gives the window back its activation when a menu closes; the offscreen
        // platform leaves it with the closed menu.
        for (int i = 0; i < 100 && QApplication::activeWindow() != m_frame.get(); ++i) {
            m_frame->activateWindow();
            QTest::qWait(10);
        }
        return chosen && !popup() && QApplication::activeWindow() == m_frame.get();
    }

    // The rows a change brought: the last rows, the whole selection, the first of them
    // current and in sight.
    void checkArrived(int arrived)
    {
        const int rows = m_list->model()->rowCount();
        std::vector<int> expected;
        for (int row = rows - arrived; row < rows; ++row)
            expected.push_back(row);
        QCOMPARE(m_list->selectedRowList(), expected);
        QCOMPARE(m_list->currentIndex().row(), rows - arrived);
        const QRect first = m_list->visualRect(m_list->model()->index(rows - arrived, 0));
        QVERIFY2(m_list->viewport()->rect().contains(first), "the first new row is out of sight");
    }

public slots:
    // Stands in for the desktop's mail program.
    void openUrl(const QUrl& url) { m_opened << url; }

private slots:
    void initTestCase()
    {
        TrayIcon::setAvailableForTesting(true);
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); }
    void cleanup() { m_frame.reset(); }

    // Search, Down into the list, Return: the contact the focus is on opens, as with Ctrl+E.
    void returnOpensTheContact_data()
    {
        QTest::addColumn<QStringList>("keys"); // after typing "c1" into the search field
        QTest::addColumn<QString>("opened");   // empty: no sheet
        QTest::newRow("Down, Return") << QStringList{"Down", "Return"} << "c10";
        QTest::newRow("Down, Down, Return") << QStringList{"Down", "Down", "Return"} << "c11";
        QTest::newRow("keypad Enter") << QStringList{"Down", "Down", "Num+Enter"} << "c11";
        QTest::newRow("two selected") << QStringList{"Down", "Shift+Down", "Return"} << "";
    }
    void returnOpensTheContact()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, opened);
        QVERIFY(start(30, QStringLiteral("VOK_Address")));
        QStringList sheets;
        ModalDriver driver([&sheets](QWidget* modal) {
            if (auto* sheet = qobject_cast<CInfomationSheet*>(modal)) {
                sheets << sheet->privatePage().nameEdit()->text();
                sheet->reject();
            }
        });
        QTest::keyClick(m_list, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("c1"));
        for (const QString& key : keys) {
            const QKeyCombination combination = QKeySequence::fromString(key)[0];
            QTest::keyClick(QApplication::focusWidget(), combination.key(),
                            combination.keyboardModifiers());
        }
        if (opened.isEmpty()) {
            QTest::qWait(100);
            QCOMPARE(sheets, QStringList());
        } else {
            QTRY_COMPARE(sheets, QStringList{opened});
        }
        QVERIFY(m_frame->isVisible()); // Return reached no default button of the window
    }

    // グループへ移動 and グループへコピー from the list's context menu and the edit menu, from the
    // keyboard, in every view: one step each, which one Ctrl+Z takes back.
    void toGroupSubmenus_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("menu"); // how it is opened
        QTest::addColumn<char>("key");     // V moves, C copies
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("after"); // name:group of the book's contacts of the names
        QTest::newRow("move from the root, menu key")
            << "VOK_Address"
            << "menu key" << 'V' << QStringList{"c00", "c02"} << "Family"
            << QStringList{"c00:Family", "c02:Family"};
        QTest::newRow("copy from the root, edit menu")
            << "VOK_Address"
            << "Alt+E" << 'C' << QStringList{"c01"} << "Work"
            << QStringList{"c01:Private", "c01:Work"};
        QTest::newRow("move from a group, Shift+F10") << "Private"
                                                      << "Shift+F10" << 'V' << QStringList{"c03"}
                                                      << "Business" << QStringList{"c03:Business"};
        QTest::newRow("copy into the shown group, edit menu")
            << "Private"
            << "Alt+E" << 'C' << QStringList{"c00", "c04"} << "Private"
            << QStringList{"c00:Private", "c04:Private", "c00:Private", "c04:Private"};
    }
    void toGroupSubmenus()
    {
        QFETCH(QString, shown);
        QFETCH(QString, menu);
        QFETCH(char, key);
        QFETCH(QStringList, selected);
        QFETCH(QString, target);
        QFETCH(QStringList, after);
        QVERIFY(start(6, shown));
        CVOK_AddressDoc& doc = *m_frame->document();
        select(selected);
        const QStringList before = groupsOf(doc, selected);
        QVERIFY(toGroup(menu, key, target));
        QCOMPARE(groupsOf(doc, selected), after);
        QTest::keyClick(m_list, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(groupsOf(doc, selected), before);
        QVERIFY(!doc.canUndo());
    }

    // Moving into the group shown would change nothing: that item is greyed, the rest not.
    void moveOffersOtherGroups()
    {
        QVERIFY(start(3, QStringLiteral("Family")));
        m_frame->groupTree()->setCurrentItem(m_frame->groupTree()->findItems(
            QStringLiteral("Private"), Qt::MatchExactly | Qt::MatchRecursive)[0]);
        m_list->setFocus(Qt::OtherFocusReason);
        select({QStringLiteral("c00")});
        QTest::keyClick(m_list, Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(popup());
        QTest::keyClick(popup(), Qt::Key_V);
        QStringList offered;
        for (const QAction* item : popup()->actions())
            offered << item->text() + (item->isEnabled() ? "" : " (greyed)");
        QCOMPARE(offered, (QStringList{"Private (greyed)", "Business", "Other", "Family", "Work"}));
        QTest::keyClick(popup(), Qt::Key_Escape);
        QTest::keyClick(popup(), Qt::Key_Escape);
    }

    // Whatever brings rows into the list, they are selected and scrolled into sight at the
    // place they take, the end, whatever the sort.
    void arrivingRowsShown_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("arrived");
        QTest::newRow("new contact") << "Ctrl+N" << 1;
        QTest::newRow("import") << "Ctrl+I" << 3;
        QTest::newRow("copy into the shown group") << "copy" << 2;
        QTest::newRow("deletion undone") << "Delete, Ctrl+Z" << 2;
        QTest::newRow("move undone") << "move, Ctrl+Z" << 2;
    }
    void arrivingRowsShown()
    {
        QFETCH(QString, gesture);
        QFETCH(int, arrived);
        QVERIFY(start(60, QStringLiteral("Private")));
        ModalDriver dialogs([](QWidget* modal) {
            if (auto* sheet = qobject_cast<CInfomationSheet*>(modal)) {
                QTest::keyClicks(sheet->privatePage().nameEdit(), QStringLiteral("Abe"));
                sheet->accept();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->accept(); // the import's summary
            }
        });
        select({QStringLiteral("c00"), QStringLiteral("c01")});
        m_list->scrollToTop();
        if (gesture == QStringLiteral("Ctrl+N")) {
            QTest::keyClick(m_list, Qt::Key_N, Qt::ControlModifier);
        } else if (gesture == QStringLiteral("Ctrl+I")) {
            FileDialog::queueFileName(TestEnv::writeFile(
                QStringLiteral("three.vcf"),
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ueda\r\nCATEGORIES:Private\r\nEND:VCARD\r\n"
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Abe\r\nCATEGORIES:Private\r\nEND:VCARD\r\n"
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ito\r\nCATEGORIES:Private\r\nEND:VCARD\r\n"));
            QTest::keyClick(m_list, Qt::Key_I, Qt::ControlModifier);
        } else if (gesture == QStringLiteral("copy")) {
            QVERIFY(toGroup(QStringLiteral("Shift+F10"), 'C', QStringLiteral("Private")));
        } else if (gesture == QStringLiteral("Delete, Ctrl+Z")) {
            QTest::keyClick(m_list, Qt::Key_Delete);
            m_list->scrollToTop();
            QTest::keyClick(m_list, Qt::Key_Z, Qt::ControlModifier);
        } else {
            QVERIFY(toGroup(QStringLiteral("Shift+F10"), 'V', QStringLiteral("Work")));
            m_list->scrollToTop();
            QTest::keyClick(m_list, Qt::Key_Z, Qt::ControlModifier);
        }
        QTRY_COMPARE(m_list->model()->rowCount(),
                     60 + (gesture == "copy" ? 2 : 0) + (gesture.startsWith("Ctrl") ? arrived : 0));
        checkArrived(arrived);
    }

    // 新規メール on a desktop without a mail program says so, and how to choose one.
    void newMailWithoutMailProgram_data()
    {
        QTest::addColumn<QByteArray>("answer"); // xdg-mime's; null: no xdg-mime at all
        QTest::addColumn<bool>("entry");        // the named desktop entry exists
        QTest::addColumn<bool>("opens");
        QTest::newRow("none chosen") << QByteArray("") << false << false;
        QTest::newRow("chosen one uninstalled") << QByteArray("gone.desktop") << false << false;
        QTest::newRow("no xdg-utils") << QByteArray() << false << false;
        QTest::newRow("mail program") << QByteArray("mail.desktop") << true << true;
    }
    void newMailWithoutMailProgram()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, entry);
        QFETCH(bool, opens);
        QVERIFY(start(3, QStringLiteral("Private")));
        m_opened.clear();
        const QString bin =
            TestEnv::root() + u'/' + QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_');
        QVERIFY(QDir().mkpath(bin));
        if (!answer.isNull()) {
            QFile script(bin + QStringLiteral("/xdg-mime"));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho " + answer + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        const QString apps =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        QVERIFY(QDir().mkpath(apps));
        QFile::remove(apps + QStringLiteral("/mail.desktop"));
        if (entry) {
            QFile desktop(apps + u'/' + QString::fromLatin1(answer));
            QVERIFY(desktop.open(QIODevice::WriteOnly));
            desktop.write("[Desktop Entry]\nType=Application\nExec=mail %u\n");
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin));
        select({QStringLiteral("c01")});
        QTest::mouseClick(
            m_frame->toolBar()->widgetForAction(m_frame->commands()->action(ID_NEW_MAIL)),
            Qt::LeftButton);
        if (opens)
            QTRY_COMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("mailto:c01@x.jp"))});
        else
            QTRY_COMPARE(m_boxes.shown(), QStringList{MailText::NoMailProgram});
        qputenv("PATH", path);
        QVERIFY(m_boxes.shown().isEmpty() == opens);
        QVERIFY(m_opened.isEmpty() != opens);
    }
};

VOK_TEST_MAIN(TestContactCommands)
#include "tst_contactcommands.moc"
