#include "MessageBoxGuard.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include "app/AppText.h"
#include "app/CMainFrame.h"
#include "app/TrayIcon.h"
#include "core/AutoSave.h"
#include "core/DataLocation.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "settings/RegistryKey.h"
#include "ui/common/CommandTable.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString dataFile()
{
    return DataLocation::addressFilePath();
}

// A book of `count` contacts on disk, "c00", "c01", ..., alternately in Private and Family.
QByteArray writeBook(int count)
{
    RecordList list;
    for (int i = 0; i < count; ++i) {
        PaneTest::Contact c;
        const QByteArray name = QStringLiteral("c%1").arg(i, 2, 10, QLatin1Char('0')).toLatin1();
        c.name = name.constData();
        c.group = i % 2 ? "Family" : "Private";
        list.AppendRecord(PaneTest::makeRecord(c));
    }
    QDir().mkpath(QFileInfo(dataFile()).absolutePath());
    if (AddressFile::Save(QFile::encodeName(dataFile()).toStdString(), list) !=
        AddressFile::Status::Ok)
        return {};
    return fileBytes(dataFile());
}

QStringList listed(CAddressList* list)
{
    QStringList out;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        out << list->model()->index(row, 0).data().toString();
    out.sort();
    return out;
}

void clickRow(CAddressList* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

} // namespace

// Undo and redo as the user reaches them: Ctrl+Z and Ctrl+Y in the panes, the edit menu.
class TestUndoCommands : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;
    std::unique_ptr<PaneTest::Frame> m_f;

    bool start()
    {
        m_f = std::make_unique<PaneTest::Frame>();
        m_f->frame->activateWindow();
        return m_f->exposed && QTest::qWaitForWindowActive(m_f->frame.get());
    }

