#pragma once

#include "model/search/SearchQuery.h"

#include <QCursor>
#include <QString>
#include <QTableView>
#include <future>
#include <memory>
#include <string>
#include <vector>

class AddressListModel;
struct StartPicture;
class AddressRecord;
class CVOK_AddressDoc;
class CommandTable;
class GroupDropTarget;
class QMenu;
class QTimer;
struct ListViewSettings;

// The right pane: the contacts of one group, the one it is told to show. It follows the book's
// announcements; nobody else adds, rewrites or removes its rows.
class CAddressList : public QTableView
{
    Q_OBJECT
public:
    CAddressList(CVOK_AddressDoc* doc, CommandTable* commands, QWidget* parent = nullptr);
    ~CAddressList() override;

    // Lists the group's contacts (every contact for the root) that the search lets through, in
    // the current sort order.
    void ShowGroup(const QString& name);
    // The same for a book just read: a large group's rows are made aside in slices and shown
    // at once, sorted; any change to the book meanwhile has them shown first.
    void ShowGroupInSlices(const QString& name);
    // Rows still being made aside.
    bool filling() const { return m_filling != nullptr; }
    void FinishFilling();
    // Writes the readings that came into every row and sorts again, at once.
    void FinishReadings();
    // What the list shows, for the next start: the visible rows' texts and pixels, the columns,
    // the sort, the selection and scroll position.
    StartPicture TakePicture() const;
    // Shows such a picture, read-only, over the empty list until ShowGroupInSlices brings the
    // real rows, which then take its selection and scroll position. False when it does not fit
    // the list as it is (other sort or columns, rows already there).
    bool ShowPicture(StartPicture picture);
    // The picture's rows while they are shown, else null.
    const QAbstractItemModel* pictureModel() const;
    // Shows only the contacts that hold every word of the text (all of them for an empty
    // text). Rows added or edited later stay until the text changes, matching or not.
    void setSearchText(const QString& text);
    QString searchText() const { return m_searchText; }
    // Builds what the search needs now, before the first keystroke.
    void prepareSearch();
    // The column of the names' readings (フリガナ), remembered in the settings.
    void setReadingColumnShown(bool shown);
    bool readingColumnShown() const;
    // The 宛名 columns (敬称, 連名, 役職, 部署, 年賀) together.
    void setAddresseeColumnsShown(bool shown);
    bool addresseeColumnsShown() const;
    QString shownGroupName() const { return m_shownName; }
    // Readings that arrived are still being written into the rows.
    bool readingsPending() const { return m_readingsStale || m_filling; }
    // Where dragged contacts are dropped.
    void setDropTarget(GroupDropTarget* target) { m_dropTarget = target; }
    // Shift+double-click writes a message to the selected contacts (an option).
    void setNewMailOnShiftDoubleClick(bool on) { m_newMailOnShiftDoubleClick = on; }

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
    void ClearIfGroupShown(const QString& group);
    // The selected contacts' addresses (office ones when office is true), CP932, joined by ";".
    std::string JoinSelectedMailAddresses(bool office) const;
    // The selected contact as one clipboard line: personal (format 2) or office (format 3).
    std::string FormatSelectedInfo(int format) const;

    // AddRecordRow for many rows at once: one shown-group test, one insertion.
    void AddRecordRows(const std::vector<AddressRecord*>& records, bool marked = false);
    // The selected contacts, top to bottom.
    std::vector<AddressRecord*> selectedRecords() const;
    AddressListModel* listModel() const { return m_model; }
    AddressRecord* recordAt(int row) const;
    bool isRowMarked(int row) const;
    // Selected rows, top to bottom.
    std::vector<int> selectedRowList() const;
    // The context menu 139 (its entries run through the frame's command guard).
    QMenu* createContextMenu(QWidget* parent);
    // The submenus that move and copy the selected contacts into a group, one item per group
    // of the book, added to the menu (the context menu's and the edit menu's).
    void addGroupMenus(QMenu* menu);
    // The drag cursor being shown (141, 142, 143), 0 without a drag.
    int dragCursorId() const { return m_dragCursorId; }
    // Column widths the divider double-click would give, measuring every cell the cheap way.
    int fittedWidth(int column) const;
    // The header text with room for the sort mark, which any column may carry.
    int headerWidth(int column) const;

