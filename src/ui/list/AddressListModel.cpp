#include "AddressListModel.h"

#include "ListText.h"
#include "core/ContactFinder.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/ExtrasText.h"
#include "model/book/RecordText.h"
#include "model/search/SortCompare.h"
#include "model/text/Cp932.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <numeric>
#include <unordered_set>

namespace {

// UTF-8 cut at a character boundary.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n);
}

} // namespace

int AddressListModel::fieldOf(int column)
{
    static constexpr std::array<int, ColumnCount> fields{AddressRecord::Name,
                                                         AddressRecord::Email,
                                                         AddressRecord::Phone,
                                                         AddressRecord::Company,
                                                         AddressRecord::OfficePhone,
                                                         AddressRecord::Group,
                                                         -1,
                                                         -1,
                                                         -1,
                                                         -1,
                                                         -1,
                                                         -1};
    return fields[static_cast<std::size_t>(column)];
}

AddressListModel::AddressListModel(const ContactFinder* finder, QObject* parent)
    : QAbstractTableModel(parent), m_finder(finder),
      m_plainIcon(QStringLiteral(":/icons/row_envelope.svg")),
      m_markedIcon(QStringLiteral(":/icons/row_sheets.svg"))
{
}

int AddressListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int AddressListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

std::string_view AddressListModel::cellOf(const Row& row, int column) const
{
    const auto c = static_cast<std::size_t>(column);
    const std::size_t begin = c == 0 ? 0 : row.end[c - 1];
    return std::string_view(m_text).substr(row.begin + begin, row.end[c] - begin);
}

QString AddressListModel::textOf(const Row& row, int column) const
{
    const std::string_view text = cellOf(row, column);
    if (column >= ReadingColumn)
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // 𠮷田: the cell holds 〓田, the contact's extras the whole name.
    if (row.record->extras() && !RecordText::fullText(*row.record, fieldOf(column)).empty())
        return Text::field(*row.record, fieldOf(column));
    return Text::fromCp932(text);
}

QVariant AddressListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = shownRow(index.row());
    const bool guess = index.column() == ReadingColumn && row.guessed;
    switch (role) {
    case Qt::DisplayRole:
        return textOf(row, index.column());
    case Qt::ToolTipRole:
        return guess ? ListText::GuessedReadingTip.arg(textOf(row, index.column()))
                     : textOf(row, index.column());
    case Qt::ForegroundRole:
        // A guess looks like one: the colour of a field's hint.
        if (guess)
            return QGuiApplication::palette().brush(QPalette::PlaceholderText);
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0)
            return row.marked ? m_markedIcon : m_plainIcon;
        return {};
    case Qt::UserRole:
        return QVariant::fromValue(static_cast<void*>(row.record));
    default:
        return {};
    }
}

QVariant AddressListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        if (section == NengaColumn)
            return ListText::Header11.arg(m_nengaYear);
        static const std::array<const QString*, ColumnCount - 1> headers{
            &ListText::Header0, &ListText::Header1, &ListText::Header2, &ListText::Header3,
            &ListText::Header4, &ListText::Header5, &ListText::Header6, &ListText::Header7,
            &ListText::Header8, &ListText::Header9, &ListText::Header10};
        return *headers[static_cast<std::size_t>(section)];
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags AddressListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void AddressListModel::storeCells(Row& row, const std::array<std::string_view, ColumnCount>& cells)
{
    m_garbage += rowBytes(row);
    row.begin = static_cast<std::uint32_t>(m_text.size());
    std::size_t at = 0;
    for (std::size_t c = 0; c < ColumnCount; ++c) {
        m_text.append(cells[c]);
        at += cells[c].size();
        row.end[c] = static_cast<std::uint16_t>(at);
    }
}

