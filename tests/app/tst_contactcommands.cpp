#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include "app/TrayIcon.h"
#include "mail/MailText.h"
#include "model/storage/AddressFile.h"
#include "ui/common/FileDialog.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/CPrivatePage.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <numeric>

namespace {

// A book on disk of `count` contacts "c00", "c01", ..., all in Private, mail cNN@x.jp.
bool writeBook(int count)
{
    RecordList book;
    for (int i = 0; i < count; ++i) {
        const std::string name = QStringLiteral("c%1").arg(i, 2, 10, QChar(u'0')).toStdString();
        book.AppendRecord(
            PaneTest::makeRecord({name.c_str(), (name + "@x.jp").c_str(), "Private"}));
    }
    const QString file = DataLocation::addressFilePath();
    QDir().mkpath(QFileInfo(file).absolutePath());
    return AddressFile::Save(QFile::encodeName(file).toStdString(), book) ==
           AddressFile::Status::Ok;
}

// "name:group" of the book's contacts of these names, in the book's order.
QStringList groupsOf(const CVOK_AddressDoc& doc, const QStringList& names)
{
    QStringList out;
    for (const auto& r : doc.records()) {
        const QString name = Text::fromCp932(r->name());
        if (names.contains(name))
            out << name + u':' + Text::fromCp932(r->group());
    }
    return out;
}

QMenu* popup()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
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

    // The active main window on a book of `count` contacts and the stored groups Family and
    // Work; the list shows `group` and has the focus.
    bool start(int count, const QString& group)
    {
        PaneTest::startPaneTest();
        PaneTest::storeGroup(QStringLiteral("Family"));
        PaneTest::storeGroup(QStringLiteral("Work"));
        if (!writeBook(count))
            return false;
        m_frame = std::make_unique<CMainFrame>();
        m_frame->WaitForBook();
        m_list = m_frame->addressList();
        m_frame->resize(900, 420);
        m_frame->show();
        m_frame->activateWindow();
        const auto item = m_frame->groupTree()->findItems(group, Qt::MatchRecursive).value(0);
        m_frame->groupTree()->setCurrentItem(item);
        m_list->setFocus(Qt::OtherFocusReason);
        return item && QTest::qWaitForWindowActive(m_frame.get()) && m_list->hasFocus();
    }

    // Clicks the first name, Ctrl+clicks the others.
    void select(const QStringList& names)
    {
        for (const QString& name : names) {
            const QModelIndex index =
                m_list->model()->match(m_list->model()->index(0, 0), Qt::DisplayRole, name)[0];
            m_list->scrollTo(index);
            QTest::mouseClick(m_list->viewport(), Qt::LeftButton,
                              name == names[0] ? Qt::NoModifier : Qt::ControlModifier,
                              m_list->visualRect(index).center());
        }
    }

    // Opens the context menu or the edit menu from the keyboard, its submenu by the key, and
    // walks down to the group.
    bool toGroup(const QString& menu, char key, const QString& group)
    {
        if (menu == QStringLiteral("menu key")) {
            // What the X11 and Wayland platforms make of the menu key (the offscreen one
            // makes nothing).
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
            QApplication::sendEvent(QApplication::focusWidget(), &event);
        } else {
            QTest::keyClick(m_list, menu == QStringLiteral("Shift+F10") ? Qt::Key_F10 : Qt::Key_E,
                            menu == QStringLiteral("Shift+F10") ? Qt::ShiftModifier
                                                                : Qt::AltModifier);
        }
        if (!popup())
            return false;
        QTest::keyClick(popup(), key);
        for (int i = 0; i < 12 && popup() && popup()->activeAction()->text() != group; ++i)
            QTest::keyClick(popup(), Qt::Key_Down);
        if (!popup() || popup()->activeAction()->text() != group)
            return false;
        QTest::keyClick(popup(), Qt::Key_Return);
        // A desktop gives the window back its activation when a menu closes; the offscreen
        // platform leaves it with the menu.
        for (int i = 0; i < 100 && QApplication::activeWindow() != m_frame.get(); ++i) {
            m_frame->activateWindow();
            QTest::qWait(10);
        }
        return !popup() && QApplication::activeWindow() == m_frame.get();
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
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("Down, Return") << QStringList{"Down", "Return"} << QStringList{"c10"};
        QTest::newRow("keypad Enter")
            << QStringList{"Down", "Down", "Num+Enter"} << QStringList{"c11"};
        QTest::newRow("two selected")
            << QStringList{"Down", "Shift+Down", "Return"} << QStringList{};
    }
    void returnOpensTheContact()
    {
        QFETCH(QStringList, keys);
        QFETCH(QStringList, opened);
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
        QTest::qWait(100);
        QTRY_COMPARE(sheets, opened);
    }

    // グループへ移動 and グループへコピー from the context menu and the edit menu, by keyboard, in
    // every view: one step each, which one Ctrl+Z takes back.
    void toGroupSubmenus_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<char>("key"); // V moves, C copies
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("after");
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
        QTest::newRow("copy into the shown group")
            << "Private"
            << "Alt+E" << 'C' << QStringList{"c04"} << "Private"
            << QStringList{"c04:Private", "c04:Private"};
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
        const CVOK_AddressDoc& doc = *m_frame->document();
        select(selected);
        const QStringList before = groupsOf(doc, selected);
        QVERIFY(toGroup(menu, key, target));
        QCOMPARE(groupsOf(doc, selected), after);
        QTest::keyClick(m_list, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(groupsOf(doc, selected), before);
        QVERIFY(!doc.canUndo());
    }

