#include "CAddressList.h"

#include "AddressListModel.h"
#include "ClipboardText.h"
#include "ListText.h"
#include "StartPictureModel.h"
#include "StartPictureView.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/GroupName.h"
#include "model/storage/StartPicture.h"
#include "resource.h"
#include "settings/ListViewSettings.h"
#include "ui/common/CommandMenu.h"
#include "ui/common/CommandTable.h"
#include "ui/common/GroupDropTarget.h"
#include "ui/common/SelectionPalette.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDate>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <future>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

constexpr int kIconRoom = 16;
constexpr int kCellPadding = 12;
// More readings given at once (an import) are written a slice at a time, as guessed ones are.
constexpr std::size_t kReadingsAtOnce = 1000;
// Measuring the widest cells takes a few milliseconds: after more rows than this it waits
// until the rows stop coming (an import comes a slice at a time).
constexpr std::size_t kWidenAtOnce = 200;
constexpr int kWidenAfterMs = 50;
constexpr int kWidenSliceMs = 4;
constexpr quint32 kAscending = 0x10;
constexpr quint32 kDescending = 0x20;
// Qt names the header arrows after the order of the data below them; the mark here points up
// for ascending, as the address list always has.
constexpr Qt::SortOrder kUpArrow = Qt::DescendingOrder;
constexpr Qt::SortOrder kDownArrow = Qt::AscendingOrder;

QCursor dragCursor(const QString& name)
{
    return QCursor(QPixmap(QStringLiteral(":/cursors/") + name), 1, 8);
}

} // namespace

CAddressList::CAddressList(CVOK_AddressDoc* doc, CommandTable* commands, QWidget* parent)
    : QTableView(parent), m_doc(doc), m_commands(commands),
      m_model(new AddressListModel(&doc->finder(), this)),
      m_cursorMove(dragCursor(QStringLiteral("drag_move.svg"))),
      m_cursorCopy(dragCursor(QStringLiteral("drag_copy.svg"))),
      m_cursorNone(dragCursor(QStringLiteral("drag_none.svg")))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(16, 16));
    setDragEnabled(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows are chosen, never cells: Tab leaves the list instead of walking its cells.
    setTabKeyNavigation(false);

    SelectionPalette::keepSelectionVisible(this);

    // Every row the same height: 100,000 rows cost no per-row measuring.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(fontMetrics().height() + 4, 18));
    rows->setMinimumSectionSize(1);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(1);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSortIndicatorShown(false);
    for (int c = 0; c < AddressListModel::ColumnCount; ++c)
        header->resizeSection(c, 50);
    // The divider double-click sizes to the cells by our own measure, not the view's.
    disconnect(header, SIGNAL(sectionHandleDoubleClicked(int)), this,
               SLOT(resizeColumnToContents(int)));
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this,
            &CAddressList::onDividerDoubleClicked);
    connect(header, &QHeaderView::sectionClicked, this, &CAddressList::SortByColumn);
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int) {
        if (m_headerPressed)
            m_resizedSection = section;
    });
    header->viewport()->installEventFilter(this);

    const QDate today = QDate::currentDate();
    m_model->setNengaYear(ContactExtras::nengaYear(today.year(), today.month()));
    const ListViewSettings stored = ListViewSettings::load();
    setColumnHidden(AddressListModel::ReadingColumn, !stored.readingColumn);
    for (int c = AddressListModel::FirstAddresseeColumn; c < AddressListModel::ColumnCount; ++c)
        setColumnHidden(c, !stored.addresseeColumns);
    ApplyColumnWidths();
    sortState = stored.sort;

    // Rows made aside are shown before any change reaches the list.
    const auto settle = [this] {
        FinishFilling();
        endPicture(false); // a change is shown in the real rows
    };
    connect(m_doc, &CVOK_AddressDoc::recordsAdded, this, settle);
    connect(m_doc, &CVOK_AddressDoc::recordsChanged, this, settle);
    connect(m_doc, &CVOK_AddressDoc::recordsMerged, this, settle);
    connect(m_doc, &CVOK_AddressDoc::recordsRemoving, this, settle);
    connect(m_doc, &CVOK_AddressDoc::groupRenamed, this, settle);
    connect(m_doc, &CVOK_AddressDoc::groupRemoved, this, settle);
    connect(m_doc, &CVOK_AddressDoc::readingChanged, this, settle);
    connect(m_doc, &CVOK_AddressDoc::readingsGiven, this, settle);
    m_fillSlices = new QTimer(this);
    m_fillSlices->setInterval(0);
    connect(m_fillSlices, &QTimer::timeout, this, &CAddressList::fillSlice);
    connect(m_doc, &CVOK_AddressDoc::recordsAdded, this, &CAddressList::onRecordsAdded);
    connect(m_doc, &CVOK_AddressDoc::recordsChanged, this, &CAddressList::onRecordsChanged);
    connect(m_doc, &CVOK_AddressDoc::recordsMerged, this, &CAddressList::onRecordsMerged);
    connect(m_doc, &CVOK_AddressDoc::recordsRemoving, this, &CAddressList::onRecordsRemoving);
    connect(m_doc, &CVOK_AddressDoc::groupRenamed, this, &CAddressList::onGroupRenamed);
    connect(m_doc, &CVOK_AddressDoc::groupRemoved, this, &CAddressList::ClearIfGroupShown);
    connect(m_doc, &CVOK_AddressDoc::readingChanged, this,
            [this](const std::string& name) { m_model->refreshReadings({name}); });
    connect(m_doc, &CVOK_AddressDoc::readingsGiven, this,
            [this](const std::vector<std::string>& names) {
                if (names.size() > kReadingsAtOnce)
                    onReadingsGuessed();
                else
                    m_model->refreshReadings(names);
            });
    connect(&m_doc->finder(), &ContactFinder::readingsGuessed, this,
            &CAddressList::onReadingsGuessed);
    m_widenLater = new QTimer(this);
    m_widenLater->setSingleShot(true);
    connect(m_widenLater, &QTimer::timeout, this, &CAddressList::widenSlice);
    m_readingSlices = new QTimer(this);
    m_readingSlices->setSingleShot(true);
    m_readingSlices->setInterval(0);
    connect(m_readingSlices, &QTimer::timeout, this, &CAddressList::refreshReadingsSlice);
    // Rows that come, go or move while readings are being written: the pass starts again.
    const auto again = [this] {
        if (m_readingsStale)
            m_readingAt = 0;
    };
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, again);
    connect(m_model, &QAbstractItemModel::modelReset, this, again);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, again);
    connect(&m_doc->finder(), &ContactFinder::searchReady, this, [this] {
        if (m_searchWaits)
            applySearch();
    });
}

