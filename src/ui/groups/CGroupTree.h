#pragma once

#include <QAbstractItemDelegate>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

class CMainFrame;
class QMenu;

// The left pane: the root "VOK_Address", the fixed groups and the user's own groups.
class CGroupTree : public QTreeWidget
{
    Q_OBJECT
public:
    // An item's kind is its picture's index: the root, a fixed group, a user group.
    enum Kind
    {
        RootKind = 0,
        FixedKind = 1,
        UserKind = 3
    };

    explicit CGroupTree(CMainFrame* frame, QWidget* parent = nullptr);
    ~CGroupTree() override;

    // The label of contextItem when set, else of the selected item, else "".
    QString GetCurrentGroupName() const;
    // Appends the labels of the root's children in tree order (fixed groups first).
    void ListGroupNames(QStringList& names) const;
    // True when the item GetCurrentGroupName names is a user group.
    bool IsCurrentUserGroup() const;

    void CreateGroup();
    // Forgets a label edit in progress without accepting or refusing it: the window is going.
    void AbandonLabelEdit();
    void StartRenameGroup();
    void DeleteGroup();
    // True when a stored user group has this name (group comparison).
    bool GroupNameStored(const QString& name) const;
    // 0: no group under the point; 1: a group (its name in dropTargetGroup, highlighted);
    // 2: the root (highlighted, not a valid target).
    int HitTestDropTarget(const QPoint& globalPos, bool highlight = true);
    void ClearDropTarget();
    // Writes the current group's contacts (everyone for the root) as CSV; false on failure.
    bool ExportGroupCsv(const QString& path);

    static int kindOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* rootItem() const;
    QTreeWidgetItem* selectedItem() const;
    QTreeWidgetItem* dropHighlightItem() const { return m_dropItem; }
    // The item whose label is being edited, nullptr outside an edit.
    QTreeWidgetItem* editingItem() const { return m_editItem; }
    // The context menu 140 (its entries run through the frame's command guard).
    QMenu* createContextMenu(QWidget* parent);

    // The item a context-menu command runs for; nullptr when none.
    QTreeWidgetItem* contextItem = nullptr;
    QString dropTargetGroup;
    QString renameOldName;
    bool renaming = false;
    QTreeWidgetItem* pendingEditItem = nullptr;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void build();
    void selectRootIfNone();
    void fillAddressList();
    QTreeWidgetItem* currentGroupItem() const;
    QTreeWidgetItem* labelItemAt(const QPoint& viewportPos) const;
    void startLabelEdit(QTreeWidgetItem* item);
    void endLabelEdit(QTreeWidgetItem* item, bool cancelled, const QString& text);
    void refuseName(QTreeWidgetItem* item, const QString& message);
    void setDropHighlight(QTreeWidgetItem* item);
    QTreeWidgetItem* appendGroup(const QString& name, Kind kind);

    CMainFrame* m_frame;
    QIcon m_rootIcon;
    QIcon m_fixedIcon;
    QIcon m_userIcon;
    QTreeWidgetItem* m_editItem = nullptr;
    QTreeWidgetItem* m_dropItem = nullptr;
    bool m_committed = false;
    QString m_committedText;
};
