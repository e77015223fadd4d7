#pragma once

#include <QCursor>
#include <QTableView>
#include <string>
#include <vector>

class AddressListModel;
class AddressRecord;
class CMainFrame;
class QMenu;

// The right pane: the contacts of the group selected in the tree.
class CAddressList : public QTableView
{
    Q_OBJECT
public:
    explicit CAddressList(CMainFrame* frame, QWidget* parent = nullptr);
    ~CAddressList() override;

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

    // AddRecordRow for many plain rows at once (the tree's fill): one shown-group test, one
    // insertion.
    void AddRecordRows(const std::vector<AddressRecord*>& records);
    // Rewrites the group column of every row from its record (after a rename seen from the root).
    void RefreshGroupColumn();
    AddressListModel* listModel() const { return m_model; }
    AddressRecord* recordAt(int row) const;
    bool isRowMarked(int row) const;
    // Selected rows, top to bottom.
    std::vector<int> selectedRowList() const;
    // The context menu 139 (its entries run through the frame's command guard).
    QMenu* createContextMenu(QWidget* parent);
    // The drag cursor being shown (141, 142, 143), 0 without a drag.
    int dragCursorId() const { return m_dragCursorId; }
    // Column widths the divider double-click would give, measuring every cell the cheap way.
    int fittedWidth(int column) const;
    // The header text with room for the sort mark, which any column may carry.
    int headerWidth(int column) const;

    quint32 sortState = 0x11;
    int markedColumn = -1;
    bool dragMove = false;
    bool dragCopy = false;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToShownGroup(const AddressRecord* record, const std::string& shownGroup,
                             bool root) const;
    bool shownGroup(std::string& group, bool& root) const;
    void storeWidth(int column, int width);
    void onDividerDoubleClicked(int column);
    void onRecordsRemoving(const std::vector<const AddressRecord*>& records);
    bool dragTargetValid(const QPoint& globalPos);
    void setDragCursor(int id);
    void endDrag();
    void drop();
    void scrollToFirstSelected();

    CMainFrame* m_frame;
    AddressListModel* m_model;
    QCursor m_cursorMove;
    QCursor m_cursorCopy;
    QCursor m_cursorNone;
    int m_dragCursorId = 0;
    bool m_headerPressed = false;
    int m_resizedSection = -1;
    Qt::MouseButton m_headerDblClickButton = Qt::NoButton;
};
