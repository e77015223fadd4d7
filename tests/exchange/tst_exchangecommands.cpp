#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "app/CMainFrame.h"
#include "app/TerminationSignals.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/storage/AddressFile.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/common/FileDialog.h"
#include "ui/common/LongWork.h"
#include "ui/common/MessageBox.h"
#include "ui/exchange/ExchangeCommands.h"
#include "ui/exchange/ImportExportText.h"
#include "ui/exchange/ImportSummaryDialog.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <csignal>

namespace {

const QString kImportFailed = QStringLiteral("Importに失敗しました。管理者に連絡して下さい。");

QByteArray line(const QByteArray& name, const QByteArray& group)
{
    return name + ",mail,,,,,,,,,,,,,," + group + "\r\n";
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestExchangeCommands : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests
    QStringList m_summaries; // the details of each import's summary, closed with OK
    ModalDriver m_summary{[this](QWidget* w) {
        if (auto* summary = qobject_cast<ImportSummaryDialog*>(w)) {
            m_summaries << summary->details();
            summary->accept();
        }
    }};
private slots:
    void init();
    void import_data();
    void import();
    void exportGroup_data();
    void exportGroup();
    void exportToUnwritablePath();
    void exportCommand_data();
    void exportCommand();
    void exportTypedSuffix_data();
    void exportTypedSuffix();
    void exportNeverOntoTheBook_data();
    void exportNeverOntoTheBook();
    void largeImport();
    void terminationWaitsForTheImport();

private:
    std::unique_ptr<CMainFrame> m_frame;
};

void TestExchangeCommands::init()
{
    MessageBox::shownTexts().clear();
    m_summaries.clear();
    m_frame = std::make_unique<CMainFrame>();
    m_frame->WaitForBook();
    m_frame->document()->DeleteAllRecords();
}

void TestExchangeCommands::import_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("added");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("summary"); // the summary's details; null: no summary
    const QByteArray two = line("A", "Private") + line("B", "Friends");
    QTest::newRow("cancelled") << two << true << 0 << QStringList{} << QString();
    QTest::newRow("missing file") << QByteArray() << false << 0 << QStringList{kImportFailed}
                                  << QString();
    QTest::newRow("two lines") << two << false << 2 << QStringList{} << "";
    // A damaged line no longer stops the import: the lines after it come in, and the summary
    // names it.
    QTest::newRow("bad third line")
        << two + "C,,,\r\n" + line("D", "Other") << false << 3 << QStringList{}
        << QStringLiteral(
               "取り込めなかった行があります（1か所）:\n  3行目: 項目が16個に足りません");
    QTest::newRow("blank line at the end") << two + "\r\n" << false << 2 << QStringList{} << "";
}

void TestExchangeCommands::import()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, cancel);
    QFETCH(int, added);
    QFETCH(QStringList, messages);
    QFETCH(QString, summary);
    CGroupTree* tree = m_frame->groupTree();
    tree->SetContextItem(new QTreeWidgetItem(tree));
    const QString path = content.isEmpty() ? TestEnv::root() + QStringLiteral("/absent.txt")
                                           : TestEnv::writeFile(QStringLiteral("in.txt"), content);
    FileDialog::queueFileName(cancel ? QString() : path);
    QVERIFY(m_frame->commands()->execute(ID_IMPORT));
    QCOMPARE(int(m_frame->document()->records().size()), added);
    QCOMPARE(MessageBox::shownTexts(), messages);
    QCOMPARE(m_summaries, summary.isNull() ? QStringList() : QStringList{summary});
    QVERIFY(!tree->contextItem());
    // The group the file names is created (ticked in the summary), and B is in it.
    if (added > 0)
        QCOMPARE(m_frame->document()->records().at(1)->group(), std::string_view("Friends"));
}

void TestExchangeCommands::exportGroup_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("root writes everyone")
        << "VOK_Address" << line("A", "Private") + line("B", "Friends") + line("C", "private");
    QTest::newRow("group regardless of case")
        << "PRIVATE" << line("A", "Private") + line("C", "private");
    QTest::newRow("empty group") << "Business" << QByteArray();
}

