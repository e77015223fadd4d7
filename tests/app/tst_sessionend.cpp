#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"

#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/TrayIcon.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "settings/RegistryKey.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/COfficePage.h"
#include "ui/contact/CPrivatePage.h"
#include "ui/list/CAddressList.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <csignal>

namespace {

QString bookPath()
{
    return DataLocation::addressFilePath();
}

QString draftPath()
{
    return DataLocation::draftFilePath(bookPath());
}

// name/company of each saved contact, in file order.
QStringList saved()
{
    RecordList list;
    AddressFile::Load(QFile::encodeName(bookPath()).toStdString(), list);
    QStringList out;
    for (const auto& r : list)
        out << QString::fromLatin1(r->name()) + u'/' + QString::fromLatin1(r->company());
    return out;
}

void writeBook()
{
    RecordList list;
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, "Yamada");
    r->setField(AddressRecord::Company, "ACME");
    r->setField(AddressRecord::Group, "Private");
    list.AppendRecord(std::move(r));
    QDir().mkpath(QFileInfo(bookPath()).absolutePath());
    AddressFile::Save(QFile::encodeName(bookPath()).toStdString(), list);
}

CInfomationSheet* sheetOf(QWidget* modal)
{
    return qobject_cast<CInfomationSheet*>(modal);
}

QLineEdit* companyEdit(CInfomationSheet* sheet)
{
    return sheet->officePage().findChild<QLineEdit*>(QStringLiteral("companyEdit"));
}

} // namespace

// The end of the session (a signal, the application told to quit) while the contact sheet is
// open: what was typed is kept as a draft, nothing of it enters the book, and the next start
// offers it; only OK there puts it in.
class TestSessionEnd : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;

private slots:
    // A desktop with a tray: the first start does not stop to explain closing.
    void initTestCase() { TrayIcon::setAvailableForTesting(true); }

    void init()
    {
        QFile::remove(RegistryKey::storePath());
        QFile::remove(draftPath());
        writeBook();
        MessageBox::shownTexts().clear();
    }

    void typedContactSurvivesTheEnd_data()
    {
        QTest::addColumn<QString>("end");    // SIGTERM, SIGHUP, SIGINT, quit
        QTest::addColumn<bool>("edit");      // editing Yamada, else a new contact
        QTest::addColumn<QString>("answer"); // at the next start: ok, cancel, later
        QTest::addColumn<QStringList>("after");
        QTest::newRow("SIGTERM, new, resumed and confirmed")
            << "SIGTERM" << false << "ok" << QStringList{"Yamada/ACME", "Suzuki/Sony"};
        QTest::newRow("SIGHUP, edit, resumed and confirmed")
            << "SIGHUP" << true << "ok" << QStringList{"Yamada2/Sony"};
        QTest::newRow("SIGINT, new, resumed and cancelled")
            << "SIGINT" << false << "cancel" << QStringList{"Yamada/ACME"};
        QTest::newRow("the session ends, edit, kept for later")
            << "quit" << true << "later" << QStringList{"Yamada/ACME"};
    }

    void typedContactSurvivesTheEnd()
    {
        QFETCH(QString, end);
        QFETCH(bool, edit);
        QFETCH(QString, answer);
        QFETCH(QStringList, after);
        const QString name = edit ? QStringLiteral("Yamada2") : QStringLiteral("Suzuki");
        {
            CAddressApp app;
            QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
            CMainFrame* frame = app.mainFrame();
            QVERIFY(QTest::qWaitForWindowExposed(frame));
            // Ctrl+N waits for the book by itself; a row to edit is there only once it is in.
            if (edit)
                QTRY_VERIFY(!frame->document()->loading() && !frame->addressList()->filling());
            QSignalSpy finished(frame, &CMainFrame::exitFinished);
            ModalDriver typing([&](QWidget* modal) {
                CInfomationSheet* sheet = sheetOf(modal);
                if (!sheet)
                    return;
                QLineEdit* nameEdit = sheet->privatePage().nameEdit();
                nameEdit->setEnabled(true);
                nameEdit->setFocus();
                nameEdit->end(false);
                QTest::keyClicks(nameEdit, edit ? "2" : "Suzuki");
                QLineEdit* company = companyEdit(sheet);
                company->selectAll();
                QTest::keyClicks(company, "Sony");
                if (end == u"quit")
                    QCoreApplication::quit();
                else
                    ::raise(end == u"SIGTERM" ? SIGTERM : end == u"SIGHUP" ? SIGHUP : SIGINT);
            });
            const auto open = [&] {
                CAddressList* list = frame->addressList();
                if (!edit) {
                    QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
                    return;
                }
                list->setFocus();
                list->selectRow(0);
                QTest::keyClick(list, Qt::Key_E, Qt::ControlModifier);
            };
            if (end == u"quit") {
                QTimer::singleShot(0, frame, open);
                QCoreApplication::exec();
            } else {
                open();
                QTRY_COMPARE(finished.count(), 1);
            }
            QCOMPARE(typing.seen(), 1);
        }
        // Not in the book: nobody confirmed it. Kept beside it.
        QCOMPARE(saved(), QStringList{"Yamada/ACME"});
        QVERIFY(QFileInfo::exists(draftPath()));

        // The next start offers it; the sheet shows what was typed.
        MessageBox::queueAnswer(answer == u"later" ? MessageBox::No : MessageBox::Yes);
        QStringList shownInSheet;
        ModalDriver resuming([&](QWidget* modal) {
            CInfomationSheet* sheet = sheetOf(modal);
            if (!sheet)
                return;
            shownInSheet << sheet->privatePage().nameEdit()->text() << companyEdit(sheet)->text();
            QTest::mouseClick(sheet->buttons()->button(answer == u"ok" ? QDialogButtonBox::Ok
                                                                       : QDialogButtonBox::Cancel),
                              Qt::LeftButton);
        });
        {
            CAddressApp app;
            QVERIFY(app.InitInstance({QStringLiteral("VOK_Address")}));
            QTRY_VERIFY(!MessageBox::shownTexts().isEmpty());
            const QStringList asked = MessageBox::shownTexts();
            QVERIFY2(asked.size() == 1 && asked.constFirst().contains(name),
                     qPrintable(asked.join(u'|')));
            if (answer != u"later")
                QTRY_COMPARE(shownInSheet, (QStringList{name, QStringLiteral("Sony")}));
            QVERIFY(app.mainFrame()->SaveAddressFile());
        }
        QCOMPARE(saved(), after);
        QCOMPARE(QFileInfo::exists(draftPath()), answer == u"later");
    }
};

VOK_TEST_MAIN(TestSessionEnd)
#include "tst_sessionend.moc"