CAddressList::~CAddressList()
{
    ListViewSettings::saveSort(sortState);
}

void CAddressList::setShownGroup(const QString& name)
{
    m_shownName = name;
    m_showsRoot = name == CVOK_AddressDoc::RootName;
    auto bytes = Text::toCp932(name);
    m_shownValid = !name.isEmpty() && bytes.has_value();
    m_shownBytes = bytes.value_or(std::string());
}

void CAddressList::ShowGroup(const QString& name)
{
    // The picture is of the whole book, which the tree chooses as the window first shows.
    if (!m_doc->loading() || name != CVOK_AddressDoc::RootName)
        endPicture(false);
    fillGroup(name);
}

std::vector<AddressRecord*> CAddressList::emptyForGroup(const QString& name)
{
    setShownGroup(name);
    DeleteAllRows();
    std::vector<AddressRecord*> records;
    if (!m_shownValid)
        return records;
    const RecordList& all = m_doc->records();
    records.reserve(m_showsRoot ? all.size() : 0);
    for (const auto& record : all) {
        if (belongsToShownGroup(record.get()))
            records.push_back(record.get());
    }
    return records;
}

void CAddressList::fillGroup(const QString& name)
{
    const std::vector<AddressRecord*> records = emptyForGroup(name);
    if (!m_shownValid)
        return;
    m_model->appendRows(records, false);
    ApplyColumnWidths();
    SortByColumn(99);
    if (!m_query.empty())
        applySearch();
}

void CAddressList::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    endPicture(false);
    m_searchText = text;
    m_query = SearchQuery(text.toStdString());
    applySearch();
}

void CAddressList::prepareSearch()
{
    if (!m_doc->finder().isPrepared())
        m_doc->finder().prepare();
}

void CAddressList::applySearch()
{
    // The selection follows its contacts as far as they stay in sight.
    const std::vector<AddressRecord*> selected = selectedRecords();
    AddressRecord* current = m_model->record(currentIndex().row());
    m_searchWaits = false;
    if (m_query.empty()) {
        m_model->showAll();
    } else {
        // While the index is being built the rows stay as they are; searchReady() comes back.
        const std::optional<std::vector<AddressRecord*>> found =
            m_doc->finder().filterWhenReady(m_query, m_model->groupRecords());
        if (!found) {
            m_searchWaits = true;
            return;
        }
        m_model->showOnly(*found);
    }
    // Other rows under the old scroll position would show an arbitrary stretch of the result
    // (the end of it, after a scroll far down): it starts at its top, or at the user's contact.
    if (selected.empty() && !current) {
        scrollToTop();
        return;
    }
    const std::unordered_set<const AddressRecord*> wanted(selected.begin(), selected.end());
    QItemSelection selection;
    const int last = AddressListModel::ColumnCount - 1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        AddressRecord* record = m_model->record(row);
        if (record == current)
            selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                              QItemSelectionModel::NoUpdate);
        if (wanted.count(record))
            selection.merge(QItemSelection(m_model->index(row, 0), m_model->index(row, last)),
                            QItemSelectionModel::Select);
    }
    selectionModel()->select(selection, QItemSelectionModel::Select);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    else if (!selection.isEmpty())
        scrollToFirstSelected();
    else
        scrollToTop();
}

bool CAddressList::belongsToShownGroup(const AddressRecord* record) const
{
    return m_shownValid && (m_showsRoot || GroupName::equals(m_shownBytes, record->group()));
}

void CAddressList::AddRecordRow(AddressRecord* record, bool marked)
{
    if (record && belongsToShownGroup(record))
        m_model->appendRow(record, marked);
}

void CAddressList::AddRecordRows(const std::vector<AddressRecord*>& records, bool marked)
{
    std::vector<AddressRecord*> rows;
    rows.reserve(records.size());
    for (AddressRecord* r : records) {
        if (r && belongsToShownGroup(r))
            rows.push_back(r);
    }
    m_model->appendRows(rows, marked);
}

void CAddressList::UpdateRecordRow(int row, AddressRecord* record)
{
    if (row < 0 || row >= m_model->rowCount() || !record)
        return;
    if (!belongsToShownGroup(record))
        m_model->removeRow(row);
    else
        m_model->updateRow(row, record);
}

