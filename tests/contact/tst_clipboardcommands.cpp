#include "TestMain.h"
#include "app/CMainFrame.h"
#include "model/book/AddressRecord.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"
#include "ui/list/ClipboardTransfer.h"

#include <QClipboard>
#include <QItemSelectionModel>

// The four clipboard commands over the real address list: the selection in the order shown.
class TestClipboardCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void mailAddresses_data();
    void mailAddresses();
    void sortOrderDecides();
    void information_data();
    void information();

private:
    void fill(const QList<QByteArray>& mails);
    void select(const QList<int>& rows);

    std::unique_ptr<CMainFrame> m_frame;
    CAddressList* m_list = nullptr;
};

void TestClipboardCommands::init()
{
    m_frame = std::make_unique<CMainFrame>();
    m_frame->document()->DeleteAllRecords();
    m_list = m_frame->addressList();
}

void TestClipboardCommands::cleanup()
{
    m_frame.reset();
}

void TestClipboardCommands::fill(const QList<QByteArray>& mails)
{
    int n = 0;
    for (const QByteArray& mail : mails) {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, "Name" + std::to_string(n++));
        r->setField(AddressRecord::Email, mail.toStdString());
        r->setField(AddressRecord::OfficeEmail, ("office-" + mail).toStdString());
        r->setField(AddressRecord::Memo, "line1\r\nline2");
        r->setField(AddressRecord::Group, "Private");
        m_frame->document()->AddRecord(std::move(r));
    }
}

void TestClipboardCommands::select(const QList<int>& rows)
{
    m_list->clearSelection();
    for (int row : rows)
        m_list->selectionModel()->select(m_list->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TestClipboardCommands::mailAddresses_data()
{
    QTest::addColumn<QList<QByteArray>>("mails");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("office");
    QTest::addColumn<QString>("expected");
    QTest::newRow("A, empty, B") << QList<QByteArray>{"a@x", "", "b@x"} << QList<int>{0, 1, 2}
                                 << false << "a@x;;b@x";
    QTest::newRow("empty, A, B") << QList<QByteArray>{"", "a@x", "b@x"} << QList<int>{0, 1, 2}
                                 << false << "a@x;b@x";
    QTest::newRow("only the selected")
        << QList<QByteArray>{"a@x", "b@x", "c@x"} << QList<int>{0, 2} << false << "a@x;c@x";
    QTest::newRow("office") << QList<QByteArray>{"a@x", "b@x"} << QList<int>{0, 1} << true
                            << "office-a@x;office-b@x";
    QTest::newRow("lone empty address empties the clipboard")
        << QList<QByteArray>{""} << QList<int>{0} << false << "";
}

void TestClipboardCommands::mailAddresses()
{
    QFETCH(QList<QByteArray>, mails);
    QFETCH(QList<int>, selected);
    QFETCH(bool, office);
    QFETCH(QString, expected);
    m_frame->groupTree()->clearSelection();
    m_frame->groupTree()->topLevelItem(0)->setSelected(true);
    fill(mails);
    select(selected);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    ClipboardTransfer::CopyMailAddresses(m_list->JoinSelectedMailAddresses(office));
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestClipboardCommands::sortOrderDecides()
{
    m_frame->groupTree()->clearSelection();
    m_frame->groupTree()->topLevelItem(0)->setSelected(true);
    fill({"a@x", "b@x", "c@x"});
    m_list->SortByColumn(0);
    select({0, 1, 2});
    ClipboardTransfer::CopyMailAddresses(m_list->JoinSelectedMailAddresses(false));
    const QStringList first = QGuiApplication::clipboard()->text().split(u';');
    m_list->SortByColumn(0); // the other direction
    select({0, 1, 2});
    ClipboardTransfer::CopyMailAddresses(m_list->JoinSelectedMailAddresses(false));
    const QStringList second = QGuiApplication::clipboard()->text().split(u';');
    QCOMPARE(first.size(), 3);
    QStringList reversed(first.rbegin(), first.rend());
    QCOMPARE(second, reversed);
    QVERIFY(first != second);
}

void TestClipboardCommands::information_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("personal") << int(ClipboardTransfer::Personal)
                              << "Name0,a@x,,,,,,line1\r\nline2,Private";
    QTest::newRow("office") << int(ClipboardTransfer::Office) << ",office-a@x,,,,,";
}

void TestClipboardCommands::information()
{
    QFETCH(int, format);
    QFETCH(QString, expected);
    m_frame->groupTree()->clearSelection();
    m_frame->groupTree()->topLevelItem(0)->setSelected(true);
    fill({"a@x"});
    select({0});
    ClipboardTransfer::CopyContactInfo(
        m_list->FormatSelectedInfo(ClipboardTransfer::Format(format)));
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

VOK_TEST_MAIN(TestClipboardCommands)
#include "tst_clipboardcommands.moc"
