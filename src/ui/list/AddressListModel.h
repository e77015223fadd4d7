#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class AddressRecord;
class ContactFinder;

// The rows of the address list: per row the record it shows, whether it is marked (imported or
// copied by a drag), and copies of its cell texts, taken when the row was added or last
// updated: six fields in CP932, the name's reading and the 宛名 columns in UTF-8. Texts are
// converted to Unicode only when a cell is painted, so filling the list with 100,000 contacts
// converts nothing. A field whose whole text CP932 cannot hold is shown from the record.
//
// The model holds every row of the shown group and shows those the search lets through, in
// the group's order; the rows left out keep their texts, so that a new search costs no refill.
class AddressListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 12;
    static constexpr int ReadingColumn = 6;
    // 敬称, 連名, 役職, 部署 and this year's 年賀 marks, from the contact's extras.
    static constexpr int FirstAddresseeColumn = 7;
    static constexpr int NengaColumn = 11;
    static constexpr std::size_t MaxCellBytes = 259;
    // The record field behind each column; -1 for the reading and the 宛名 columns.
    static int fieldOf(int column);

    // finder: where rows get their readings (none: no readings).
    explicit AddressListModel(const ContactFinder* finder, QObject* parent = nullptr);
    // The year whose 年賀状 marks the 年賀 column shows.
    void setNengaYear(int year) { m_nengaYear = year; }
    int nengaYear() const { return m_nengaYear; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // New rows are shown, whatever the search.
    void appendRow(AddressRecord* record, bool marked);
    void appendRows(const std::vector<AddressRecord*>& records, bool marked = false);
    void updateRow(int row, AddressRecord* record);
    // Rewrites the rows of these records, shown or not; returns the records that had a row.
    std::unordered_set<const AddressRecord*>
    updateRecords(const std::unordered_set<const AddressRecord*>& records);
    void removeRow(int row);
    // Removes the rows whose records are in the set, shown or not; returns how many left.
    std::size_t removeRecords(const std::unordered_set<const AddressRecord*>& records);
    void clear();
    // Takes every row of a model filled aside (same finder and year), as one reset; the other
    // is left empty. A large group is filled aside in slices, then shown at once.
    void takeRows(AddressListModel& other);
    // Makes the name keys of the rows from next on until the deadline; true when all are made.
    bool makeNameKeysUntil(std::size_t& next, std::chrono::steady_clock::time_point deadline);
    // Rewrites one column of every row from the rows' records.
    void refreshColumn(int column);
    // Rewrites the readings of the rows of contacts of these names (CP932).
    void refreshReadings(const std::vector<std::string>& names);
    // Brings the readings of the rows from `next` on up to date with the finder, and their
    // order by name, until the deadline; true once every row is done.
    bool refreshReadingsUntil(std::size_t& next, std::chrono::steady_clock::time_point deadline);

    AddressRecord* record(int row) const;
    // The shown row of the record, -1 when it has none.
    int rowOf(const AddressRecord* record) const;
    bool isMarked(int row) const;
    std::string_view cell(int row, int column) const;
    bool isReadingGuessed(int row) const;

    // Every record of the group, shown or not, in the list's order.
    std::vector<AddressRecord*> groupRecords() const;
    // Shows the rows of these records only; they must be in the order of groupRecords().
    void showOnly(const std::vector<AddressRecord*>& records);
    void showAll();

    // Stable sort of every row by one column's texts (the name and its reading in あいうえお
    // order); the view's selection follows its rows. byArrival: rows of one name stand in the
    // order they came instead of the order an earlier sort left.
    void sortRows(int column, bool ascending, bool byArrival = false);

    // Widest cell of a column in the given font, measuring only a bounded set of candidates:
    // the longest texts by byte length and an even sample of the others.
    // Returns its width (0 for an empty column) and sets row to it (-1 when none).
    int widestCell(int column, const class QFontMetrics& metrics, int* row = nullptr) const;

private:
    // A row's cells lie one after another in m_text, the arena of all rows: filling the list
    // with 100,000 contacts costs no allocation per row, and emptying it frees nothing per row.
    struct Row
    {
        AddressRecord* record = nullptr;
        std::uint32_t begin = 0;                      // offset of the first cell in m_text
        std::array<std::uint16_t, ColumnCount> end{}; // end of each cell, from begin
        bool marked = false;
        bool guessed = false; // the reading is a guess
        // SortCompare::nameKey of the name and reading, in m_keys; length 0: not made yet.
        std::uint32_t keyBegin = 0;
        std::uint32_t keyLength = 0;
        std::uint32_t arrival = 0; // order of coming, for sortRows(byArrival)
    };
    std::size_t rowBytes(const Row& row) const { return row.end[ColumnCount - 1]; }
    std::string_view cellOf(const Row& row, int column) const;
    QString textOf(const Row& row, int column) const;
    const Row& shownRow(int row) const { return m_rows[m_shown[static_cast<std::size_t>(row)]]; }
    // The shown row of a row of the group, -1 when it is left out.
    int shownRowOf(std::size_t groupRow) const;
    // Writes the row's cells at the end of the arena; its old bytes become garbage.
    void storeCells(Row& row, const std::array<std::string_view, ColumnCount>& cells);
    void fillRow(Row& row, const AddressRecord* record);
    void setCell(Row& row, int column, std::string_view text);
    void setReading(Row& row);
    // Makes the row's name key unless it has one; valid until the next key is made.
    void makeNameKey(Row& row);
    std::string_view nameKeyOf(const Row& row) const
    {
        return std::string_view(m_keys).substr(row.keyBegin, row.keyLength);
    }
    void dropNameKey(Row& row);
    void compactIfWasteful();
    // Drops the rows of the group that the predicate names; none of them may be shown.
    template <typename Pred> void eraseHidden(Pred doomed);
    void emitRowsChanged(const std::vector<std::size_t>& groupRows, int firstColumn,
                         int lastColumn);

    const ContactFinder* m_finder;
    int m_nengaYear = 0;
    std::string m_text;
    std::size_t m_garbage = 0;
    // The rows' name keys, made once for every sort by name until the name or reading changes.
    std::string m_keys;
    std::size_t m_keyGarbage = 0;
    std::uint32_t m_arrivals = 0;       // the next row's Row::arrival
    std::vector<Row> m_rows;            // every row of the group, in the list's order
    std::vector<std::uint32_t> m_shown; // the rows shown: places in m_rows, ascending
    QIcon m_plainIcon;
    QIcon m_markedIcon;
};
