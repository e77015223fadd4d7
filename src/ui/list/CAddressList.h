#pragma once

#include <QTableView>
#include <string>

class AddressRecord;
class CMainFrame;

// The right pane: the contacts of the group selected in the tree.
class CAddressList : public QTableView
{
    Q_OBJECT
public:
    explicit CAddressList(CMainFrame* frame, QWidget* parent = nullptr);

    // Appends a row when the record belongs to the shown group; marked rows show two sheets.
    void AddRecordRow(AddressRecord* record, bool marked = false);
    // Rewrites the row, or removes it when the record left the shown group; -1 does nothing.
    void UpdateRecordRow(int row, AddressRecord* record);
    void DeleteSelectedRecords();
    void DeleteAllRows();
    void ApplyColumnWidths();
    void SortByColumn(int column); // 0..5, or 99 to re-apply the current order
    AddressRecord* GetSelectedRecord() const;
    int GetFocusedSelectedRow() const;
    int GetSelectedCount() const;
    int CountRecordsInGroup(const QString& group) const;
    void SetGroupColumnText(const QString& group);
    void ClearIfGroupShown(const QString& group);
    // The selected contacts' addresses (office ones when office is true), CP932, joined by ";".
    std::string JoinSelectedMailAddresses(bool office) const;
    // The selected contact as one clipboard line: personal (format 2) or office (format 3).
    std::string FormatSelectedInfo(int format) const;

    quint32 sortState = 0x11;
    int markedColumn = -1;

private:
    CMainFrame* m_frame;
};
