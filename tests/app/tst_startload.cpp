#include "MessageBoxGuard.h"
#include "TestMain.h"

#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"
#include "ui/list/SearchField.h"

#include <QAction>
#include <QProcess>
#include <QSignalSpy>
#include <csignal>

namespace {

// Enough contacts that the window shows well before they are read, and that the list makes
// their rows in slices.
constexpr std::size_t kContacts = 8000;

QByteArray writeBook()
{
    RecordList book;
    for (std::size_t i = 0; i < kContacts; ++i) {
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, "Person" + std::to_string(10000 + i));
        record->setField(AddressRecord::Group, i % 2 ? "Private" : "Business");
        book.AppendRecord(std::move(record));
    }
    AddressFile::Save(QFile::encodeName(DataLocation::addressFilePath()).toStdString(), book);
    QFile file(DataLocation::addressFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStartLoad : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;

private slots:
    void initTestCase()
    {
        TrayIcon::setAvailableForTesting(true);
        SingleInstance::setStartingWaitForTesting(300);
    }

    // The window shows while the book is read behind it; what the user does in that moment
    // waits for the book or is refused, and the book comes through whole.
    void gestureWhileTheBookIsRead_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("contacts"); // in the book afterwards
        QTest::addColumn<int>("rows");     // in the list once the book is in
        const int all = int(kContacts);
        QTest::newRow("exit command at once") << "exit" << all << 0;
        QTest::newRow("SIGTERM at once") << "sigterm" << all << 0;
        QTest::newRow("window closed to the tray at once") << "close" << all << all;
        QTest::newRow("search typed at once") << "search" << all << 1;
        QTest::newRow("a group clicked at once") << "group" << all << all / 2;
        QTest::newRow("Ctrl+N at once") << "new" << all << all;
        QTest::newRow("a contact added while the rows are made") << "add" << all + 1 << all + 1;
        QTest::newRow("a second copy's --import at once") << "import" << all + 1 << all + 1;
    }

    void gestureWhileTheBookIsRead()
    {
        QFETCH(QString, gesture);
        QFETCH(int, contacts);
        QFETCH(int, rows);
        const QByteArray original = writeBook();
        QCOMPARE(original.size(), qsizetype(kContacts * AddressFile::RecordSize));
        QFile::remove(DataLocation::addressFilePath() + QStringLiteral(".extra"));

        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        CMainFrame* frame = app.mainFrame();
        CVOK_AddressDoc* doc = frame->document();
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        QVERIFY(doc->loading()); // no event has run yet: the book cannot be in

        QProcess second;
        bool addedWhileFilling = false;
        if (gesture == u"exit") {
            frame->commands()->action(ID_APP_EXIT)->trigger();
        } else if (gesture == u"sigterm") {
            QCOMPARE(::raise(SIGTERM), 0);
        } else if (gesture == u"close") {
            frame->close();
            QVERIFY(!frame->isVisible());
        } else if (gesture == u"search") {
            frame->searchField()->setFocus();
            QTest::keyClicks(frame->searchField(), QStringLiteral("Person10042"));
        } else if (gesture == u"group") {
            CGroupTree* tree = frame->groupTree();
            const QList<QTreeWidgetItem*> found =
                tree->findItems(QStringLiteral("Private"), Qt::MatchExactly | Qt::MatchRecursive);
            QCOMPARE(found.size(), 1);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(found.front()).center());
        } else if (gesture == u"add") {
            // Right after the book is in, when the list has just begun making its rows.
            QObject::connect(doc, &CVOK_AddressDoc::bookLoaded, frame, [&] {
                addedWhileFilling = frame->addressList()->filling();
                auto record = std::make_unique<AddressRecord>();
                record->setField(AddressRecord::Name, "Added");
                doc->AddRecord(std::move(record));
            });
        } else if (gesture == u"new") {
            QVERIFY(!frame->commands()->action(ID_NEW_CONTACT)->isEnabled());
            QTest::keySequence(frame, QKeySequence(Qt::CTRL | Qt::Key_N));
            QVERIFY(!QApplication::activeModalWidget());
        } else if (gesture == u"import") {
            const QString card =
                TestEnv::writeFile(QStringLiteral("late.vcf"),
                                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Late\r\nEND:VCARD\r\n");
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            second.setProcessEnvironment(env);
            second.start(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/../src/VOK_Address"),
                         {QStringLiteral("--import"), card});
        }

        if (gesture == u"exit" || gesture == u"sigterm") {
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
            QVERIFY(!frame->finalSaveFailed());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!doc->loading(), 20000);
            if (gesture == u"new")
                QVERIFY(frame->commands()->action(ID_NEW_CONTACT)->isEnabled());
            if (gesture == u"add")
                QVERIFY(addedWhileFilling);
            if (gesture == u"import") {
                // This process answers it: its event loop must run meanwhile.
                QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
                QCOMPARE(second.exitCode(), 0);
            }
            QTRY_COMPARE_WITH_TIMEOUT(doc->records().size(), std::size_t(contacts), 20000);
            if (contacts > int(kContacts))
                QCOMPARE(doc->records().at(kContacts)->name(),
                         std::string_view(gesture == u"add" ? "Added" : "Late"));
            QTRY_COMPARE_WITH_TIMEOUT(frame->addressList()->model()->rowCount(), rows, 20000);
            frame->commands()->action(ID_APP_EXIT)->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        }

        // Every contact of the file is there, byte for byte, and the new one after them.
        QFile file(DataLocation::addressFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray now = file.readAll();
        QCOMPARE(now.size(), qsizetype(contacts * AddressFile::RecordSize));
        QVERIFY(now.startsWith(original));
        // The identities the start made up were kept for the next one.
        QVERIFY(QFile::exists(DataLocation::addressFilePath() + QStringLiteral(".extra")));
        QFile::remove(DataLocation::addressFilePath());
    }
};

VOK_TEST_MAIN(TestStartLoad)
#include "tst_startload.moc"
