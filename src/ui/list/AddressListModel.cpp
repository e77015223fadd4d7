#include "AddressListModel.h"

#include "ListText.h"
#include "core/Text.h"
#include "model/AddressRecord.h"
#include "model/Cp932.h"
#include "model/SortCompare.h"

#include <QFontMetrics>
#include <algorithm>
#include <numeric>
#include <unordered_set>

int AddressListModel::fieldOf(int column)
{
    static constexpr std::array<int, ColumnCount> fields{
        AddressRecord::Name,    AddressRecord::Email,       AddressRecord::Phone,
        AddressRecord::Company, AddressRecord::OfficePhone, AddressRecord::Group};
    return fields[static_cast<std::size_t>(column)];
}

AddressListModel::AddressListModel(QObject* parent)
    : QAbstractTableModel(parent), m_plainIcon(QStringLiteral(":/icons/row_envelope.svg")),
      m_markedIcon(QStringLiteral(":/icons/row_sheets.svg"))
{
}

int AddressListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AddressListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AddressListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return Text::fromCp932(cell(index.row(), index.column()));
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
        static const std::array<const QString*, ColumnCount> headers{
            &ListText::Header0, &ListText::Header1, &ListText::Header2,
            &ListText::Header3, &ListText::Header4, &ListText::Header5};
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
    for (int c = 0; c < ColumnCount; ++c)
        cells[static_cast<std::size_t>(c)] =
            Cp932::cutAtBoundary(record->field(fieldOf(c)), MaxCellBytes);
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
            static_cast<int>(c) == column
                ? Cp932::cutAtBoundary(text, MaxCellBytes)
                : std::string_view(m_text).substr(row.begin + (c == 0 ? 0 : row.end[c - 1]),
                                                  row.end[c] - (c == 0 ? 0 : row.end[c - 1]));
        copy.append(cellText);
        at[c + 1] = copy.size();
    }
    for (std::size_t c = 0; c < ColumnCount; ++c)
        cells[c] = std::string_view(copy).substr(at[c], at[c + 1] - at[c]);
    storeCells(row, cells);
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

void AddressListModel::appendRow(AddressRecord* record, bool marked)
{
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at);
    Row row;
    row.record = record;
    row.marked = marked;
    fillRow(row, record);
    m_rows.push_back(row);
    endInsertRows();
}

void AddressListModel::appendRows(const std::vector<AddressRecord*>& records, bool marked)
{
    if (records.empty())
        return;
    const int at = static_cast<int>(m_rows.size());
    // Into an empty list a reset is cheaper for the views than an insertion of many rows.
    const bool reset = at == 0;
    if (reset)
        beginResetModel();
    else
        beginInsertRows({}, at, at + static_cast<int>(records.size()) - 1);
    m_rows.reserve(m_rows.size() + records.size());
    for (AddressRecord* record : records) {
        Row row;
        row.record = record;
        row.marked = marked;
        fillRow(row, record);
        m_rows.push_back(row);
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
    Row& r = m_rows[static_cast<std::size_t>(row)];
    r.record = record;
    r.marked = false;
    fillRow(r, record);
    compactIfWasteful();
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void AddressListModel::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_garbage += rowBytes(m_rows[static_cast<std::size_t>(row)]);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

std::size_t AddressListModel::removeRecords(const std::unordered_set<const AddressRecord*>& records)
{
    // Contiguous runs, from the bottom, so that the view keeps the selection of the other rows;
    // beyond a few runs one pass over the vector is cheaper than erasing run by run.
    std::vector<std::pair<int, int>> runs;
    for (int i = rowCount() - 1; i >= 0; --i) {
        if (!records.count(m_rows[static_cast<std::size_t>(i)].record))
            continue;
        if (!runs.empty() && runs.back().first == i + 1)
            runs.back().first = i;
        else
            runs.emplace_back(i, i);
    }
    std::size_t removed = 0;
    for (const auto& run : runs)
        removed += static_cast<std::size_t>(run.second - run.first + 1);
    for (const Row& r : m_rows) {
        if (records.count(r.record))
            m_garbage += rowBytes(r);
    }
    if (runs.size() <= 32) {
        for (const auto& [first, last] : runs) {
            beginRemoveRows({}, first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
        std::erase_if(m_rows, [&](const Row& r) { return records.count(r.record) != 0; });
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
    // The arena keeps its capacity for the next fill.
    m_text.clear();
    m_garbage = 0;
    endResetModel();
}

void AddressListModel::refreshColumn(int column)
{
    if (m_rows.empty())
        return;
    for (Row& r : m_rows)
        setCell(r, column, r.record->field(fieldOf(column)));
    compactIfWasteful();
    emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

AddressRecord* AddressListModel::record(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return m_rows[static_cast<std::size_t>(row)].record;
}

bool AddressListModel::isMarked(int row) const
{
    return row >= 0 && row < rowCount() && m_rows[static_cast<std::size_t>(row)].marked;
}

std::string_view AddressListModel::cell(int row, int column) const
{
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    const auto c = static_cast<std::size_t>(column);
    const std::size_t begin = c == 0 ? 0 : r.end[c - 1];
    return std::string_view(m_text).substr(r.begin + begin, r.end[c] - begin);
}

void AddressListModel::sortRows(int column, bool ascending)
{
    const std::size_t n = m_rows.size();
    if (n < 2)
        return;
    // All keys in one buffer: one allocation instead of one per row.
    std::string keys;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i)
        bytes += cell(static_cast<int>(i), column).size();
    keys.reserve(bytes);
    std::vector<std::uint32_t> keyEnd(n);
    for (std::size_t i = 0; i < n; ++i) {
        SortCompare::appendKey(keys, cell(static_cast<int>(i), column));
        keyEnd[i] = static_cast<std::uint32_t>(keys.size());
    }
    // The first eight key bytes as one number decide most comparisons without touching the
    // texts; zero padding keeps a shorter key first, as the byte order has it.
    struct Entry
    {
        std::uint64_t prefix;
        std::string_view key;
        std::uint32_t row;
    };
    std::vector<Entry> order(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t begin = i == 0 ? 0 : keyEnd[i - 1];
        const std::string_view key = std::string_view(keys).substr(begin, keyEnd[i] - begin);
        std::uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b)
            prefix = (prefix << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        order[i] = {prefix, key, static_cast<std::uint32_t>(i)};
    }
    auto less = [](const Entry& a, const Entry& b) {
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.key < b.key;
    };
    if (ascending)
        std::stable_sort(order.begin(), order.end(), less);
    else
        std::stable_sort(order.begin(), order.end(),
                         [&less](const Entry& a, const Entry& b) { return less(b, a); });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(n);
    std::vector<Row> sorted;
    sorted.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        newRowOf[order[i].row] = static_cast<int>(i);
        sorted.push_back(m_rows[order[i].row]);
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& idx : from)
        to.append(index(newRowOf[static_cast<std::size_t>(idx.row())], idx.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int AddressListModel::widestCell(int column, const QFontMetrics& metrics, int* widestRow) const
{
    const std::size_t n = m_rows.size();
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
        const int w = metrics.horizontalAdvance(Text::fromCp932(text));
        if (w > widest) {
            widest = w;
            if (widestRow)
                *widestRow = static_cast<int>(row);
        }
    }
    return widest;
}