void AddressListModel::fillRow(Row& row, const AddressRecord* record)
{
    std::array<std::string_view, ColumnCount> cells;
    for (int c = 0; c < ReadingColumn; ++c)
        cells[static_cast<std::size_t>(c)] =
            Cp932::cutAtBoundary(record->field(fieldOf(c)), MaxCellBytes);
    ContactFinder::Reading reading;
    if (m_finder)
        reading = m_finder->readingOf(record->name());
    cells[ReadingColumn] = cutUtf8(reading.text, MaxCellBytes);
    row.guessed = reading.guessed;
    dropNameKey(row);
    // The 宛名 columns: most contacts have no extras, and then nothing is built.
    std::array<std::string, ColumnCount - FirstAddresseeColumn> extra;
    if (const ContactExtras* x = record->extras()) {
        extra[0] = x->honorific;
        for (const auto& j : x->jointNames) {
            if (!extra[1].empty())
                extra[1] += ListText::JointSeparator.toStdString();
            extra[1] += j.name;
        }
        extra[2] = x->title;
        extra[3] = x->department;
        extra[4] = ExtrasText::nengaWords(*x, m_nengaYear);
    }
    for (std::size_t c = 0; c < extra.size(); ++c)
        cells[FirstAddresseeColumn + c] = cutUtf8(extra[c], MaxCellBytes);
    storeCells(row, cells);
}

void AddressListModel::setCell(Row& row, int column, std::string_view text)
{
    // The old cells live in the arena the new ones are appended to: copy them out first.
    std::string copy;
    std::array<std::string_view, ColumnCount> cells;
    std::array<std::size_t, ColumnCount + 1> at{};
    for (std::size_t c = 0; c < ColumnCount; ++c) {
        const std::string_view cellText =
            static_cast<int>(c) != column ? cellOf(row, static_cast<int>(c))
            : column >= ReadingColumn     ? cutUtf8(text, MaxCellBytes)
                                          : Cp932::cutAtBoundary(text, MaxCellBytes);
        copy.append(cellText);
        at[c + 1] = copy.size();
    }
    for (std::size_t c = 0; c < ColumnCount; ++c)
        cells[c] = std::string_view(copy).substr(at[c], at[c + 1] - at[c]);
    storeCells(row, cells);
    if (column == 0 || column == ReadingColumn)
        dropNameKey(row);
}

void AddressListModel::setReading(Row& row)
{
    ContactFinder::Reading reading;
    if (m_finder)
        reading = m_finder->readingOf(row.record->name());
    // The finder's text may change with the next reading: copied here at once.
    setCell(row, ReadingColumn, reading.text);
    row.guessed = reading.guessed;
}

void AddressListModel::makeNameKey(Row& row)
{
    if (row.keyLength != 0)
        return;
    const std::string key = SortCompare::nameKey(cellOf(row, ReadingColumn), cellOf(row, 0));
    row.keyBegin = static_cast<std::uint32_t>(m_keys.size());
    row.keyLength = static_cast<std::uint32_t>(key.size());
    m_keys += key;
}

void AddressListModel::dropNameKey(Row& row)
{
    m_keyGarbage += row.keyLength;
    row.keyLength = 0;
}

void AddressListModel::compactIfWasteful()
{
    if (m_garbage < 64 * 1024 || m_garbage < m_text.size() / 2)
        return;
    std::string text;
    text.reserve(m_text.size() - m_garbage);
    for (Row& r : m_rows) {
        const std::uint32_t begin = static_cast<std::uint32_t>(text.size());
        text.append(m_text, r.begin, rowBytes(r));
        r.begin = begin;
    }
    m_text = std::move(text);
    m_garbage = 0;
}

int AddressListModel::shownRowOf(std::size_t groupRow) const
{
    const auto at = std::lower_bound(m_shown.begin(), m_shown.end(), groupRow);
    if (at == m_shown.end() || *at != groupRow)
        return -1;
    return static_cast<int>(at - m_shown.begin());
}