void CAddressList::onRecordsAdded(const std::vector<AddressRecord*>& records, bool marked)
{
    const int before = m_model->rowCount();
    if (records.size() == 1)
        AddRecordRow(records.front(), marked);
    else
        AddRecordRows(records, marked);
    const bool more = m_doc->addingToImport();
    if (m_model->rowCount() == before) {
        m_arrivalShown = m_arrivalShown && more;
        return;
    }
    const bool fromServer = m_doc->applyingSync();
    // The rows show first; their widths can wait.
    if (more || fromServer || std::size_t(m_model->rowCount() - before) > kWidenAtOnce) {
        m_widenAt = 0;
        m_widenLater->start(kWidenAfterMs);
    } else
        widenUnsizedColumns();
    // A sync's arrivals are not the user's doing: what the user selected and looks at stays.
    if (fromServer)
        return;
    if (!more || !m_arrivalShown) {
        showArrivedRows(before);
        m_arrivalShown = true;
        return;
    }
    // The next slice of an import: selected with the rows before it, the view staying where
    // the first of them put it.
    selectionModel()->select(
        QItemSelection(m_model->index(before, 0),
                       m_model->index(m_model->rowCount() - 1, AddressListModel::ColumnCount - 1)),
        QItemSelectionModel::Select);
}