private slots:
    void initTestCase() { TrayIcon::setAvailableForTesting(true); }

    void init()
    {
        PaneTest::startPaneTest();
        QFile::remove(dataFile() + QStringLiteral(".bak"));
        PaneTest::storeGroup(QStringLiteral("Family"));
    }

    void cleanup() { m_f.reset(); }

    void commandTexts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("undo") << ID_EDIT_UNDO << "元に戻す(&U)\tCtrl+Z"
                              << "直前の操作を取り消す";
        QTest::newRow("redo") << ID_EDIT_REDO << "やり直し(&R)\tCtrl+Y"
                              << "取り消した操作をやり直す";
    }

    void commandTexts()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        QFETCH(QString, prompt);
        QVERIFY(start());
        QAction* action = m_f->frame->commands()->action(id);
        QCOMPARE(action->text(), text);
        QCOMPARE(action->statusTip(), prompt);
        QVERIFY(!action->isEnabled()); // nothing done yet
    }

    // Ten contacts selected and deleted with the Delete key come back with Ctrl+Z, in the list
    // and, once saved, in the file byte for byte; Ctrl+Y deletes them again.
    void deleteTenThenUndo()
    {
        const QByteArray original = writeBook(15);
        QVERIFY(!original.isEmpty());
        QVERIFY(start());
        m_f->show(AppText::AppName);
        CAddressList* list = m_f->list;
        QCOMPARE(list->model()->rowCount(), 15);
        const QStringList all = listed(list);
        list->setFocus(Qt::OtherFocusReason);
        clickRow(list, 2);
        clickRow(list, 11, Qt::ShiftModifier);
        QCOMPARE(list->GetSelectedCount(), 10);
        QAction* undo = m_f->frame->commands()->action(ID_EDIT_UNDO);
        QVERIFY(!m_f->frame->commands()->isEnabled(ID_EDIT_UNDO));

        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->model()->rowCount(), 5);
        QCOMPARE(m_f->frame->document()->records().size(), std::size_t(5));
        QVERIFY(undo->isEnabled());
        QVERIFY(m_f->frame->SaveAddressFile());
        QCOMPARE(QFileInfo(dataFile()).size(), qint64(5 * AddressFile::RecordSize));
        QCOMPARE(fileBytes(dataFile() + QStringLiteral(".bak")), original);

        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(listed(list), all);
        QVERIFY(!undo->isEnabled());
        // Saved in the background, in place: the file is as it was.
        QTRY_VERIFY(!m_f->frame->autoSave()->hasUnsavedChanges());
        QCOMPARE(fileBytes(dataFile()), original);

        QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(list->model()->rowCount(), 5);
        QVERIFY(m_f->frame->SaveAddressFile());
        QCOMPARE(QFileInfo(dataFile()).size(), qint64(5 * AddressFile::RecordSize));
    }

    // A group deleted from the tree comes back with its contacts and its stored key.
    void deleteGroupThenUndo()
    {
        const QByteArray original = writeBook(6);
        QVERIFY(start());
        m_f->show(QStringLiteral("Family"));
        QCOMPARE(m_f->list->model()->rowCount(), 3);
        m_f->tree->setFocus(Qt::OtherFocusReason);
        MessageBox::queueAnswer(MessageBox::Yes);
        QTest::keyClick(m_f->tree, Qt::Key_Delete);
        QVERIFY(!m_f->group(QStringLiteral("Family")));
        QCOMPARE(m_f->frame->document()->records().size(), std::size_t(3));

        QTest::keyClick(m_f->tree, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_f->group(QStringLiteral("Family")));
        QVERIFY(m_f->frame->document()->GroupNameStored(QStringLiteral("Family")));
        m_f->show(QStringLiteral("Family"));
        QCOMPARE(m_f->list->model()->rowCount(), 3);
        QVERIFY(m_f->frame->SaveAddressFile());
        QCOMPARE(fileBytes(dataFile()), original);
    }

    // Ctrl+Z in the tree's label editor takes back typing, not the last change to the book.
    void labelEditorKeepsItsOwnUndo()
    {
        writeBook(4);
        QVERIFY(start());
        m_f->show(QStringLiteral("Family"));
        m_f->frame->document()->RemoveRecords({m_f->frame->document()->records().at(0)});
        m_f->tree->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(m_f->tree, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("xy"));
        const QString typed = editor->text();
        QVERIFY(!m_f->frame->commands()->isEnabled(ID_EDIT_UNDO));
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(editor->text() != typed);
        QCOMPARE(m_f->frame->document()->records().size(), std::size_t(3));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(m_f->frame->commands()->isEnabled(ID_EDIT_UNDO));
    }

    // A file cut off in the middle of a record, or records that are no contacts (a file that
    // is no address book, blocks a crash filled with zeros), are reported at start and the file
    // is kept as the backup before anything replaces it; a backup from an earlier run is kept
    // beside it. A file that is garbage throughout is not shown as contacts.
    void damagedFileReportedAndKept_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QByteArray>("earlier"); // empty: no backup yet
        QTest::addColumn<int>("loaded");
        const QByteArray earlier(int(AddressFile::RecordSize), 'e');
        QTest::newRow("cut off, first backup") << "cut" << QByteArray() << 2;
        QTest::newRow("cut off, an earlier backup") << "cut" << earlier << 2;
        QTest::newRow("random bytes") << "random" << QByteArray() << 0;
        QTest::newRow("a text file, an earlier backup") << "text" << earlier << 0;
        QTest::newRow("zero-filled blocks") << "zeros" << QByteArray() << 0;
        QTest::newRow("one garbage record among whole ones") << "mixed" << QByteArray() << 4;
    }
    void damagedFileReportedAndKept()
    {
        QFETCH(QString, damage);
        QFETCH(QByteArray, earlier);
        QFETCH(int, loaded);
        const int record = int(AddressFile::RecordSize);
        QByteArray noise(3 * record, '\0');
        quint32 seed = 7;
        for (char& c : noise)
            c = char((seed = seed * 1103515245u + 12345u) >> 16);
        QByteArray damaged = writeBook(3);
        if (damage == u"cut")
            damaged.chop(500);
        else if (damage == u"random")
            damaged = noise;
        else if (damage == u"text")
            damaged = QByteArray(3 * record, 'x').replace(0, 20, "Name,E-mail,Phone\r\n");
        else if (damage == u"zeros")
            damaged = QByteArray(2 * record, '\0');
        else
            damaged += noise.left(record);
        const auto put = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        };
        put(dataFile(), damaged);
        const QString older = dataFile() + QStringLiteral(".bak.1");
        QFile::remove(older);
        if (!earlier.isEmpty())
            put(dataFile() + QStringLiteral(".bak"), earlier);
        QVERIFY(start());
        const QString backup = QStringLiteral("Address.vok.bak");
        const QString file = QDir::toNativeSeparators(dataFile());
        QString message =
            damage == u"cut" ? AppText::LoadDamaged.arg(backup)
            : damage == u"mixed"
                ? AppText::LoadOddRecords.arg(1).arg(4).arg(backup)
                : AppText::LoadNotABook.arg(file).arg(damaged.size() / record).arg(backup);
        if (!earlier.isEmpty())
            message += AppText::LoadDamagedOlderBackup.arg(QStringLiteral("Address.vok.bak.1"));
        QCOMPARE(m_boxes.shown(), QStringList{message});
        QCOMPARE(int(m_f->frame->document()->records().size()), loaded);
        m_f->add(PaneTest::Contact{"new", "", "Private"});
        QTRY_VERIFY(!m_f->frame->autoSave()->hasUnsavedChanges());
        QCOMPARE(fileBytes(dataFile() + QStringLiteral(".bak")), damaged);
        QCOMPARE(QFileInfo(dataFile()).size(), qint64((loaded + 1) * record));
        QCOMPARE(QFileInfo::exists(older), !earlier.isEmpty());
        if (!earlier.isEmpty())
            QCOMPARE(fileBytes(older), earlier);
    }
};

VOK_TEST_MAIN(TestUndoCommands)
#include "tst_undocommands.moc"