    // Rows a change brings come at the end, whatever the sort, and are selected and in sight.
    void arrivingRowsShown_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("arrived");
        QTest::addColumn<int>("rows");
        QTest::newRow("new contact") << "Ctrl+N" << 1 << 61;
        QTest::newRow("import") << "Ctrl+I" << 3 << 63;
        QTest::newRow("copy into the shown group") << "copy" << 2 << 62;
        QTest::newRow("deletion undone") << "Delete" << 2 << 60;
        QTest::newRow("move undone") << "move" << 2 << 60;
    }
    void arrivingRowsShown()
    {
        QFETCH(QString, gesture);
        QFETCH(int, arrived);
        QFETCH(int, rows);
        QVERIFY(start(60, QStringLiteral("Private")));
        ModalDriver dialogs([](QWidget* modal) {
            if (auto* sheet = qobject_cast<CInfomationSheet*>(modal))
                QTest::keyClicks(sheet->privatePage().nameEdit(), QStringLiteral("Abe"));
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->accept(); // the sheet, the import's summary
        });
        select({QStringLiteral("c00"), QStringLiteral("c01")});
        m_list->scrollToTop();
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nCATEGORIES:Private\r\nFN:";
        if (gesture == QStringLiteral("Ctrl+N")) {
            QTest::keyClick(m_list, Qt::Key_N, Qt::ControlModifier);
        } else if (gesture == QStringLiteral("Ctrl+I")) {
            FileDialog::queueFileName(
                TestEnv::writeFile(QStringLiteral("three.vcf"), card + "Ueda\r\nEND:VCARD\r\n" +
                                                                    card + "Abe\r\nEND:VCARD\r\n" +
                                                                    card + "Ito\r\nEND:VCARD\r\n"));
            QTest::keyClick(m_list, Qt::Key_I, Qt::ControlModifier);
        } else if (gesture == QStringLiteral("copy")) {
            QVERIFY(toGroup(QStringLiteral("Shift+F10"), 'C', QStringLiteral("Private")));
        } else {
            if (gesture == QStringLiteral("Delete"))
                QTest::keyClick(m_list, Qt::Key_Delete);
            else
                QVERIFY(toGroup(QStringLiteral("Shift+F10"), 'V', QStringLiteral("Work")));
            QCOMPARE(m_list->model()->rowCount(), 58);
            m_list->scrollToTop();
            QTest::keyClick(m_list, Qt::Key_Z, Qt::ControlModifier);
        }
        QTRY_COMPARE(m_list->model()->rowCount(), rows);
        std::vector<int> last(arrived);
        std::iota(last.begin(), last.end(), rows - arrived);
        QCOMPARE(m_list->selectedRowList(), last);
        QCOMPARE(m_list->currentIndex().row(), rows - arrived);
        QVERIFY(m_list->viewport()->rect().contains(
            m_list->visualRect(m_list->model()->index(rows - arrived, 0))));
    }

    // 新規メール on a desktop without a mail program says so, and how to choose one.
    void newMailWithoutMailProgram_data()
    {
        QTest::addColumn<QByteArray>("answer"); // of xdg-mime; null: no xdg-mime at all
        QTest::addColumn<bool>("opens");
        QTest::newRow("none chosen") << QByteArray("") << false;
        QTest::newRow("no xdg-utils") << QByteArray() << false;
        QTest::newRow("mail program") << QByteArray("mail.desktop") << true;
    }
    void newMailWithoutMailProgram()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, opens);
        QVERIFY(start(3, QStringLiteral("Private")));
        m_opened.clear();
        const QString bin = TestEnv::root() + u'/' + QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(bin));
        if (!answer.isNull())
            QVERIFY(QFile::copy(TestEnv::writeFile(QStringLiteral("xdg-mime"),
                                                   "#!/bin/sh\necho " + answer + "\n"),
                                bin + QStringLiteral("/xdg-mime")) &&
                    QFile::setPermissions(bin + QStringLiteral("/xdg-mime"),
                                          QFile::ReadOwner | QFile::ExeOwner));
        const QString apps =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        QVERIFY(QDir().mkpath(apps));
        QFile entry(apps + QStringLiteral("/mail.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=mail %u\n");
        entry.close();
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin));
        select({QStringLiteral("c01")});
        QTest::mouseClick(
            m_frame->toolBar()->widgetForAction(m_frame->commands()->action(ID_NEW_MAIL)),
            Qt::LeftButton);
        QTRY_VERIFY(!m_opened.isEmpty() || !m_boxes.shown().isEmpty());
        qputenv("PATH", path);
        QCOMPARE(m_opened,
                 opens ? QList<QUrl>{QUrl(QStringLiteral("mailto:c01@x.jp"))} : QList<QUrl>{});
        QCOMPARE(m_boxes.shown(), opens ? QStringList{} : QStringList{MailText::NoMailProgram});
    }
};

VOK_TEST_MAIN(TestContactCommands)
#include "tst_contactcommands.moc"