void CAddressList::onRecordsMerged(const std::vector<AddressRecord*>& records)
{
    // The contact that others became part of is what the user looks for next: selected in its
    // place.
    const std::unordered_set<const AddressRecord*> wanted(records.begin(), records.end());
    QItemSelection rows;
    int first = -1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (!wanted.count(m_model->record(row)))
            continue;
        rows.select(m_model->index(row, 0), m_model->index(row, AddressListModel::ColumnCount - 1));
        if (first < 0)
            first = row;
    }
    if (first < 0)
        return;
    selectionModel()->setCurrentIndex(m_model->index(first, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    scrollTo(m_model->index(first, 0), QAbstractItemView::EnsureVisible);
}

void CAddressList::showArrivedRows(int first)
{
    // Whatever brought them (a new contact, an import, a copy, an undo), the user sees what
    // came: at the end of the list, so selected and in sight.
    const int last = m_model->rowCount() - 1;
    if (first > last)
        return;
    const QItemSelection rows(m_model->index(first, 0),
                              m_model->index(last, AddressListModel::ColumnCount - 1));
    selectionModel()->setCurrentIndex(m_model->index(first, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    scrollTo(m_model->index(last, 0), QAbstractItemView::EnsureVisible);
    scrollTo(m_model->index(first, 0), QAbstractItemView::EnsureVisible);
}

void CAddressList::widenUnsizedColumns()
{
    const ListViewSettings stored = ListViewSettings::load();
    for (int c = 0; c < AddressListModel::ColumnCount; ++c)
        widenUnsizedColumn(c, stored);
}

void CAddressList::widenUnsizedColumn(int column, const ListViewSettings& stored)
{
    // A column the user never sized fits what it shows, also when the rows came after it was
    // sized for an empty list.
    if (stored.widths[column] != ListViewSettings::NoWidth)
        return;
    QHeaderView* header = horizontalHeader();
    const int fitted = std::max(headerWidth(column), fittedWidth(column));
    if (fitted > header->sectionSize(column))
        header->resizeSection(column, fitted);
}

void CAddressList::widenSlice()
{
    // Column by column: measuring all of them after many rows is longer than a frame.
    const ListViewSettings stored = ListViewSettings::load();
    QElapsedTimer spent;
    spent.start();
    while (m_widenAt < AddressListModel::ColumnCount) {
        widenUnsizedColumn(m_widenAt++, stored);
        if (spent.elapsed() >= kWidenSliceMs && m_widenAt < AddressListModel::ColumnCount) {
            m_widenLater->start(0);
            return;
        }
    }
}

void CAddressList::onRecordsChanged(const std::vector<AddressRecord*>& records)
{
    // Rows shown or left out by the search alike; an edited row stays in sight.
    std::unordered_set<const AddressRecord*> staying;
    std::unordered_set<const AddressRecord*> leaving;
    for (const AddressRecord* record : records)
        (belongsToShownGroup(record) ? staying : leaving).insert(record);
    if (!leaving.empty())
        m_model->removeRecords(leaving);
    if (staying.empty())
        return;
    const std::unordered_set<const AddressRecord*> rewritten = m_model->updateRecords(staying);
    if (rewritten.size() == staying.size())
        return;
    // Contacts that came into the shown group (an undone move): rows of their own, in the
    // order the book gave them.
    std::vector<AddressRecord*> arrived;
    for (AddressRecord* record : records) {
        if (staying.count(record) && !rewritten.count(record))
            arrived.push_back(record);
    }
    const int before = m_model->rowCount();
    m_model->appendRows(arrived);
    widenUnsizedColumns();
    showArrivedRows(before);
}

void CAddressList::onGroupRenamed(const QString& oldName, const QString& newName)
{
    if (m_shownName == oldName)
        setShownGroup(newName);
    // The renamed contacts may be among the rows (their group, or the root, is shown).
    m_model->refreshColumn(5);
}

void CAddressList::DeleteSelectedRecords()
{
    const std::vector<int> rows = selectedRowList();
    if (rows.empty())
        return;
    std::unordered_set<const AddressRecord*> doomed;
    doomed.reserve(rows.size());
    for (int row : rows)
        doomed.insert(m_model->record(row));
    // The book tells us (onRecordsRemoving) which rows to drop before it destroys them; rows
    // whose record it did not hold leave the list here.
    m_doc->RemoveRecords(std::vector<const AddressRecord*>(doomed.begin(), doomed.end()));
    m_model->removeRecords(doomed);
}

void CAddressList::onRecordsRemoving(const std::vector<const AddressRecord*>& records)
{
    if (m_model->rowCount() == 0 || records.empty())
        return;
    std::unordered_set<const AddressRecord*> doomed(records.begin(), records.end());
    m_model->removeRecords(doomed);
}

void CAddressList::DeleteAllRows()
{
    m_fillSlices->stop();
    if (m_fillSort.valid())
        m_fillSort.get();
    m_filling.reset();
    m_fillRecords.clear();
    m_model->clear();
}

void CAddressList::ShowGroupInSlices(const QString& name)
{
    // Below this many rows the whole fill takes no noticeable time.
    constexpr std::size_t atOnce = 5000;
    std::vector<AddressRecord*> records = emptyForGroup(name);
    if (!m_shownValid)
        return;
    if (records.size() <= atOnce) {
        fillGroup(name);
        if (!m_sortAwaitsReadings)
            endPicture(true);
        return;
    }
    m_filling = std::make_unique<AddressListModel>(&m_doc->finder());
    m_filling->setNengaYear(m_model->nengaYear());
    m_fillRecords = std::move(records);
    m_fillAt = 0;
    m_keyAt = 0;
    m_fillSorted = false;
    m_fillSlices->setInterval(0);
    m_guessedWhileFilling = false;
    m_fillSlices->start();
}

void CAddressList::fillSlice()
{
    if (!m_filling) {
        m_fillSlices->stop();
        return;
    }
    constexpr std::size_t chunk = 500;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(8);
    while (m_fillAt < m_fillRecords.size() && std::chrono::steady_clock::now() < deadline) {
        const std::size_t n = std::min(chunk, m_fillRecords.size() - m_fillAt);
        m_filling->appendRows(
            std::vector<AddressRecord*>(m_fillRecords.begin() + std::ptrdiff_t(m_fillAt),
                                        m_fillRecords.begin() + std::ptrdiff_t(m_fillAt + n)));
        m_fillAt += n;
    }
    if (m_fillAt < m_fillRecords.size())
        return;
    // The sort by name needs a key per row: made here too, so that the sort itself is short.
    const int column = static_cast<int>(sortState & 0x0F);
    if ((column == 0 || column == AddressListModel::ReadingColumn) &&
        !m_filling->makeNameKeysUntil(m_keyAt, deadline))
        return;
    // The sort of a hundred thousand rows is longer than a frame: it runs aside, where nothing
    // else touches the rows made aside (FinishFilling and DeleteAllRows wait for it).
    if (!m_fillSorted && column < AddressListModel::ColumnCount) {
        if (!m_fillSort.valid()) {
            m_fillSort =
                std::async(std::launch::async, [model = m_filling.get(), column,
                                                ascending = (sortState & kAscending) != 0] {
                    model->sortRows(column, ascending, true);
                });
            m_fillSlices->setInterval(1);
            return;
        }
        if (m_fillSort.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        m_fillSort.get();
        m_fillSorted = true;
    }
    FinishFilling();
}

void CAddressList::FinishFilling()
{
    if (!m_filling)
        return;
    m_fillSlices->stop();
    if (m_fillSort.valid()) {
        m_fillSort.get();
        m_fillSorted = true;
    }
    if (m_fillAt < m_fillRecords.size())
        m_filling->appendRows(std::vector<AddressRecord*>(
            m_fillRecords.begin() + std::ptrdiff_t(m_fillAt), m_fillRecords.end()));
    const std::unique_ptr<AddressListModel> filled = std::move(m_filling);
    m_fillRecords.clear();
    m_model->takeRows(*filled);
    // Measuring every column over this many rows is longer than a frame: column by column.
    m_widenAt = 0;
    m_widenLater->start(0);
    // Guesses that came meanwhile reached only the rows made after them; the sort waits for
    // them to reach the others too (taken first: the sort state tells what it waits for).
    if (m_guessedWhileFilling)
        onReadingsGuessed();
    if (m_fillSorted)
        showSortState();
    else
        SortByColumn(99);
    if (!m_query.empty())
        applySearch();
    // Rows still to be sorted by readings on the way would come in another order than the
    // picture's: it stays until they are.
    if (!m_sortAwaitsReadings)
        endPicture(true);
}

void CAddressList::ApplyColumnWidths()
{
    const ListViewSettings stored = ListViewSettings::load();
    setUpdatesEnabled(false);
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < AddressListModel::ColumnCount; ++c) {
        if (stored.widths[c] != ListViewSettings::NoWidth)
            header->resizeSection(c, stored.widths[c]);
        else
            header->resizeSection(c, std::max(headerWidth(c), fittedWidth(c)));
    }
    setUpdatesEnabled(true);
}

void CAddressList::setReadingColumnShown(bool shown)
{
    setColumnHidden(AddressListModel::ReadingColumn, !shown);
    ListViewSettings::saveReadingColumn(shown);
    if (shown && ListViewSettings::load().widths[AddressListModel::ReadingColumn] ==
                     ListViewSettings::NoWidth)
        horizontalHeader()->resizeSection(AddressListModel::ReadingColumn,
                                          std::max(headerWidth(AddressListModel::ReadingColumn),
                                                   fittedWidth(AddressListModel::ReadingColumn)));
}

void CAddressList::setAddresseeColumnsShown(bool shown)
{
    const ListViewSettings stored = ListViewSettings::load();
    for (int c = AddressListModel::FirstAddresseeColumn; c < AddressListModel::ColumnCount; ++c) {
        setColumnHidden(c, !shown);
        if (shown && stored.widths[c] == ListViewSettings::NoWidth)
            horizontalHeader()->resizeSection(c, std::max(headerWidth(c), fittedWidth(c)));
    }
    ListViewSettings::saveAddresseeColumns(shown);
}

bool CAddressList::addresseeColumnsShown() const
{
    return !isColumnHidden(AddressListModel::FirstAddresseeColumn);
}

bool CAddressList::readingColumnShown() const
{
    return !isColumnHidden(AddressListModel::ReadingColumn);
}

int CAddressList::headerWidth(int column) const
{
    const QHeaderView* header = horizontalHeader();
    int width = header->sectionSizeHint(column);
    if (!header->isSortIndicatorShown() || header->sortIndicatorSection() != column)
        width += style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) +
                 style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return width;
}

int CAddressList::fittedWidth(int column) const
{
    int row = -1;
    const int w = m_model->widestCell(column, fontMetrics(), &row);
    const int fitted = w + kCellPadding + (column == 0 ? kIconRoom : 0);
    if (row < 0)
        return fitted;
    // The style's own margins around text and picture may need a few pixels more.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex index = m_model->index(row, column);
    return std::max(fitted, itemDelegateForIndex(index)->sizeHint(option, index).width() + 2);
}

void CAddressList::onDividerDoubleClicked(int column)
{
    const Qt::MouseButton button = m_headerDblClickButton;
    m_headerDblClickButton = Qt::NoButton;
    if (button != Qt::LeftButton || column < 0 || column >= AddressListModel::ColumnCount)
        return;
    const int width = fittedWidth(column);
    horizontalHeader()->resizeSection(column, width);
    ListViewSettings::saveWidth(column, width);
}

bool CAddressList::eventFilter(QObject* watched, QEvent* event)
{
    if (m_pictureView && watched == m_pictureView->viewport() && event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Told once the paint is done and on its way to the screen.
        QTimer::singleShot(0, this, &CAddressList::picturePainted);
    }
    if (watched == horizontalHeader()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_headerPressed = true;
            m_resizedSection = -1;
            break;
        case QEvent::MouseButtonDblClick:
            m_headerDblClickButton = static_cast<QMouseEvent*>(event)->button();
            m_headerPressed = true;
            m_resizedSection = -1;
            break;
        case QEvent::MouseButtonRelease:
            if (m_resizedSection >= 0)
                ListViewSettings::saveWidth(m_resizedSection,
                                            horizontalHeader()->sectionSize(m_resizedSection));
            m_headerPressed = false;
            m_resizedSection = -1;
            break;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void CAddressList::SortByColumn(int column)
{
    const int current = static_cast<int>(sortState & 0x0F);
    bool ascending = true;
    if (column == 99) {
        column = current;
        ascending = (sortState & kAscending) != 0;
    } else {
        endPicture(false); // another order than the picture's
        if (column == current)
            ascending = (sortState & kAscending) == 0;
    }
    if (column < 0 || column >= AddressListModel::ColumnCount) {
        // A stored value naming no column: sort by nothing, mark nothing.
        return;
    }
    sortState = static_cast<quint32>(column) + (ascending ? kAscending : kDescending);
    m_model->sortRows(column, ascending);
    showSortState();
}

void CAddressList::showSortState()
{
    const int column = static_cast<int>(sortState & 0x0F);
    const bool ascending = (sortState & kAscending) != 0;
    m_sortAwaitsReadings = (m_doc->finder().isGuessing() || m_readingsStale) &&
                           (column == 0 || column == AddressListModel::ReadingColumn);

    QHeaderView* header = horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, ascending ? kUpArrow : kDownArrow);
    markedColumn = column;
    scrollToFirstSelected();
}

void CAddressList::onReadingsGuessed()
{
    if (m_filling) {
        m_guessedWhileFilling = true;
        return;
    }
    m_readingsStale = true;
    m_readingAt = 0;
    m_readingSlices->start();
}

void CAddressList::refreshReadingsSlice()
{
    // A whole book's readings take longer than a frame: the window answers between slices.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(8);
    if (!m_model->refreshReadingsUntil(m_readingAt, deadline)) {
        m_readingSlices->start();
        return;
    }
    m_readingsStale = false;
    if (m_sortAwaitsReadings && !m_doc->finder().isGuessing()) {
        sortAgainKeepingView();
        endPicture(true);
    }
}

void CAddressList::FinishReadings()
{
    FinishFilling();
    if (!m_readingsStale)
        return;
    m_readingSlices->stop();
    refreshReadingsSlice();
    if (m_readingsStale) {
        m_model->refreshReadingsUntil(m_readingAt, std::chrono::steady_clock::time_point::max());
        m_readingSlices->stop();
        m_readingsStale = false;
        if (m_sortAwaitsReadings && !m_doc->finder().isGuessing())
            sortAgainKeepingView();
    }
}

void CAddressList::sortAgainKeepingView()
{
    m_sortAwaitsReadings = false;
    // The row the user looks at stays where it is: the current one when in sight, else the top.
    const int height = verticalHeader()->defaultSectionSize();
    int anchorRow = currentIndex().row();
    if (anchorRow < 0 || rowViewportPosition(anchorRow) < 0 ||
        rowViewportPosition(anchorRow) + height > viewport()->height())
        anchorRow = rowAt(0);
    QScrollBar* bar = verticalScrollBar();
    // At the top with nobody chosen in sight, the user sees the list's beginning: it stays so,
    // rather than following the row that came first into the middle of the list.
    const bool fromTop = anchorRow != currentIndex().row() && bar->value() == bar->minimum();
    const AddressRecord* anchor = fromTop ? nullptr : m_model->record(anchorRow);
    const int place = anchor ? rowViewportPosition(anchorRow) : 0;
    // Rows of one name as they came, not as the sort before the readings left them: so the
    // order is the same at every start, whenever the readings came.
    const int column = static_cast<int>(sortState & 0x0F);
    m_model->sortRows(column, (sortState & kAscending) != 0, true);
    const int row = anchor ? m_model->rowOf(anchor) : -1;
    if (row < 0 || height <= 0)
        return;
    const int moved = rowViewportPosition(row) - place;
    bar->setValue(bar->value() + (verticalScrollMode() == QAbstractItemView::ScrollPerItem
                                      ? moved / height
                                      : moved));
}

void CAddressList::scrollToFirstSelected()
{
    const std::vector<int> rows = selectedRowList();
    if (!rows.empty())
        scrollTo(m_model->index(rows.front(), 0), QAbstractItemView::EnsureVisible);
}

std::vector<int> CAddressList::selectedRowList() const
{
    std::vector<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

AddressRecord* CAddressList::GetSelectedRecord() const
{
    const std::vector<int> rows = selectedRowList();
    return rows.empty() ? nullptr : m_model->record(rows.front());
}

int CAddressList::GetFocusedSelectedRow() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), {}))
        return -1;
    return current.row();
}

