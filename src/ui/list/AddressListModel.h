#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class AddressRecord;

// The rows of the address list: per row the record it shows, whether it is marked (imported or
// copied by a drag), and copies of its six cell texts in CP932, taken when the row was added or
// last updated. Texts are converted to Unicode only when a cell is painted, so filling the list
// with 100,000 contacts converts nothing.
class AddressListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 6;
    static constexpr std::size_t MaxCellBytes = 259;
    // The record field behind each column.
    static int fieldOf(int column);

    explicit AddressListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void appendRow(AddressRecord* record, bool marked);
    void appendRows(const std::vector<AddressRecord*>& records, bool marked = false);
    void updateRow(int row, AddressRecord* record);
    void removeRow(int row);
    // Removes the rows whose records are in the set; returns how many left.
    std::size_t removeRecords(const std::unordered_set<const AddressRecord*>& records);
    void clear();
    // Rewrites one column of every row from the rows' records.
    void refreshColumn(int column);

    AddressRecord* record(int row) const;
    bool isMarked(int row) const;
    std::string_view cell(int row, int column) const;

    // Stable sort by one column's texts; the view's selection follows its rows.
    void sortRows(int column, bool ascending);

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
    };
    std::size_t rowBytes(const Row& row) const { return row.end[ColumnCount - 1]; }
    // Writes the row's cells at the end of the arena; its old bytes become garbage.
    void storeCells(Row& row, const std::array<std::string_view, ColumnCount>& cells);
    void fillRow(Row& row, const AddressRecord* record);
    void setCell(Row& row, int column, std::string_view text);
    void compactIfWasteful();

    std::string m_text;
    std::size_t m_garbage = 0;
    std::vector<Row> m_rows;
    QIcon m_plainIcon;
    QIcon m_markedIcon;
};
