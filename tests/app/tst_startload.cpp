#include "MessageBoxGuard.h"
#include "TestMain.h"

#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/list/CAddressList.h"
#include "ui/list/SearchField.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

// Enough contacts that the window shows well before they are read.
constexpr std::size_t kContacts = 5000;

std::string bookPath()
{
    return QFile::encodeName(DataLocation::addressFilePath()).toStdString();
}

QByteArray writeBook()
{
    RecordList book;
    for (std::size_t i = 0; i < kContacts; ++i) {
        auto record = std::make_unique<AddressRecord>();
        record->setField(AddressRecord::Name, "Person" + std::to_string(10000 + i));
        record->setField(AddressRecord::Group, i % 2 ? "Private" : "Business");
        book.AppendRecord(std::move(record));
    }
    if (AddressFile::Save(bookPath(), book) != AddressFile::Status::Ok)
        return {};
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
        QTest::newRow("exit command at once") << "exit" << int(kContacts);
        QTest::newRow("SIGTERM at once") << "sigterm" << int(kContacts);
        QTest::newRow("window closed to the tray at once") << "close" << int(kContacts);
        QTest::newRow("search typed at once") << "search" << int(kContacts);
        QTest::newRow("Ctrl+N at once") << "new" << int(kContacts);
        QTest::newRow("a second copy's --import at once") << "import" << int(kContacts) + 1;
    }

    void gestureWhileTheBookIsRead()
    {
        QFETCH(QString, gesture);
        QFETCH(int, contacts);
        const QByteArray original = writeBook();
        QCOMPARE(original.size(), qsizetype(kContacts * AddressFile::RecordSize));
        QFile::remove(DataLocation::addressFilePath() + QStringLiteral(".extra"));

        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        CMainFrame* frame = app.mainFrame();
        CVOK_AddressDoc* doc = frame->document();
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        // No event has run yet: the book cannot be in.
        QVERIFY(doc->loading());
        QVERIFY(doc->records().empty());

        QProcess second;
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
            QCOMPARE(doc->records().size(), kContacts);
            if (gesture == u"search")
                QTRY_COMPARE(frame->addressList()->model()->rowCount(), 1);
            if (gesture == u"new")
                QVERIFY(frame->commands()->action(ID_NEW_CONTACT)->isEnabled());
            if (gesture == u"import") {
                // This process answers it: its event loop must run meanwhile.
                QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
                QCOMPARE(second.exitCode(), 0);
                QTRY_COMPARE(doc->records().size(), std::size_t(contacts));
                QCOMPARE(doc->records().at(kContacts)->name(), std::string_view("Late"));
            }
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