int CAddressList::GetSelectedCount() const
{
    return static_cast<int>(selectedRowList().size());
}

int CAddressList::CountRecordsInGroup(const QString& group) const
{
    if (group.isEmpty())
        return m_model->rowCount();
    return static_cast<int>(m_doc->CountGroupRecords(group));
}

void CAddressList::ClearIfGroupShown(const QString& group)
{
    const auto name = Text::toCp932(group);
    if (m_shownValid && name && GroupName::equals(m_shownBytes, *name))
        DeleteAllRows();
}

AddressRecord* CAddressList::recordAt(int row) const
{
    return m_model->record(row);
}

bool CAddressList::isRowMarked(int row) const
{
    return m_model->isMarked(row);
}

std::vector<AddressRecord*> CAddressList::selectedRecords() const
{
    std::vector<AddressRecord*> records;
    for (int row : selectedRowList())
        records.push_back(m_model->record(row));
    return records;
}

std::string CAddressList::JoinSelectedMailAddresses(bool office) const
{
    const std::vector<AddressRecord*> selected = selectedRecords();
    return ClipboardText::JoinMailAddresses(
        std::vector<const AddressRecord*>(selected.begin(), selected.end()), office);
}

std::string CAddressList::FormatSelectedInfo(int format) const
{
    const AddressRecord* record = GetSelectedRecord();
    if (!record)
        return {};
    return ClipboardText::FormatInfo(
        *record, format == ClipboardText::Office ? ClipboardText::Office : ClipboardText::Personal);
}

