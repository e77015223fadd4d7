#pragma once

#include "ui/common/GroupDropTarget.h"

#include <QAbstractItemDelegate>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

class CVOK_AddressDoc;
class CommandTable;
class QMenu;

// The left pane: the root "VOK_Address", the fixed groups and the user's own groups. It shows
// the book's groups, follows the book's announcements, and announces the group the user picks.
class CGroupTree : public QTreeWidget, public GroupDropTarget
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

    CGroupTree(CVOK_AddressDoc* doc, CommandTable* commands, QWidget* parent = nullptr);
    ~CGroupTree() override;

    // The label of contextItem() when set, else of the selected item, else "".
    QString GetCurrentGroupName() const;
    // Appends the labels of the root's children in tree order (fixed groups first).
    void ListGroupNames(QStringList& names) const;
    // Lists the book's user groups again after a load, keeping the selected group by name.
    void ReloadGroups();
    // Before the book is in: lists the user groups it held at the last exit (ReloadGroups
    // puts the book's own in order when it comes).
    void ShowPictureGroups(const QStringList& names);
    // True when the item GetCurrentGroupName names is a user group.
    bool IsCurrentUserGroup() const;

    void CreateGroup();
    void StartRenameGroup();
    void DeleteGroup();
    // Forgets a label edit in progress without accepting or refusing it: the window is going.
    void AbandonLabelEdit();

    int HitTestDropTarget(const QPoint& globalPos, bool highlight = true) override;
    void ClearDropTarget() override;
    QString dropTargetGroup() const override { return m_dropTargetGroup; }
    bool containsGlobalPoint(const QPoint& globalPos) const override;

    static int kindOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* rootItem() const;
    QTreeWidgetItem* selectedItem() const;
    QTreeWidgetItem* dropHighlightItem() const { return m_dropItem; }
    // The item whose label is being edited, nullptr outside an edit.
    QTreeWidgetItem* editingItem() const { return m_editItem; }
    // The item a context-menu command runs for; nullptr when none.
    QTreeWidgetItem* contextItem() const { return m_contextItem; }
    void SetContextItem(QTreeWidgetItem* item) { m_contextItem = item; }
    void ClearContextItem() { m_contextItem = nullptr; }
    // A rename in progress, and the group's name before it.
    bool isRenaming() const { return m_renaming; }
    QString renameOldName() const { return m_renameOldName; }
    // A refused name's item, edited again when the create command comes back.
    QTreeWidgetItem* pendingEditItem() const { return m_pendingEditItem; }
    // The context menu 140 (its entries run through the command guard).
    QMenu* createContextMenu(QWidget* parent);

signals:
    // The selected group changed (the root's label for every contact).
    void currentGroupChanged(const QString& name);

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
    void onSelectionChanged();
    QTreeWidgetItem* currentGroupItem() const;
    QTreeWidgetItem* groupItem(const QString& name) const;
    QTreeWidgetItem* labelItemAt(const QPoint& viewportPos) const;
    void startLabelEdit(QTreeWidgetItem* item);
    // Ends a label edit still open; false when its name was refused and the edit goes on.
    bool endOpenEdit();
    void endLabelEdit(QTreeWidgetItem* item, bool cancelled, const QString& text);
    void refuseName(QTreeWidgetItem* item, const QString& message);
    void setDropHighlight(QTreeWidgetItem* item);
    // At the end of the root's children, or at this place among them.
    QTreeWidgetItem* appendGroup(const QString& name, Kind kind, int place = -1);
    void onGroupAdded(const QString& name);
    void onGroupRenamed(const QString& oldName, const QString& newName);
    void onGroupRemoved(const QString& name);

    CVOK_AddressDoc* m_doc;
    CommandTable* m_commands;
    QIcon m_rootIcon;
    QIcon m_fixedIcon;
    QIcon m_userIcon;
    QTreeWidgetItem* m_contextItem = nullptr;
    QTreeWidgetItem* m_editItem = nullptr;
    QTreeWidgetItem* m_dropItem = nullptr;
    QTreeWidgetItem* m_pendingEditItem = nullptr;
    // The item the user just named, which the book's announcement of the new group finds here.
    QTreeWidgetItem* m_namedItem = nullptr;
    QString m_dropTargetGroup;
    QString m_renameOldName;
    bool m_renaming = false;
    bool m_committed = false;
    QString m_committedText;
};