    bool isDragMoving() const { return m_dragMove; }
    bool isDragCopying() const { return m_dragCopy; }

    quint32 sortState = 0x10; // by name, ascending, until the stored order is read
    int markedColumn = -1;

signals:
    // The picture's rows were painted for the first time (and went to the screen).
    void picturePainted();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToShownGroup(const AddressRecord* record) const;
    void onDividerDoubleClicked(int column);
    void onRecordsAdded(const std::vector<AddressRecord*>& records, bool marked);
    void widenUnsizedColumns();
    void widenUnsizedColumn(int column, const ListViewSettings& stored);
    // Widens the columns left from m_widenAt until a few milliseconds are spent.
    void widenSlice();
    void onRecordsChanged(const std::vector<AddressRecord*>& records);
    void onRecordsMerged(const std::vector<AddressRecord*>& records);
    // Rows that came into the list (rowCount() before they came, to the end) become the
    // selection and are scrolled into sight, where they stand.
    void showArrivedRows(int first);
    void onRecordsRemoving(const std::vector<const AddressRecord*>& records);
    void onGroupRenamed(const QString& oldName, const QString& newName);
    void setShownGroup(const QString& name);
    void applySearch();
    bool dragTargetValid(const QPoint& globalPos);
    void setDragCursor(int id);
    void endDrag();
    void drop();
    void scrollToFirstSelected();
    // Guesses came for names that had no reading: their cells, a slice at a time, and then the
    // order when it awaited them.
    void onReadingsGuessed();
    void refreshReadingsSlice();
    void sortAgainKeepingView();

    // First: events reach the view while the members after these are being built.
    bool m_dragMove = false;
    bool m_dragCopy = false;
    CVOK_AddressDoc* m_doc;
    CommandTable* m_commands;
    GroupDropTarget* m_dropTarget = nullptr;
    AddressListModel* m_model;
    QString m_shownName;
    QString m_searchText;
    SearchQuery m_query;
    std::string m_shownBytes; // the shown group in CP932
    bool m_shownValid = false;
    bool m_showsRoot = false;
    bool m_searchWaits = false;        // the search waits for the index
    bool m_sortAwaitsReadings = false; // sorted by reading while guesses were on their way
    bool m_readingsStale = false;      // rows from m_readingAt on still show older readings
    std::size_t m_readingAt = 0;
    QTimer* m_readingSlices = nullptr;
    QTimer* m_widenLater = nullptr;
    int m_widenAt = 0;
    bool m_arrivalShown = false; // rows of the change being added to were shown and selected
    // A group's rows made aside (ShowGroupInSlices), from m_fillRecords.
    std::unique_ptr<AddressListModel> m_filling;
    std::future<void> m_fillSort; // after m_filling: it goes first, waiting for the sort
    std::vector<AddressRecord*> m_fillRecords;
    std::size_t m_fillAt = 0;
    std::size_t m_keyAt = 0;
    bool m_guessedWhileFilling = false;
    bool m_fillSorted = false;
    QTimer* m_fillSlices = nullptr;
    void fillSlice();
    // Empties the list for the group; returns the records it shows, in book order.
    std::vector<AddressRecord*> emptyForGroup(const QString& name);
    void fillGroup(const QString& name);
    std::unique_ptr<StartPicture> m_picture;
    QTableView* m_pictureView = nullptr;
    // Drops the picture; restore: the rows now shown take its selection and scroll position
    // when they are the rows it pictured.
    void endPicture(bool restore);
    // The sort indicator and what waits for readings, after the rows were sorted by sortState.
    void showSortState();
    bool m_newMailOnShiftDoubleClick = false;
    QCursor m_cursorMove;
    QCursor m_cursorCopy;
    QCursor m_cursorNone;
    int m_dragCursorId = 0;
    bool m_headerPressed = false;
    int m_resizedSection = -1;
    Qt::MouseButton m_headerDblClickButton = Qt::NoButton;
};