QMenu* CAddressList::createContextMenu(QWidget* parent)
{
    QMenu* menu = CommandMenu::create(parent);
    CommandMenu::add(menu, m_commands, ListText::MenuEdit, ID_EDIT_CONTACT);
    CommandMenu::add(menu, m_commands, ListText::MenuDelete, ID_DELETE);
    menu->addSeparator();
    QMenu* clip = menu->addMenu(ListText::MenuClipboard);
    CommandMenu::add(clip, m_commands, ListText::MenuCopyMail, ID_COPY_MAIL);
    CommandMenu::add(clip, m_commands, ListText::MenuCopyOfficeMail, ID_COPY_OFFICE_MAIL);
    CommandMenu::add(clip, m_commands, ListText::MenuCopyPersonal, ID_COPY_PERSONAL_INFO);
    CommandMenu::add(clip, m_commands, ListText::MenuCopyOffice, ID_COPY_OFFICE_INFO);
    CommandMenu::add(menu, m_commands, ListText::MenuNewMail, ID_NEW_MAIL);
    menu->addSeparator();
    addGroupMenus(menu);
    menu->addSeparator();
    CommandMenu::add(menu, m_commands, ListText::MenuPrint, ID_PRINT_ADDRESSES);
    return menu;
}

void CAddressList::addGroupMenus(QMenu* menu)
{
    auto groups = [doc = m_doc] { return doc->groupNames(); };
    // Moving into the group shown would change nothing; a copy there is a copy all the same.
    CommandMenu::addGroupMenu(
        menu, m_commands, ListText::MenuMoveToGroup, ID_MOVE_TO_GROUP, groups,
        [this](const QString& name) { return m_showsRoot || name != m_shownName; });
    CommandMenu::addGroupMenu(menu, m_commands, ListText::MenuCopyToGroup, ID_COPY_TO_GROUP,
                              groups);
}