void AddressListModel::emitRowsChanged(const std::vector<std::size_t>& groupRows, int firstColumn,
                                       int lastColumn)
{
    int first = -1;
    int last = -1;
    for (std::size_t g : groupRows) {
        const int row = shownRowOf(g);
        if (row < 0)
            continue;
        first = first < 0 ? row : std::min(first, row);
        last = std::max(last, row);
    }
    if (first >= 0)
        emit dataChanged(index(first, firstColumn), index(last, lastColumn));
}

void AddressListModel::appendRow(AddressRecord* record, bool marked)
{
    const int at = rowCount();
    beginInsertRows({}, at, at);
    Row row;
    row.record = record;
    row.marked = marked;
    row.arrival = m_arrivals++;
    fillRow(row, record);
    m_rows.push_back(std::move(row));
    m_shown.push_back(static_cast<std::uint32_t>(m_rows.size() - 1));
    endInsertRows();
}

void AddressListModel::appendRows(const std::vector<AddressRecord*>& records, bool marked)
{
    if (records.empty())
        return;
    const int at = rowCount();
    // Into an empty list a reset is cheaper for the views than an insertion of many rows.
    const bool reset = at == 0;
    if (reset)
        beginResetModel();
    else
        beginInsertRows({}, at, at + static_cast<int>(records.size()) - 1);
    // Rows come a slice at a time (an import): room for more than this slice, or each slice
    // would move every row.
    const auto grow = [](auto& v, std::size_t more) {
        if (v.capacity() < v.size() + more)
            v.reserve(std::max(v.size() + more, v.capacity() + v.capacity() / 4));
    };
    grow(m_rows, records.size());
    grow(m_shown, records.size());
    for (AddressRecord* record : records) {
        Row row;
        row.record = record;
        row.marked = marked;
        row.arrival = m_arrivals++;
        fillRow(row, record);
        m_rows.push_back(std::move(row));
        m_shown.push_back(static_cast<std::uint32_t>(m_rows.size() - 1));
    }
    if (reset)
        endResetModel();
    else
        endInsertRows();
}

void AddressListModel::updateRow(int row, AddressRecord* record)
{
    if (row < 0 || row >= rowCount())
        return;
    Row& r = m_rows[m_shown[static_cast<std::size_t>(row)]];
    r.record = record;
    r.marked = false;
    fillRow(r, record);
    compactIfWasteful();
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

std::unordered_set<const AddressRecord*>
AddressListModel::updateRecords(const std::unordered_set<const AddressRecord*>& records)
{
    std::vector<std::size_t> changed;
    std::unordered_set<const AddressRecord*> found;
    for (std::size_t g = 0; g < m_rows.size(); ++g) {
        Row& r = m_rows[g];
        if (!records.count(r.record))
            continue;
        r.marked = false;
        fillRow(r, r.record);
        changed.push_back(g);
        found.insert(r.record);
    }
    compactIfWasteful();
    emitRowsChanged(changed, 0, ColumnCount - 1);
    return found;
}

template <typename Pred> void AddressListModel::eraseHidden(Pred doomed)
{
    std::vector<std::uint32_t> newPlace(m_rows.size());
    std::size_t kept = 0;
    for (std::size_t g = 0; g < m_rows.size(); ++g) {
        if (doomed(g)) {
            m_garbage += rowBytes(m_rows[g]);
            m_keyGarbage += m_rows[g].keyLength;
            continue;
        }
        newPlace[g] = static_cast<std::uint32_t>(kept);
        m_rows[kept++] = std::move(m_rows[g]);
    }
    m_rows.resize(kept);
    for (std::uint32_t& g : m_shown)
        g = newPlace[g];
}

void AddressListModel::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const std::size_t groupRow = m_shown[static_cast<std::size_t>(row)];
    beginRemoveRows({}, row, row);
    m_shown.erase(m_shown.begin() + row);
    endRemoveRows();
    eraseHidden([groupRow](std::size_t g) { return g == groupRow; });
}