void TestExchangeCommands::exportGroup()
{
    QFETCH(QString, group);
    QFETCH(QByteArray, expected);
    for (const auto& [name, g] : {std::pair{"A", "Private"}, {"B", "Friends"}, {"C", "private"}}) {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, name);
        r->setField(AddressRecord::Email, "mail");
        r->setField(AddressRecord::Group, g);
        m_frame->document()->AddRecord(std::move(r));
    }
    const QString path = TestEnv::root() + QStringLiteral("/out.txt");
    QVERIFY(ExchangeCommands::ExportGroupCsv(m_frame->document()->records(), group, path));
    QCOMPARE(readAll(path), expected);
}

void TestExchangeCommands::exportToUnwritablePath()
{
    const QString path = TestEnv::root() + QStringLiteral("/no/such/folder/out.txt");
    QVERIFY(!ExchangeCommands::ExportGroupCsv(m_frame->document()->records(), "VOK_Address", path));
}

void TestExchangeCommands::exportCommand_data()
{
    QTest::addColumn<QString>("rightClicked"); // empty: the selected item, the root
    QTest::addColumn<QString>("file");         // empty: cancelled
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("messages");
    const QString out = TestEnv::root() + QStringLiteral("/command.txt");
    QTest::newRow("cancelled") << ""
                               << "" << QByteArray() << QStringList{};
    QTest::newRow("root") << "" << out << line("A", "Private") + line("B", "Friends")
                          << QStringList{};
    QTest::newRow("right-clicked group")
        << "Private" << out << line("A", "Private") << QStringList{};
    QTest::newRow("cannot create")
        << "" << TestEnv::root() + QStringLiteral("/no/such/folder/x.txt") << QByteArray()
        << QStringList{QStringLiteral("Exportに失敗しました。管理者に連絡して下さい。")};
}

void TestExchangeCommands::exportCommand()
{
    QFETCH(QString, rightClicked);
    QFETCH(QString, file);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, messages);
    for (const auto& [name, g] : {std::pair{"A", "Private"}, {"B", "Friends"}}) {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, name);
        r->setField(AddressRecord::Email, "mail");
        r->setField(AddressRecord::Group, g);
        m_frame->document()->AddRecord(std::move(r));
    }
    CGroupTree* tree = m_frame->groupTree();
    tree->clearSelection();
    tree->topLevelItem(0)->setSelected(true);
    if (!rightClicked.isEmpty())
        tree->SetContextItem(
            tree->findItems(rightClicked, Qt::MatchExactly | Qt::MatchRecursive).value(0));
    QFile::remove(TestEnv::root() + QStringLiteral("/command.txt"));
    FileDialog::queueFileName(file);
    m_frame->show();
    QApplication::setActiveWindow(m_frame.get());
    tree->setFocus();
    QVERIFY(m_frame->commands()->execute(ID_EXPORT));
    QCOMPARE(MessageBox::shownTexts(), messages);
    QVERIFY(!tree->contextItem());
    QCOMPARE(readAll(file), expected);
}

// A name typed with the suffix of another type than the one shown is written as that type.
void TestExchangeCommands::exportTypedSuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("shown"); // 0 legacy, 1 UTF-8 CSV, 2 vCard 3.0, 3 vCard 4.0
    QTest::addColumn<QByteArray>("start");
    const QByteArray legacy = line("A", "Private");
    QTest::newRow(".vcf, legacy shown") << "x.vcf" << 0 << QByteArray("BEGIN:VCARD\r\nVERSION:3.0");
    QTest::newRow(".CSV, legacy shown") << "x.CSV" << 0 << QByteArray("\xEF\xBB\xBF");
    QTest::newRow(".txt, vCard shown") << "x.txt" << 2 << legacy;
    QTest::newRow(".vcf, vCard 4.0 shown")
        << "x.vcf" << 3 << QByteArray("BEGIN:VCARD\r\nVERSION:4.0");
    QTest::newRow("other suffix: the type shown")
        << "x.dat" << 2 << QByteArray("BEGIN:VCARD\r\nVERSION:3.0");
}

void TestExchangeCommands::exportTypedSuffix()
{
    QFETCH(QString, name);
    QFETCH(int, shown);
    QFETCH(QByteArray, start);
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, "A");
    r->setField(AddressRecord::Email, "mail");
    r->setField(AddressRecord::Group, "Private");
    m_frame->document()->AddRecord(std::move(r));
    const QString path = TestEnv::root() + u'/' + name;
    QFile::remove(path);
    FileDialog::queueFileName(path, shown);
    m_frame->show();
    QApplication::setActiveWindow(m_frame.get());
    CGroupTree* tree = m_frame->groupTree();
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_P, Qt::ControlModifier);
    const QByteArray written = readAll(path);
    QVERIFY2(written.startsWith(start), written.left(40).constData());
}