void CAddressList::setDragCursor(int id)
{
    const QCursor& cursor =
        id == IDC_DRAG_MOVE ? m_cursorMove : (id == IDC_DRAG_COPY ? m_cursorCopy : m_cursorNone);
    if (m_dragCursorId == 0)
        QApplication::setOverrideCursor(cursor);
    else if (m_dragCursorId != id)
        QApplication::changeOverrideCursor(cursor);
    m_dragCursorId = id;
}

void CAddressList::endDrag()
{
    m_dragMove = false;
    m_dragCopy = false;
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
    if (m_dropTarget)
        m_dropTarget->ClearDropTarget();
    if (m_dragCursorId != 0) {
        QApplication::restoreOverrideCursor();
        m_dragCursorId = 0;
    }
}

bool CAddressList::dragTargetValid(const QPoint& globalPos)
{
    // The tree is asked only while the pointer is over it; elsewhere its highlight stays.
    return m_dropTarget && m_dropTarget->containsGlobalPoint(globalPos) &&
           m_dropTarget->HitTestDropTarget(globalPos, true) == GroupDropTarget::Group;
}

void CAddressList::mousePressEvent(QMouseEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (event->button() == Qt::RightButton) {
        if (m_dragMove || m_dragCopy)
            endDrag();
        if (!(mods & Qt::ControlModifier)) {
            // The press selects like a left press at the same point would.
            QMouseEvent left(QEvent::MouseButtonPress, event->position(), event->scenePosition(),
                             event->globalPosition(), Qt::LeftButton, Qt::LeftButton, mods);
            QTableView::mousePressEvent(&left);
            setState(QAbstractItemView::NoState);
        }
        QMenu* menu = createContextMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && (mods & (Qt::ShiftModifier | Qt::ControlModifier))) {
        if (!m_showsRoot) {
            const int row = indexAt(event->position().toPoint()).row();
            if (row >= 0 && GetSelectedCount() > 0 && currentIndex().row() == row) {
                m_dragMove = (mods & Qt::ShiftModifier) != 0;
                m_dragCopy = !m_dragMove;
                viewport()->grabMouse();
                setDragCursor(IDC_DRAG_NONE);
                event->accept();
                return;
            }
        }
    }
    QTableView::mousePressEvent(event);
}

void CAddressList::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragMove || m_dragCopy) {
        const bool valid = dragTargetValid(event->globalPosition().toPoint());
        setDragCursor(valid ? (m_dragCopy ? IDC_DRAG_COPY : IDC_DRAG_MOVE) : IDC_DRAG_NONE);
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void CAddressList::mouseReleaseEvent(QMouseEvent* event)
{
    if ((m_dragMove || m_dragCopy) && event->button() == Qt::LeftButton) {
        if (QWidget::mouseGrabber() == viewport())
            viewport()->releaseMouse();
        if (dragTargetValid(event->globalPosition().toPoint()))
            drop();
        endDrag();
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void CAddressList::drop()
{
    const QString target = m_dropTarget ? m_dropTarget->dropTargetGroup() : QString();
    if (target.isEmpty() || !m_doc->writable())
        return;
    const std::vector<AddressRecord*> records = selectedRecords();
    if (m_dragCopy)
        m_doc->CopyToGroup(std::vector<const AddressRecord*>(records.begin(), records.end()),
                           target);
    else
        m_doc->MoveToGroup(records, target);
}

void CAddressList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_commands) {
        if (event->modifiers() & Qt::ShiftModifier) {
            if (m_newMailOnShiftDoubleClick && GetSelectedCount() > 0)
                m_commands->post(ID_NEW_MAIL);
        } else if (GetSelectedCount() == 1) {
            m_commands->post(ID_EDIT_CONTACT);
        }
    }
    // The view would turn a modified double-click into a second press, which starts a drag.
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void CAddressList::keyPressEvent(QKeyEvent* event)
{
    // Rows under the picture may stand in another order: nothing is chosen blind.
    if (m_pictureView) {
        event->ignore();
        return;
    }
    // Return opens the contact, as a double-click does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_commands) {
        m_commands->post(ID_EDIT_CONTACT);
        event->accept();
        return;
    }
    // The menu key of keyboards that lack one.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
        contextMenuEvent(&menuEvent);
        return;
    }
    QTableView::keyPressEvent(event);
}

void CAddressList::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // The mouse opened it already, at the press.
    if (event->reason() == QContextMenuEvent::Mouse)
        return;
    // From the keyboard: under the focused row, or at the top of the list without one.
    QPoint at(0, 0);
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
        scrollTo(current);
        const QRect row = visualRect(m_model->index(current.row(), 0));
        at = QPoint(row.left() + row.height(), row.bottom());
    }
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(viewport()->mapToGlobal(at));
}

void CAddressList::focusOutEvent(QFocusEvent* event)
{
    // Losing the mouse to another window ends a drag without a drop.
    if ((m_dragMove || m_dragCopy) &&
        (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason))
        endDrag();
    QTableView::focusOutEvent(event);
}

bool CAddressList::event(QEvent* event)
{
    if ((m_dragMove || m_dragCopy) && event->type() == QEvent::WindowDeactivate)
        endDrag();
    return QTableView::event(event);
}

void CAddressList::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    if (m_pictureView)
        m_pictureView->setGeometry(rect());
}