std::size_t AddressListModel::removeRecords(const std::unordered_set<const AddressRecord*>& records)
{
    std::size_t removed = 0;
    for (const Row& r : m_rows)
        removed += records.count(r.record);
    if (removed == 0)
        return 0;
    auto doomed = [&](std::size_t g) { return records.count(m_rows[g].record) != 0; };
    // Contiguous runs of shown rows, from the bottom, so that the view keeps the selection of
    // the other rows; beyond a few runs one pass over the vectors is cheaper than run by run.
    std::vector<std::pair<int, int>> runs;
    for (int i = rowCount() - 1; i >= 0; --i) {
        if (!doomed(m_shown[static_cast<std::size_t>(i)]))
            continue;
        if (!runs.empty() && runs.back().first == i + 1)
            runs.back().first = i;
        else
            runs.emplace_back(i, i);
    }
    if (runs.size() <= 32) {
        for (const auto& [first, last] : runs) {
            beginRemoveRows({}, first, last);
            m_shown.erase(m_shown.begin() + first, m_shown.begin() + last + 1);
            endRemoveRows();
        }
        // What is left shows the same rows: no view needs to hear of it.
        eraseHidden(doomed);
    } else {
        beginResetModel();
        std::erase_if(m_shown, doomed);
        eraseHidden(doomed);
        endResetModel();
    }
    return removed;
}

void AddressListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_shown.clear();
    // The arena keeps its capacity for the next fill.
    m_text.clear();
    m_garbage = 0;
    m_keys.clear();
    m_keyGarbage = 0;
    endResetModel();
}

void AddressListModel::takeRows(AddressListModel& other)
{
    beginResetModel();
    m_rows = std::move(other.m_rows);
    m_shown = std::move(other.m_shown);
    m_text.swap(other.m_text);
    m_garbage = other.m_garbage;
    m_keys.swap(other.m_keys);
    m_keyGarbage = other.m_keyGarbage;
    m_arrivals = other.m_arrivals;
    endResetModel();
    other.m_rows.clear();
    other.m_shown.clear();
    other.m_text.clear();
    other.m_keys.clear();
    other.m_garbage = other.m_keyGarbage = 0;
}

bool AddressListModel::makeNameKeysUntil(std::size_t& next,
                                         std::chrono::steady_clock::time_point deadline)
{
    for (; next < m_rows.size(); ++next) {
        if ((next & 255) == 0 && std::chrono::steady_clock::now() >= deadline)
            return false;
        makeNameKey(m_rows[next]);
    }
    return true;
}

