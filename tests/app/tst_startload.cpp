#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"

#include "app/AppText.h"
#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/storage/AddressFile.h"
#include "model/storage/StartPicture.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"
#include "ui/list/SearchField.h"
#include "ui/list/StartPictureView.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <csignal>
#include <limits>

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
    // waits for the book, and the book comes through whole.
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
        std::size_t bookWhenShown = 0;
        ModalDriver sheet([&](QWidget* modal) {
            if (!qobject_cast<CInfomationSheet*>(modal))
                return;
            bookWhenShown = doc->loading() ? 0 : doc->records().size();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
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
            // The sheet opens once the book is in, on the whole book. The window is the
            // active one, as for a user who presses the keys (without running events).
            QApplication::setActiveWindow(frame);
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
            if (gesture == u"new") {
                QTRY_COMPARE_WITH_TIMEOUT(sheet.seen(), 1, 20000);
                QCOMPARE(bookWhenShown, kContacts);
                QTRY_VERIFY(!QApplication::activeModalWidget());
            }
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
    // What the list showed at the exit is shown at once by the next start of the same book,
    // and the real rows take its selection and scroll position; a changed book or companion,
    // or a cache file that is not whole, shows nothing until the book is in.
    void pictureAtTheNextStart_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("shown");
        QTest::newRow("same files") << "none" << true;
        QTest::newRow("same files, a search typed at once") << "search" << true;
        QTest::newRow("same files, the window larger") << "resized" << true;
        QTest::newRow("book changed by another program") << "book" << false;
        QTest::newRow("companion changed") << "companion" << false;
        QTest::newRow("cache file damaged") << "damaged" << false;
        QTest::newRow("cache file cut short") << "short" << false;
        QTest::newRow("foreign file as cache") << "foreign" << false;
    }

    void pictureAtTheNextStart()
    {
        QFETCH(QString, change);
        QFETCH(bool, shown);
        writeBook();
        const QString cache = DataLocation::startPicturePath();
        QFile::remove(cache);
        int chosen = -1;
        int scroll = -1;
        QImage seen;
        {
            CAddressApp app;
            QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
            CMainFrame* frame = app.mainFrame();
            CAddressList* list = frame->addressList();
            QVERIFY(!list->pictureModel()); // no cache yet
            QTRY_VERIFY_WITH_TIMEOUT(!frame->document()->loading() && !list->filling(), 20000);
            frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(frame));
            list->setFocus();
            QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(list, Qt::Key_PageUp);
            QTest::keyClick(list, Qt::Key_PageUp);
            QTest::keyClick(list, Qt::Key_Up);
            chosen = list->currentIndex().row();
            scroll = list->verticalScrollBar()->value();
            QVERIFY(chosen > 0 && chosen < int(kContacts) - 1);
            QVERIFY(scroll > 0 && scroll < list->verticalScrollBar()->maximum());
            // As the exit leaves it: without the focus frame, which the picture never has.
            list->clearFocus();
            seen = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QSignalSpy finished(frame, &CMainFrame::exitFinished);
            frame->commands()->action(ID_APP_EXIT)->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        }
        QVERIFY(QFile::exists(cache));
        const QString companion = DataLocation::addressFilePath() + QStringLiteral(".extra");
        const QDateTime later = QDateTime::currentDateTime().addSecs(5);
        QFile file(change == u"companion" ? companion : cache);
        if (change == u"book") {
            RecordList book;
            QVERIFY(
                AddressFile::Load(QFile::encodeName(DataLocation::addressFilePath()).toStdString(),
                                  book) != AddressFile::Status::ReadError);
            book.at(std::size_t(chosen))->setField(AddressRecord::Name, "Renamed");
            AddressFile::Save(QFile::encodeName(DataLocation::addressFilePath()).toStdString(),
                              book);
        } else if (change == u"companion") {
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(later, QFileDevice::FileModificationTime));
        } else if (change != u"none" && change != u"search" && change != u"resized") {
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            if (change == u"damaged")
                bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x20);
            else if (change == u"short")
                bytes.chop(bytes.size() / 3);
            else
                bytes = "BEGIN:VCARD\r\nFN:Not a picture\r\nEND:VCARD\r\n";
            QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
        }
        file.close();

        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        CMainFrame* frame = app.mainFrame();
        CAddressList* list = frame->addressList();
        QVERIFY(frame->document()->loading()); // no event has run yet
        QCOMPARE(list->model()->rowCount(), 0);
        const QAbstractItemModel* picture = list->pictureModel();
        QCOMPARE(picture != nullptr, shown);
        // The status bar counts what the window shows: the picture's rows, or none yet.
        const auto* count = frame->findChild<QLabel*>(QStringLiteral("ShownCount"));
        const QString all = QLocale(QLocale::Japanese).toString(int(kContacts)) + u'件';
        QCOMPARE(count->text(), shown ? all : QString());
        if (change == u"resized")
            frame->resize(frame->size() + QSize(40, 30));
        if (shown) {
            // The rows look as they did at the exit: drawn from the pixels kept then, unless
            // the list is of another size now.
            auto* view = list->findChild<StartPictureView*>();
            QVERIFY(view);
            const QImage now =
                view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(view->drawsPixels(), change != u"resized");
            if (change != u"resized")
                QCOMPARE(now, seen);
            QCOMPARE(picture->rowCount(), int(kContacts));
            QCOMPARE(picture->index(chosen, 0).data().toString(),
                     QStringLiteral("Person%1").arg(10000 + chosen));
            // Nothing acts on the picture's rows.
            QTest::keyClick(list, Qt::Key_Delete);
        }
        if (change == u"search") {
            frame->searchField()->setFocus();
            QTest::keyClicks(frame->searchField(), QStringLiteral("Person12"));
            QTRY_VERIFY_WITH_TIMEOUT(!frame->document()->loading() && !list->filling(), 20000);
            // The picture goes at the first key; the result starts at its top, not where the
            // picture's scroll position would put it.
            QVERIFY(!list->pictureModel());
            QTRY_COMPARE(list->model()->rowCount(), 1000);
            QCOMPARE(list->verticalScrollBar()->value(), 0);
        } else {
            // The picture stays until the rows are sorted by every reading, which a busy
            // machine may guess after the rows are in.
            QTRY_VERIFY_WITH_TIMEOUT(
                !frame->document()->loading() && !list->filling() && !list->pictureModel(), 20000);
            QCOMPARE(count->text(), all);
            QCOMPARE(frame->document()->records().size(), kContacts);
            QCOMPARE(list->model()->rowCount(), int(kContacts));
            // The real rows take over where the picture was, else the list starts at its top.
            QCOMPARE(list->GetSelectedCount(), shown ? 1 : 0);
            QCOMPARE(list->currentIndex().row(), shown ? chosen : -1);
            QCOMPARE(list->verticalScrollBar()->value(), shown ? scroll : 0);
        }
        QSignalSpy finished(frame, &CMainFrame::exitFinished);
        frame->commands()->action(ID_APP_EXIT)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QFile::remove(DataLocation::addressFilePath());
    }

    // Ending while the names' readings are still being guessed does not wait for the guesser:
    // the book is saved whole, the guesses made so far are kept for the next start, and so are
    // the rows as they are shown.
    void exitWhileGuessing_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("exit command") << "exit";
        QTest::newRow("window closed without a tray") << "close";
    }

    void exitWhileGuessing()
    {
        QFETCH(QString, gesture);
        const QByteArray original = writeBook();
        QFile::remove(DataLocation::guessCachePath());
        constexpr int made = 50;
        ContactFinder::holdGuessingForTesting(made);
        QString top;
        TrayIcon::setAvailableForTesting(gesture != u"close");
        {
            CAddressApp app;
            QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
            CMainFrame* frame = app.mainFrame();
            QSignalSpy finished(frame, &CMainFrame::exitFinished);
            QTRY_VERIFY_WITH_TIMEOUT(
                !frame->document()->loading() && !frame->addressList()->filling(), 20000);
            QVERIFY(frame->document()->finder().isGuessing());
            top = frame->addressList()->model()->index(0, 0).data().toString();
            if (gesture == u"exit")
                frame->commands()->action(ID_APP_EXIT)->trigger();
            else
                frame->close();
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        }
        ContactFinder::holdGuessingForTesting(std::numeric_limits<std::size_t>::max());
        TrayIcon::setAvailableForTesting(true);
        QFile book(DataLocation::addressFilePath());
        QVERIFY(book.open(QIODevice::ReadOnly));
        QCOMPARE(book.readAll(), original);
        QFile cache(DataLocation::guessCachePath());
        QVERIFY(cache.open(QIODevice::ReadOnly));
        QCOMPARE(cache.readAll().count('\t'), made); // one "name<TAB>guess" line each
        const std::optional<StartPicture> picture =
            StartPicture::Load(QFile::encodeName(DataLocation::startPicturePath()).toStdString());
        QVERIFY(picture && !picture->rows.empty());
        QCOMPARE(picture->totalRows, std::uint32_t(kContacts));
        QCOMPARE(QString::fromStdString(picture->rows.front().front()), top);
    }

    // What the load found is told once nothing waits for the book any more, never inside
    // whatever waited for it (as an import or a sync wait).
    void findingsToldAfterTheWait()
    {
        const QByteArray cut = writeBook().chopped(500);
        QFile file(DataLocation::addressFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(cut) == cut.size());
        file.close();
        QFile::remove(DataLocation::addressFilePath() + QStringLiteral(".bak"));
        m_boxes.shown().clear();
        CAddressApp app;
        QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
        app.mainFrame()->WaitForBook();
        QVERIFY(m_boxes.shown().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(
            m_boxes.shown(),
            QStringList{AppText::LoadDamaged.arg(QStringLiteral("Address.vok.bak"))}, 20000);
    }
};

VOK_TEST_MAIN(TestStartLoad)
#include "tst_startload.moc"