StartPicture CAddressList::TakePicture() const
{
    // The rows in sight, and no more than a tall screen holds.
    constexpr int mostRows = 200;
    StartPicture picture;
    picture.sort = sortState;
    picture.totalRows = static_cast<std::uint32_t>(m_model->rowCount());
    for (int c = 0; c < AddressListModel::ColumnCount; ++c)
        picture.widths.push_back(isColumnHidden(c) ? 0 : columnWidth(c));
    picture.verticalScroll = verticalScrollBar()->value();
    picture.horizontalScroll = horizontalScrollBar()->value();
    picture.currentRow = currentIndex().isValid() ? currentIndex().row() : -1;
    if (picture.totalRows == 0)
        return picture;
    const int first = std::max(rowAt(0), 0);
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = m_model->rowCount() - 1;
    last = std::min(last, first + mostRows - 1);
    picture.firstRow = static_cast<std::uint32_t>(first);
    for (int r = first; r <= last; ++r) {
        std::vector<std::string>& row = picture.rows.emplace_back();
        for (int c = 0; c < AddressListModel::ColumnCount; ++c)
            row.push_back(m_model->index(r, c).data().toString().toStdString());
    }
    for (int r : selectedRowList())
        picture.selected.push_back(static_cast<std::uint32_t>(r));
    picture.pixels = StartPictureView::pixelsOf(*this);
    return picture;
}

bool CAddressList::ShowPicture(StartPicture picture)
{
    if (picture.sort != sortState || picture.totalRows == 0 || m_model->rowCount() != 0 ||
        picture.widths.size() != std::size_t(AddressListModel::ColumnCount))
        return false;
    for (int c = 0; c < AddressListModel::ColumnCount; ++c) {
        if ((picture.widths[std::size_t(c)] <= 0) != isColumnHidden(c))
            return false;
    }
    endPicture(false);
    // The real columns take the picture's widths, so that the rows arrive where they were.
    auto* view = new StartPictureView(this);
    m_pictureView = view;
    // Rows set up before the model brings them: each setting would walk every row again.
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    view->setModel(new StartPictureModel(picture, m_model, view));
    view->setFocusPolicy(Qt::NoFocus);
    // It takes the clicks itself: the rows below may stand in another order.
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(showGrid());
    view->setWordWrap(false);
    view->setTextElideMode(textElideMode());
    view->setIconSize(iconSize());
    view->setCornerButtonEnabled(false);
    view->setHorizontalScrollMode(horizontalScrollMode());
    view->setVerticalScrollMode(verticalScrollMode());
    SelectionPalette::keepSelectionVisible(view);
    QHeaderView* header = view->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    header->setDefaultAlignment(horizontalHeader()->defaultAlignment());
    header->setSortIndicatorShown(true);
    header->setSortIndicator(int(sortState & 0x0F),
                             (sortState & kAscending) != 0 ? kUpArrow : kDownArrow);
    for (int c = 0; c < AddressListModel::ColumnCount; ++c) {
        const int width = picture.widths[std::size_t(c)];
        view->setColumnHidden(c, width <= 0);
        if (width > 0) {
            view->setColumnWidth(c, width);
            setColumnWidth(c, width);
        }
    }
    QItemSelection selection;
    for (std::uint32_t row : picture.selected)
        selection.select(view->model()->index(int(row), 0),
                         view->model()->index(int(row), AddressListModel::ColumnCount - 1));
    view->selectionModel()->select(selection, QItemSelectionModel::Select);
    // The view lays itself out when shown; until then its bars have no range to hold a value.
    view->verticalScrollBar()->setRange(0, std::max(picture.verticalScroll, 0));
    view->verticalScrollBar()->setValue(picture.verticalScroll);
    view->horizontalScrollBar()->setRange(0, std::max(picture.horizontalScroll, 0));
    view->horizontalScrollBar()->setValue(picture.horizontalScroll);
    view->setPixels(std::exchange(picture.pixels, {}), StartPictureView::lookOf(*this),
                    picture.verticalScroll, picture.horizontalScroll);
    view->setGeometry(rect());
    view->viewport()->installEventFilter(this);
    view->show();
    m_picture = std::make_unique<StartPicture>(std::move(picture));
    return true;
}

const QAbstractItemModel* CAddressList::pictureModel() const
{
    return m_pictureView ? m_pictureView->model() : nullptr;
}

void CAddressList::endPicture(bool restore)
{
    if (!m_picture)
        return;
    const std::unique_ptr<StartPicture> picture = std::move(m_picture);
    // Its viewport's last events (while the view is half destroyed) must not reach the filter,
    // which would ask the view for its viewport.
    QTableView* view = std::exchange(m_pictureView, nullptr);
    if (view)
        view->viewport()->removeEventFilter(this);
    delete view;
    if (!restore || m_model->rowCount() != int(picture->totalRows))
        return;
    for (std::size_t i = 0; i < picture->rows.size(); ++i) {
        const int row = int(picture->firstRow + i);
        for (int c = 0; c < AddressListModel::ColumnCount; ++c) {
            if (m_model->index(row, c).data().toString().toStdString() != picture->rows[i][c])
                return; // other rows than it showed: the list starts as any list does
        }
    }
    QItemSelection selection;
    for (std::uint32_t row : picture->selected)
        selection.select(m_model->index(int(row), 0),
                         m_model->index(int(row), AddressListModel::ColumnCount - 1));
    if (picture->currentRow >= 0)
        selectionModel()->setCurrentIndex(m_model->index(picture->currentRow, 0),
                                          QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(bar->maximum(), picture->verticalScroll));
    bar->setValue(picture->verticalScroll);
    bar = horizontalScrollBar();
    bar->setRange(0, std::max(bar->maximum(), picture->horizontalScroll));
    bar->setValue(picture->horizontalScroll);
}