void AddressListModel::refreshColumn(int column)
{
    if (m_rows.empty())
        return;
    for (Row& r : m_rows) {
        if (column == ReadingColumn)
            setReading(r);
        else if (column >= FirstAddresseeColumn)
            fillRow(r, r.record);
        else
            setCell(r, column, r.record->field(fieldOf(column)));
    }
    compactIfWasteful();
    if (!m_shown.empty())
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

bool AddressListModel::refreshReadingsUntil(std::size_t& next,
                                            std::chrono::steady_clock::time_point deadline)
{
    const std::size_t first = next;
    while (next < m_rows.size()) {
        Row& r = m_rows[next++];
        ContactFinder::Reading reading;
        if (m_finder)
            reading = m_finder->readingOf(r.record->name());
        if (cutUtf8(reading.text, MaxCellBytes) != cellOf(r, ReadingColumn) ||
            reading.guessed != r.guessed) {
            setCell(r, ReadingColumn, reading.text);
            r.guessed = reading.guessed;
        }
        // Made now, a slice at a time: the sort that follows only compares.
        makeNameKey(r);
        if (next % 64 == 0 && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    compactIfWasteful();
    if (next > first && !m_shown.empty())
        emit dataChanged(index(0, ReadingColumn), index(rowCount() - 1, ReadingColumn));
    return next >= m_rows.size();
}

void AddressListModel::refreshReadings(const std::vector<std::string>& names)
{
    // One pass for many names: an import may bring thousands.
    const std::unordered_set<std::string_view> given(names.begin(), names.end());
    std::vector<std::size_t> changed;
    for (std::size_t g = 0; g < m_rows.size(); ++g) {
        if (!given.count(m_rows[g].record->name()))
            continue;
        setReading(m_rows[g]);
        changed.push_back(g);
    }
    compactIfWasteful();
    emitRowsChanged(changed, ReadingColumn, ReadingColumn);
}

AddressRecord* AddressListModel::record(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return shownRow(row).record;
}

int AddressListModel::rowOf(const AddressRecord* record) const
{
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        if (m_rows[m_shown[i]].record == record)
            return static_cast<int>(i);
    }
    return -1;
}

bool AddressListModel::isMarked(int row) const
{
    return row >= 0 && row < rowCount() && shownRow(row).marked;
}

bool AddressListModel::isReadingGuessed(int row) const
{
    return row >= 0 && row < rowCount() && shownRow(row).guessed;
}

std::string_view AddressListModel::cell(int row, int column) const
{
    return cellOf(shownRow(row), column);
}

std::vector<AddressRecord*> AddressListModel::groupRecords() const
{
    std::vector<AddressRecord*> records;
    records.reserve(m_rows.size());
    for (const Row& r : m_rows)
        records.push_back(r.record);
    return records;
}

void AddressListModel::showOnly(const std::vector<AddressRecord*>& records)
{
    beginResetModel();
    m_shown.clear();
    m_shown.reserve(records.size());
    std::size_t next = 0;
    for (std::size_t g = 0; g < m_rows.size() && next < records.size(); ++g) {
        if (m_rows[g].record == records[next]) {
            m_shown.push_back(static_cast<std::uint32_t>(g));
            ++next;
        }
    }
    endResetModel();
}

void AddressListModel::showAll()
{
    if (m_shown.size() == m_rows.size())
        return;
    beginResetModel();
    m_shown.resize(m_rows.size());
    std::iota(m_shown.begin(), m_shown.end(), 0u);
    endResetModel();
}

void AddressListModel::sortRows(int column, bool ascending, bool byArrival)
{
    const std::size_t n = m_rows.size();
    if (n < 2)
        return;
    // The name sorts by its reading, as does the reading itself, by keys kept with the rows;
    // the keys of other columns lie in one buffer: one allocation instead of one per row.
    const bool byReading = column == 0 || column == ReadingColumn;
    std::string keys;
    if (byReading) {
        if (m_keyGarbage > 64 * 1024 && m_keyGarbage > m_keys.size() / 2) {
            std::string keys;
            keys.reserve(m_keys.size() - m_keyGarbage);
            for (Row& r : m_rows) {
                const std::string_view key = nameKeyOf(r);
                r.keyBegin = static_cast<std::uint32_t>(keys.size());
                keys += key;
            }
            m_keys = std::move(keys);
            m_keyGarbage = 0;
        }
        for (Row& r : m_rows)
            makeNameKey(r);
    } else {
        std::size_t bytes = 0;
        for (const Row& r : m_rows)
            bytes += cellOf(r, column).size();
        keys.reserve(bytes);
    }
    std::vector<std::uint32_t> keyEnd(n);
    for (std::size_t i = 0; i < n && !byReading; ++i) {
        const Row& r = m_rows[i];
        if (column >= FirstAddresseeColumn)
            keys += cellOf(r, column); // UTF-8: code point order
        else
            SortCompare::appendKey(keys, cellOf(r, column));
        keyEnd[i] = static_cast<std::uint32_t>(keys.size());
    }
    // The first eight key bytes as one number decide most comparisons without touching the
    // texts; zero padding keeps a shorter key first, as the byte order has it.
    struct Entry
    {
        std::uint64_t prefix;
        std::string_view key;
        std::uint32_t row;
        std::uint32_t arrival;
    };
    std::vector<Entry> order(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t begin = i == 0 ? 0 : keyEnd[i - 1];
        // The name's key is kept with its row, the others are made for this sort.
        const std::string_view key = byReading
                                         ? nameKeyOf(m_rows[i])
                                         : std::string_view(keys).substr(begin, keyEnd[i] - begin);
        std::uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b)
            prefix = (prefix << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        order[i] = {prefix, key, static_cast<std::uint32_t>(i), byArrival ? m_rows[i].arrival : 0u};
    }
    const auto before = [ascending](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix)
            return ascending ? a.prefix < b.prefix : b.prefix < a.prefix;
        const int c = a.key.compare(b.key);
        if (c != 0)
            return ascending ? c < 0 : c > 0;
        return a.arrival < b.arrival;
    };
    std::stable_sort(order.begin(), order.end(), before);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::uint32_t> newPlace(n);
    std::vector<Row> sorted;
    sorted.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        newPlace[order[i].row] = static_cast<std::uint32_t>(i);
        sorted.push_back(std::move(m_rows[order[i].row]));
    }
    m_rows = std::move(sorted);
    // The shown rows stay the shown rows, in the new order.
    std::vector<char> shown(n, 0);
    for (std::uint32_t g : m_shown)
        shown[newPlace[g]] = 1;
    const std::vector<std::uint32_t> oldShown = std::move(m_shown);
    m_shown.clear();
    m_shown.reserve(oldShown.size());
    std::vector<int> shownRowAt(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        if (!shown[i])
            continue;
        shownRowAt[i] = static_cast<int>(m_shown.size());
        m_shown.push_back(static_cast<std::uint32_t>(i));
    }
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& idx : from)
        to.append(index(shownRowAt[newPlace[oldShown[static_cast<std::size_t>(idx.row())]]],
                        idx.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int AddressListModel::widestCell(int column, const QFontMetrics& metrics, int* widestRow) const
{
    const std::size_t n = m_shown.size();
    if (widestRow)
        *widestRow = -1;
    if (n == 0)
        return 0;
    constexpr std::size_t longest = 32;
    constexpr std::size_t sample = 96;
    std::vector<std::uint32_t> candidates;
    if (n <= longest + sample) {
        candidates.resize(n);
        std::iota(candidates.begin(), candidates.end(), 0u);
    } else {
        // Width grows with the byte count (a full-width character is two bytes and about twice
        // as wide), so the longest texts by bytes hold the widest one; the sample guards against
        // narrow-byte, wide-glyph texts. One pass keeps the longest in a small heap.
        using Entry = std::pair<std::size_t, std::uint32_t>; // length, row
        std::vector<Entry> heap;
        heap.reserve(longest);
        auto greater = [](const Entry& a, const Entry& b) { return a.first > b.first; };
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t len = cell(static_cast<int>(i), column).size();
            if (heap.size() < longest) {
                heap.emplace_back(len, static_cast<std::uint32_t>(i));
                std::push_heap(heap.begin(), heap.end(), greater);
            } else if (len > heap.front().first) {
                std::pop_heap(heap.begin(), heap.end(), greater);
                heap.back() = {len, static_cast<std::uint32_t>(i)};
                std::push_heap(heap.begin(), heap.end(), greater);
            }
        }
        for (const Entry& e : heap)
            candidates.push_back(e.second);
        for (std::size_t i = 0; i < sample; ++i)
            candidates.push_back(static_cast<std::uint32_t>(i * n / sample));
    }
    int widest = 0;
    std::unordered_set<std::string_view> seen;
    for (std::uint32_t row : candidates) {
        const std::string_view text = cell(static_cast<int>(row), column);
        if (text.empty() || !seen.insert(text).second)
            continue;
        const int w = metrics.horizontalAdvance(textOf(shownRow(static_cast<int>(row)), column));
        if (w > widest) {
            widest = w;
            if (widestRow)
                *widestRow = static_cast<int>(row);
        }
    }
    return widest;
}