// Choosing the book or one of its own files in the save dialog is refused with a word; the file
// stays as it was.
void TestExchangeCommands::exportNeverOntoTheBook_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("the book") << "Address.vok";
    QTest::newRow("its backup") << "Address.vok.bak";
    QTest::newRow("the readings") << "Readings.txt";
}

void TestExchangeCommands::exportNeverOntoTheBook()
{
    QFETCH(QString, name);
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, "A");
    r->setField(AddressRecord::Group, "Private");
    m_frame->document()->AddRecord(std::move(r));
    m_frame->document()->SetReading("A", "a");
    QVERIFY(m_frame->SaveAddressFile());
    const QString path = QFileInfo(DataLocation::addressFilePath()).absolutePath() + u'/' + name;
    const QByteArray before = readAll(path);
    FileDialog::queueFileName(path, 0);
    m_frame->show();
    QApplication::setActiveWindow(m_frame.get());
    CGroupTree* tree = m_frame->groupTree();
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(MessageBox::shownTexts(), QStringList{ImportExportText::ExportOntoBook.arg(path)});
    QCOMPARE(readAll(path), before);
}

// A large import runs through the progress dialog and takes every line.
void TestExchangeCommands::largeImport()
{
    QByteArray content;
    const int count = 100000;
    content.reserve(count * 80);
    for (int i = 0; i < count; ++i)
        content += "Name" + QByteArray::number(i) +
                   ",n@example.jp,100-0001,Tokyo\\nChiyoda,03,090,03,memo,ACME,o@acme.jp,"
                   "150-0001,Shibuya,03,03,office,Private\r\n";
    CGroupTree* tree = m_frame->groupTree();
    tree->clearSelection();
    tree->topLevelItem(0)->setSelected(true); // the root: every imported contact becomes a row
    FileDialog::queueFileName(TestEnv::writeFile(QStringLiteral("large.txt"), content));
    QVERIFY(m_frame->commands()->execute(ID_IMPORT));
    QCOMPARE(int(m_frame->document()->records().size()), count);
    QCOMPARE(m_frame->addressList()->model()->rowCount(), count);
    QCOMPARE(m_frame->document()->records().at(count - 1)->address(),
             std::string_view("Tokyo\r\nChiyoda"));
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QCOMPARE(m_summaries, QStringList{QString()});

    const QString out = TestEnv::root() + QStringLiteral("/large-out.txt");
    QVERIFY(ExchangeCommands::ExportGroupCsv(m_frame->document()->records(), "Private", out));
    QCOMPARE(readAll(out), content);
}

// SIGTERM while an import shows its progress: the program ends after the import, with every
// line of it saved.
void TestExchangeCommands::terminationWaitsForTheImport()
{
    LongWork::setDelayForTesting(0); // the progress shows, and pumps events, at once
    // Long enough to be read in several pieces, each advancing the progress.
    const int count = 12000;
    const QByteArray memo(250, 'm');
    QByteArray content;
    for (int i = 0; i < count; ++i)
        content += "N" + QByteArray::number(i) + ",,,,,,," + memo + ",,,,,,,,Private\r\n";
    FileDialog::queueFileName(TestEnv::writeFile(QStringLiteral("signal.txt"), content));
    TerminationSignals signalPipe;
    QVERIFY(signalPipe.isInstalled());
    connect(&signalPipe, &TerminationSignals::terminationRequested, m_frame.get(),
            &CMainFrame::RequestExit);
    QSignalSpy finished(m_frame.get(), &CMainFrame::exitFinished);
    // The end may come while the import's summary is open (it closes the summary), never
    // while the import itself runs.
    bool duringImport = false;
    connect(m_frame.get(), &CMainFrame::exitFinished, this,
            [&] { duringImport = LongWork::running(); });
    m_frame->show();
    // Delivered at the import's first pumping of events.
    ::raise(SIGTERM);
    QVERIFY(m_frame->commands()->execute(ID_IMPORT));
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!duringImport);
    QCOMPARE(QFileInfo(DataLocation::addressFilePath()).size(),
             qint64(count) * AddressFile::RecordSize);
    LongWork::setDelayForTesting(500);
}

VOK_TEST_MAIN(TestExchangeCommands)
#include "tst_exchangecommands.moc"
