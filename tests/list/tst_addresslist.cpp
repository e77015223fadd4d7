#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

using namespace PaneTest;

class TestAddressList : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests

    // Clicks the middle of a header section, as the user does to sort.
    static void clickHeader(CAddressList* list, int column)
    {
        QHeaderView* h = list->horizontalHeader();
        const QPoint p(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                       h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
    }
    static QPoint rowPoint(CAddressList* list, int row, int column = 1)
    {
        return list->visualRect(list->model()->index(row, column)).center();
    }
    static QPoint treePointInList(const Frame& f, const QString& group)
    {
        const QPoint inTree = f.tree->visualItemRect(f.group(group)).topLeft() + QPoint(30, 5);
        return f.list->viewport()->mapFromGlobal(f.tree->viewport()->mapToGlobal(inTree));
    }
    static void selectRows(CAddressList* list, const QList<int>& rows)
    {
        list->clearSelection();
        for (int r : rows)
            list->selectionModel()->select(list->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!rows.isEmpty())
            list->selectionModel()->setCurrentIndex(list->model()->index(rows.front(), 0),
                                                    QItemSelectionModel::NoUpdate);
    }

private slots:
    void init() { startPaneTest(); }
    void cleanup() { clearStore(); }

    void headersAndRows()
    {
        Frame f;
        QAbstractItemModelTester tester(f.list->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.add({"佐藤　一郎", "sato@example.jp", "Private", "03-1111", "株式会社ＶＯＫ"});
        f.add({"鈴木", "suzuki@example.jp", "Business"});
        f.show("VOK_Address");
        const QStringList headers{"名前",           "メールアドレス", "電話番号", "会社名",
                                  "勤務先電話番号", "グループ",       "フリガナ"};
        QCOMPARE(f.list->model()->columnCount(), 12);
        for (int c = 6; c < 12; ++c) // the reading and the 宛名 columns show only when asked for
            QVERIFY(f.list->isColumnHidden(c));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(f.list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(f.list->model()->rowCount(), 2);
        const int sato = f.cell(0, 0) == "佐藤　一郎" ? 0 : 1;
        QCOMPARE(f.cell(sato, 2), QString("03-1111"));
        QCOMPARE(f.cell(sato, 3), QString("株式会社ＶＯＫ"));
        QCOMPARE(f.cell(sato, 5), QString("Private"));
        QVERIFY(f.list->recordAt(sato) != nullptr);
        QCOMPARE(f.list->recordAt(sato)->email(), std::string_view("sato@example.jp"));
        QVERIFY(f.list->showGrid());
        QCOMPARE(f.list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(f.list->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(f.list->palette().color(QPalette::Inactive, QPalette::Highlight),
                 f.list->palette().color(QPalette::Active, QPalette::Highlight));
        // Rows and selection survive the model tester through sort, update and removal.
        f.list->SortByColumn(0);
        f.list->UpdateRecordRow(0, f.list->recordAt(0));
        f.list->DeleteAllRows();
        QCOMPARE(f.list->model()->rowCount(), 0);
    }

    void cellsCutAtCharacterBoundary()
    {
        Frame f;
        // 130 full-width characters: 260 bytes, one more than a cell holds.
        QString longName;
        for (int i = 0; i < 130; ++i)
            longName += QStringLiteral("あ");
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, Text::toCp932Lossy(longName));
        r->setField(AddressRecord::Email, std::string(300, 'x'));
        f.frame->document()->AddRecord(std::move(r));
        f.show("VOK_Address");
        QCOMPARE(f.cell(0, 0), longName.left(129));
        QCOMPARE(f.cell(0, 1).size(), 259);
    }

    void sortToggling()
    {
        Frame f;
        f.add({"さとう", "1@x", "Private", "300"});
        f.add({"あべ", "3@x", "Private", "100"});
        f.add({"いとう", "2@x", "Private", "200"});
        f.show("VOK_Address");
        QHeaderView* h = f.list->horizontalHeader();
        // A fresh profile: by name in あいうえお order, the mark on that header.
        QCOMPARE(f.list->sortState, 0x10u);
        QCOMPARE(f.list->markedColumn, 0);
        QCOMPARE(f.column(0), (QStringList{"あべ", "いとう", "さとう"}));
        QVERIFY(h->isSortIndicatorShown());
        QCOMPARE(h->sortIndicatorSection(), 0);
        const Qt::SortOrder up = h->sortIndicatorOrder();

        clickHeader(f.list, 1);
        QCOMPARE(f.list->sortState, 0x11u);
        QCOMPARE(f.column(1), (QStringList{"1@x", "2@x", "3@x"}));
        QCOMPARE(h->sortIndicatorSection(), 1);
        QCOMPARE(h->sortIndicatorOrder(), up);
        QCOMPARE(f.list->markedColumn, 1);

        clickHeader(f.list, 1);
        QCOMPARE(f.list->sortState, 0x21u);
        QCOMPARE(f.column(1), (QStringList{"3@x", "2@x", "1@x"}));
        QVERIFY(h->sortIndicatorOrder() != up);

        clickHeader(f.list, 2);
        QCOMPARE(f.list->sortState, 0x12u);
        QCOMPARE(f.column(2), (QStringList{"100", "200", "300"}));
        QCOMPARE(h->sortIndicatorSection(), 2);
        QCOMPARE(h->sortIndicatorOrder(), up);
        QCOMPARE(f.list->markedColumn, 2);

        // A group switch keeps column and direction.
        clickHeader(f.list, 2);
        f.show("Private");
        QCOMPARE(f.list->sortState, 0x22u);
        QCOMPARE(f.column(2), (QStringList{"300", "200", "100"}));
    }

    void sortOfLettersAndKana()
    {
        // Columns other than the name keep their byte order.
        Frame f;
        for (const char* company : {"abd", "ヂ", "ABC", "ア", "ａ", "Ａ"})
            f.add({"", "", "Private", "", company});
        f.show("Private");
        f.list->SortByColumn(3);
        QCOMPARE(f.column(3), (QStringList{"ABC", "abd", "Ａ", "ａ", "ア", "ヂ"}));
    }

    void storedSortOrder()
    {
        storeDword(SettingsKeys::ListViewKey, "Sort", 0x25);
        {
            Frame f;
            f.add({"a", "", "Business"});
            f.add({"b", "", "Other"});
            f.add({"c", "", "Private"});
            f.show("VOK_Address");
            QCOMPARE(f.column(5), (QStringList{"Private", "Other", "Business"}));
            QCOMPARE(f.list->horizontalHeader()->sortIndicatorSection(), 5);
            QCOMPARE(f.list->markedColumn, 5);
            f.list->SortByColumn(0);
        }
        quint32 stored = 0;
        QVERIFY(readDword(SettingsKeys::ListViewKey, "Sort", stored));
        QCOMPARE(stored, 0x10u);
    }

    void storedSortNamingNoColumn()
    {
        storeDword(SettingsKeys::ListViewKey, "Sort", 0x2F);
        Frame f;
        f.add({"b", "", "Private"});
        f.add({"a", "", "Private"});
        f.show("Private");
        // Nothing to sort by and no header to mark; the rows stay in record order.
        QCOMPARE(f.column(0), (QStringList{"b", "a"}));
        QCOMPARE(f.list->markedColumn, -1);
        QVERIFY(!f.list->horizontalHeader()->isSortIndicatorShown());
        clickHeader(f.list, 0);
        QCOMPARE(f.list->sortState, 0x10u);
        QCOMPARE(f.column(0), (QStringList{"a", "b"}));
    }

    void addedRowStaysLastUntilSorted()
    {
        Frame f;
        f.add({"b", "b@x", "Private"});
        f.add({"c", "c@x", "Private"});
        f.show("Private");
        CVOK_AddressDoc* doc = f.frame->document();
        AddressRecord* a = f.add({"a", "a@x", "Private"});
        QCOMPARE(f.column(0), (QStringList{"b", "c", "a"}));
        AddressRecord changed = *a;
        changed.setField(AddressRecord::Name, "aa");
        doc->ChangeRecord(a, changed);
        QCOMPARE(f.column(0), (QStringList{"b", "c", "aa"}));
        // A record of another group is not added to the shown one.
        f.add({"z", "z@x", "Business"});
        QCOMPARE(f.list->model()->rowCount(), 3);
        f.list->SortByColumn(99);
        QCOMPARE(f.column(0), (QStringList{"aa", "b", "c"}));
        // A change that moves the record out of the group drops its row.
        changed.setField(AddressRecord::Group, "Business");
        doc->ChangeRecord(a, changed);
        QCOMPARE(f.column(0), (QStringList{"b", "c"}));
    }

    void markedRowPicture()
    {
        Frame f;
        f.show("Private");
        std::vector<std::unique_ptr<AddressRecord>> imported;
        imported.push_back(makeRecord({"a", "", "Private"}));
        AddressRecord* r = f.frame->document()->ImportRecords(std::move(imported)).front();
        QVERIFY(f.list->isRowMarked(0));
        const QIcon marked = f.list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        f.frame->document()->ChangeRecord(r, *r);
        QVERIFY(!f.list->isRowMarked(0));
        const QIcon plain = f.list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(!marked.isNull() && !plain.isNull());
        QVERIFY(marked.pixmap(16).toImage() != plain.pixmap(16).toImage());
    }

    void columnWidths_data()
    {
        QTest::addColumn<bool>("store");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("expected"); // -1: automatic
        QTest::newRow("stored") << true << 123u << 123;
        QTest::newRow("low 16 bits") << true << 0x10000u + 77u << 77;
        QTest::newRow("negative counts as missing") << true << 0x80000005u << -1;
        QTest::newRow("missing") << false << 0u << -1;
    }
    void columnWidths()
    {
        QFETCH(bool, store);
        QFETCH(quint32, value);
        QFETCH(int, expected);
        if (store)
            storeDword(SettingsKeys::ListViewKey, "Width3", value);
        Frame f;
        f.add({"x", "", "Private", "", "とても長い会社の名前が入っている株式会社"});
        f.show("VOK_Address");
        const int width = f.list->columnWidth(3);
        if (expected >= 0) {
            QCOMPARE(width, expected);
        } else {
            const int text = f.list->fontMetrics().horizontalAdvance(f.cell(0, 3));
            QVERIFY2(width >= text + 12, qPrintable(QString("%1 < %2").arg(width).arg(text)));
            QVERIFY(width >= f.list->horizontalHeader()->sectionSizeHint(3));
        }
    }

    void unsizedColumnsFitArrivingRows_data()
    {
        QTest::addColumn<int>("others"); // short-named contacts that come with the long one
        QTest::newRow("one contact") << 0;
        QTest::newRow("a large import") << 1500;
    }
    // On a new book the columns were sized for no rows at all; the rows that come later make
    // the columns the user never sized wide enough, and leave a sized one alone.
    void unsizedColumnsFitArrivingRows()
    {
        QFETCH(int, others);
        storeDword(SettingsKeys::ListViewKey, "Width3", 40);
        Frame f;
        f.show("VOK_Address");
        const int emptyName = f.list->columnWidth(0);
        std::vector<std::unique_ptr<AddressRecord>> file;
        for (int i = 0; i < others; ++i)
            file.push_back(makeRecord({"山田", "", "Private"}));
        file.push_back(makeRecord({"長い長い長い名前の取引先担当者様", "", "Private", "",
                                   "とても長い会社の名前が入っている株式会社"}));
        f.frame->document()->ImportRecords(std::move(file));
        const int text = f.list->fontMetrics().horizontalAdvance(f.cell(others, 0));
        QTRY_VERIFY2(f.list->columnWidth(0) >= text + 12,
                     qPrintable(QString("%1 < %2").arg(f.list->columnWidth(0)).arg(text)));
        QVERIFY(f.list->columnWidth(0) > emptyName);
        QCOMPARE(f.list->columnWidth(3), 40);
    }

    void emptyGroupKeepsWidthsAndSort()
    {
        storeDword(SettingsKeys::ListViewKey, "Width0", 90);
        Frame f;
        f.add({"a", "", "Private"});
        f.show("VOK_Address");
        f.list->SortByColumn(4);
        f.list->setColumnWidth(0, 300);
        f.show("Business");
        QCOMPARE(f.list->model()->rowCount(), 0);
        QCOMPARE(f.list->columnWidth(0), 90);
        QCOMPARE(f.list->sortState, 0x14u);
        QCOMPARE(f.list->horizontalHeader()->sortIndicatorSection(), 4);
    }

    void dividerDoubleClick_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("width");
        QTest::newRow("name column") << 0 << 28;
        QTest::newRow("phone column") << 2 << 12;
    }
    void dividerDoubleClick()
    {
        QFETCH(int, column);
        QFETCH(int, width);
        Frame f;
        f.show("Private");
        QHeaderView* h = f.list->horizontalHeader();
        h->resizeSection(column, 80);
        const QPoint divider(h->sectionViewportPosition(column) + h->sectionSize(column) - 1,
                             h->height() / 2);
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, divider);
        QCOMPARE(f.list->columnWidth(column), width);
        quint32 stored = 0;
        QVERIFY(readDword(SettingsKeys::ListViewKey, QString("Width%1").arg(column), stored));
        QCOMPARE(stored, quint32(width));
    }

    void dividerDoubleClickFitsCells()
    {
        Frame f;
        f.add({"", "", "Private", "012-3456-7890-1234"});
        f.show("Private");
        QHeaderView* h = f.list->horizontalHeader();
        const QPoint divider(h->sectionViewportPosition(2) + h->sectionSize(2) - 1,
                             h->height() / 2);
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, divider);
        const int text = f.list->fontMetrics().horizontalAdvance(QString("012-3456-7890-1234"));
        QVERIFY(f.list->columnWidth(2) >= text + 12);
    }

    void dividerDragStoresWidth()
    {
        Frame f;
        f.show("Private");
        QHeaderView* h = f.list->horizontalHeader();
        h->resizeSection(1, 100);
        const int edge = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
        const int y = h->height() / 2;
        QTest::mousePress(h->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(edge + 40, y),
                         h->viewport()->mapToGlobal(QPointF(edge + 40, y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(h->viewport(), &move);
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
        QCOMPARE(f.list->columnWidth(1), 140);
        quint32 stored = 0;
        QVERIFY(readDword(SettingsKeys::ListViewKey, "Width1", stored));
        QCOMPARE(stored, 140u);
    }

    void countRecordsInGroup()
    {
        Frame f;
        f.add({"a", "", "Private"});
        f.add({"b", "", "private"});
        f.add({"c", "", "Business"});
        f.show("Business");
        QCOMPARE(f.list->CountRecordsInGroup(QString()), 1);
        QCOMPARE(f.list->CountRecordsInGroup("Private"), 2);
        f.show("VOK_Address");
        QCOMPARE(f.list->CountRecordsInGroup(QString()), 3);
        QCOMPARE(f.list->CountRecordsInGroup("Other"), 0);
    }

    void deleteSelectedRecords()
    {
        Frame f;
        for (const char* n : {"a", "b", "c", "d"})
            f.add({n, "", "Private"});
        f.show("Private");
        selectRows(f.list, {1, 3});
        QCOMPARE(f.list->GetSelectedCount(), 2);
        f.list->DeleteSelectedRecords();
        QCOMPARE(f.column(0), (QStringList{"a", "c"}));
        QCOMPARE(f.frame->document()->records().size(), std::size_t(2));
        selectRows(f.list, {0});
        f.list->DeleteSelectedRecords();
        QCOMPARE(f.column(0), QStringList{"c"});
        QCOMPARE(f.frame->document()->records().size(), std::size_t(1));
    }

    void noRowOutlivesItsRecord()
    {
        Frame f;
        AddressRecord* a = f.add({"a", "", "Private"});
        f.add({"b", "", "Business"});
        f.add({"c", "", "Business"});
        f.show("VOK_Address");
        QCOMPARE(f.list->model()->rowCount(), 3);
        f.frame->document()->RemoveRecords({a});
        QCOMPARE(f.list->model()->rowCount(), 2);
        f.frame->document()->DeleteGroup("Business");
        QCOMPARE(f.list->model()->rowCount(), 0);
        f.add({"d", "", "Other"});
        f.show("Other");
        QCOMPARE(f.list->model()->rowCount(), 1);
        f.frame->document()->DeleteGroup("other"); // the shown group: the list empties itself
        QCOMPARE(f.list->model()->rowCount(), 0);
    }

    void selectionQueries()
    {
        Frame f;
        f.add({"a", "a@x", "Private"});
        f.add({"b", "b@x", "Private"});
        f.show("Private");
        QCOMPARE(f.list->GetSelectedRecord(), nullptr);
        QCOMPARE(f.list->GetFocusedSelectedRow(), -1);
        selectRows(f.list, {1});
        QCOMPARE(f.list->GetSelectedRecord(), f.list->recordAt(1));
        QCOMPARE(f.list->GetFocusedSelectedRow(), 1);
        f.list->selectionModel()->setCurrentIndex(f.list->model()->index(0, 0),
                                                  QItemSelectionModel::NoUpdate);
        QCOMPARE(f.list->GetFocusedSelectedRow(), -1);
    }

    void mailAddresses_data()
    {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("joined");
        QTest::newRow("empty in the middle") << QStringList{"A", "", "B"} << "A;;B";
        QTest::newRow("empty first") << QStringList{"", "A", "B"} << "A;B";
        QTest::newRow("empty last") << QStringList{"A", ""} << "A;";
        QTest::newRow("only empty") << QStringList{""} << "";
        QTest::newRow("duplicates kept") << QStringList{"A", "A"} << "A;A";
    }
    void mailAddresses()
    {
        QFETCH(QStringList, addresses);
        QFETCH(QString, joined);
        Frame f;
        QList<int> rows;
        for (int i = 0; i < addresses.size(); ++i) {
            auto r = makeRecord({"", "", "Private"});
            r->setField(AddressRecord::Name, std::to_string(i));
            r->setField(AddressRecord::OfficeEmail, addresses[i].toStdString());
            r->setField(AddressRecord::Email, addresses[i].toStdString());
            f.frame->document()->AddRecord(std::move(r));
            rows << i;
        }
        f.show("Private");
        QCOMPARE(f.list->JoinSelectedMailAddresses(false), std::string());
        selectRows(f.list, rows);
        QCOMPARE(QString::fromStdString(f.list->JoinSelectedMailAddresses(false)), joined);
        QCOMPARE(QString::fromStdString(f.list->JoinSelectedMailAddresses(true)), joined);
        // Row order, not selection order or record order: descending reverses it.
        f.list->SortByColumn(0);
        QStringList reversed = addresses;
        std::reverse(reversed.begin(), reversed.end());
        QString expected;
        for (const QString& a : reversed) {
            if (expected.isEmpty())
                expected = a;
            else
                expected += ";" + a;
        }
        QCOMPARE(QString::fromStdString(f.list->JoinSelectedMailAddresses(false)), expected);
    }

    void infoLines()
    {
        Frame f;
        auto r = makeRecord({"山田", "", "Private"});
        r->setField(AddressRecord::Memo, "line1\r\nline2");
        r->setField(AddressRecord::Company, "VOK, Inc.");
        r->setField(AddressRecord::OfficeFax, "06-1");
        f.frame->document()->AddRecord(std::move(r));
        f.show("Private");
        QCOMPARE(f.list->FormatSelectedInfo(2), std::string());
        selectRows(f.list, {0});
        QCOMPARE(f.list->FormatSelectedInfo(2), cp("山田") + ",,,,,,,line1\r\nline2,Private");
        QCOMPARE(f.list->FormatSelectedInfo(3), std::string("VOK, Inc.,,,,,06-1,"));
    }

    void doubleClick_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<quint32>("newmail");
        QTest::addColumn<int>("edits");
        QTest::addColumn<int>("mails");
        QTest::newRow("one row edits") << QList<int>{0} << false << 0u << 1 << 0;
        QTest::newRow("two rows nothing") << QList<int>{0, 1} << false << 0u << 0 << 0;
        QTest::newRow("shift without newmail") << QList<int>{0} << true << 0u << 0 << 0;
        QTest::newRow("shift with newmail") << QList<int>{0, 1} << true << 1u << 0 << 1;
    }
    void doubleClick()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, shift);
        QFETCH(quint32, newmail);
        QFETCH(int, edits);
        QFETCH(int, mails);
        storeDword(SettingsKeys::OptionKey, "Newmail", newmail);
        Frame f;
        f.add({"a", "", "Private"});
        f.add({"b", "", "Private"});
        f.add({"c", "", "Private"});
        f.show("Private");
        selectRows(f.list, selected);
        QApplication::setActiveWindow(f.frame.get());
        f.list->setFocus();
        QVERIFY(f.list->hasFocus()); // as after the presses of a real double-click
        // The event alone, so that the press before it does not change the selection.
        const QPoint p = rowPoint(f.list, selected.front());
        QMouseEvent dbl(QEvent::MouseButtonDblClick, p, f.list->viewport()->mapToGlobal(p),
                        Qt::LeftButton, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::sendEvent(f.list->viewport(), &dbl);
        QCOMPARE(f.executed.value(ID_EDIT_CONTACT), 0); // posted, not sent
        QCoreApplication::processEvents();
        QCOMPARE(f.executed.value(ID_EDIT_CONTACT), edits);
        QCOMPARE(f.executed.value(ID_NEW_MAIL), mails);
    }

    void tabLeavesTheList_data()
    {
        QTest::addColumn<bool>("back");
        QTest::newRow("Tab") << false;
        QTest::newRow("Shift+Tab") << true;
    }
    void tabLeavesTheList()
    {
        QFETCH(bool, back);
        Frame f;
        f.frame->resize(500, 400); // narrower than the columns
        f.add({"佐藤　一郎", "sato@example.jp", "Private", "03-1111", "株式会社ＶＯＫ"});
        f.add({"鈴木", "suzuki@example.jp", "Private"});
        f.show("Private");
        selectRows(f.list, {0});
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        f.list->setFocus();
        QVERIFY(f.list->hasFocus());
        QTest::keyClick(f.list, back ? Qt::Key_Backtab : Qt::Key_Tab,
                        back ? Qt::ShiftModifier : Qt::NoModifier);
        QVERIFY(!f.list->hasFocus());
        QCOMPARE(f.list->horizontalScrollBar()->value(), 0); // the names stay in sight
        QCOMPARE(f.list->GetSelectedCount(), 1);
    }

    void contextMenuEntries()
    {
        Frame f;
        QMenu* menu = f.list->createContextMenu(f.list);
        QStringList texts;
        for (QAction* a : menu->actions()) {
            texts << (a->isSeparator() ? "-" : a->text());
            if (a->menu())
                for (QAction* s : a->menu()->actions())
                    texts << ">" + s->text();
        }
        QCOMPARE(texts,
                 (QStringList{"管理情報の編集(&E)\tCtrl+E", "管理情報の削除(&D)\tDelete", "-",
                              "クリップボードへ転送(&M)", ">メールアドレス(&M)",
                              ">会社メールアドレス(&B)", ">個人情報(&P)", ">会社情報(&O)",
                              "新規メール(&N)", "-", "グループへ移動(&V)", "グループへコピー(&C)",
                              "-", "宛名印刷(&A)...\tCtrl+Shift+P"}));
        // Greyed by the frame's rules: nothing selected, no editing.
        QVERIFY(!menu->actions().at(0)->isEnabled());
        delete menu;
    }

    void rightClickSelects_data()
    {
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("plain selects the row only") << false << QList<int>{2};
        QTest::newRow("ctrl keeps the selection") << true << QList<int>{0, 1};
    }
    void rightClickSelects()
    {
        QFETCH(bool, ctrl);
        QFETCH(QList<int>, after);
        Frame f;
        for (const char* n : {"a", "b", "c"})
            f.add({n, "", "Private"});
        f.show("Private");
        f.list->SortByColumn(0);
        selectRows(f.list, {0, 1});
        bool menuShown = false;
        ModalDriver closer(
            [&](QWidget* popup) {
                menuShown = true;
                popup->close();
            },
            ModalDriver::Popups);
        QTest::mousePress(f.list->viewport(), Qt::RightButton,
                          ctrl ? Qt::ControlModifier : Qt::NoModifier, rowPoint(f.list, 2));
        QTRY_VERIFY(menuShown);
        std::vector<int> rows = f.list->selectedRowList();
        QCOMPARE(QList<int>(rows.begin(), rows.end()), after);
    }

    void dragWithRootShownSelects()
    {
        Frame f;
        for (const char* n : {"a", "b", "c"})
            f.add({n, "", "Private"});
        f.show("VOK_Address");
        f.list->SortByColumn(0);
        selectRows(f.list, {0});
        QTest::mousePress(f.list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          rowPoint(f.list, 2));
        QVERIFY(!f.list->isDragMoving() && !f.list->isDragCopying());
        QTest::mouseRelease(f.list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                            rowPoint(f.list, 2));
        QCOMPARE(f.list->GetSelectedCount(), 3);
    }

    void ctrlPressOnUnfocusedRowToggles()
    {
        Frame f;
        for (const char* n : {"a", "b", "c"})
            f.add({n, "", "Private"});
        f.show("Private");
        f.list->SortByColumn(0);
        selectRows(f.list, {0, 1}); // focus on row 0
        QTest::mouseClick(f.list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rowPoint(f.list, 1));
        QVERIFY(!f.list->isDragCopying());
        QCOMPARE(f.list->GetSelectedCount(), 1);
    }

    void drop_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<int>("recordsAfter");
        QTest::addColumn<int>("inTarget");
        QTest::newRow("move to another group") << false << "Business" << 1 << 4 << 3;
        QTest::newRow("copy to another group") << true << "Business" << 4 << 7 << 3;
        QTest::newRow("copy into the shown group") << true << "Private" << 7 << 7 << 7;
        QTest::newRow("move into the shown group") << false << "Private" << 4 << 4 << 4;
        QTest::newRow("drop on the root") << false << "VOK_Address" << 4 << 4 << 0;
    }
    void drop()
    {
        QFETCH(bool, copy);
        QFETCH(QString, target);
        QFETCH(int, rowsAfter);
        QFETCH(int, recordsAfter);
        QFETCH(int, inTarget);
        Frame f;
        for (const char* n : {"a", "b", "c", "d"})
            f.add({n, "", "Private"});
        f.show("Private");
        f.list->SortByColumn(0);
        selectRows(f.list, {0, 1, 2});
        const Qt::KeyboardModifiers mods = copy ? Qt::ControlModifier : Qt::ShiftModifier;
        QTest::mousePress(f.list->viewport(), Qt::LeftButton, mods, rowPoint(f.list, 0));
        QVERIFY(copy ? f.list->isDragCopying() : f.list->isDragMoving());
        QCOMPARE(f.list->dragCursorId(), IDC_DRAG_NONE);
        const QPoint over = treePointInList(f, target);
        QTest::mouseMove(f.list->viewport(), over);
        const bool valid = target != "VOK_Address";
        QCOMPARE(f.list->dragCursorId(),
                 valid ? (copy ? IDC_DRAG_COPY : IDC_DRAG_MOVE) : IDC_DRAG_NONE);
        QCOMPARE(f.tree->dropHighlightItem(), f.group(target));
        QTest::mouseRelease(f.list->viewport(), Qt::LeftButton, mods, over);
        QVERIFY(!f.list->isDragMoving() && !f.list->isDragCopying());
        QCOMPARE(f.list->dragCursorId(), 0);
        QCOMPARE(f.tree->dropHighlightItem(), nullptr);
        QCOMPARE(f.list->model()->rowCount(), rowsAfter);
        QCOMPARE(int(f.frame->document()->records().size()), recordsAfter);
        if (copy && target == "Private") {
            // The copies are the last rows, with the two sheets, and now the selection.
            for (int r = 0; r < 7; ++r) {
                QCOMPARE(f.list->isRowMarked(r), r >= 4);
                QCOMPARE(f.list->selectionModel()->isRowSelected(r, {}), r >= 4);
            }
        }
        if (valid) {
            QCOMPARE(int(f.frame->document()->CountGroupRecords(target)), inTarget);
            // A later visit of the target lists them all, in its own spelling.
            f.show(target);
            QCOMPARE(f.list->model()->rowCount(), inTarget);
            for (int r = 0; r < inTarget; ++r)
                QCOMPARE(f.cell(r, 5), target);
        }
    }

    void dragCursorsAndDeactivation()
    {
        Frame f;
        for (const char* n : {"a", "b"})
            f.add({n, "", "Private"});
        f.show("Private");
        selectRows(f.list, {0});
        QTest::mousePress(f.list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rowPoint(f.list, 0));
        QVERIFY(f.list->isDragCopying());
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->hotSpot(), QPoint(1, 8));
        QCOMPARE(QApplication::overrideCursor()->pixmap().deviceIndependentSize().toSize(),
                 QSize(32, 32));
        // Another window takes the mouse: the drag ends without a drop.
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(f.list, &deactivate);
        QVERIFY(!f.list->isDragCopying());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QTest::mouseRelease(f.list->viewport(), Qt::LeftButton, {}, treePointInList(f, "Business"));
        QCOMPARE(f.frame->document()->records().size(), std::size_t(2));
    }

    void rightClickCancelsDrag()
    {
        Frame f;
        for (const char* n : {"a", "b"})
            f.add({n, "", "Private"});
        f.show("Private");
        selectRows(f.list, {0});
        QTest::mousePress(f.list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          rowPoint(f.list, 0));
        QVERIFY(f.list->isDragMoving());
        QTest::mouseMove(f.list->viewport(), treePointInList(f, "Business"));
        ModalDriver closer([](QWidget* popup) { popup->close(); }, ModalDriver::Popups);
        QTest::mousePress(f.list->viewport(), Qt::RightButton, Qt::ControlModifier,
                          treePointInList(f, "Business"));
        QVERIFY(!f.list->isDragMoving());
        QCOMPARE(f.list->dragCursorId(), 0);
        QCOMPARE(f.tree->dropHighlightItem(), nullptr);
        QTest::mouseRelease(f.list->viewport(), Qt::LeftButton, {}, treePointInList(f, "Business"));
        QCOMPARE(int(f.frame->document()->CountGroupRecords("Business")), 0);
        QCOMPARE(f.list->model()->rowCount(), 2);
    }
};

VOK_TEST_MAIN(TestAddressList)
#include "tst_addresslist.moc"
