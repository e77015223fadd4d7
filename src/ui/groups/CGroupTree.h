#pragma once

#include <QString>
#include <QStringList>
#include <QTreeWidget>

class CMainFrame;

// The left pane: the root "VOK_Address", the fixed groups and the user's own groups.
class CGroupTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CGroupTree(CMainFrame* frame, QWidget* parent = nullptr);

    // The label of contextItem when set, else of the selected item, else "".
    QString GetCurrentGroupName() const;
    // Appends the labels of the root's children in tree order (fixed groups first).
    void ListGroupNames(QStringList& names) const;
    // True when the item GetCurrentGroupName names is a user group.
    bool IsCurrentUserGroup() const;

    void CreateGroup();
    void StartRenameGroup();
    void DeleteGroup();
    // 0: no group under the point; 1: a group (its name in dropTargetGroup, highlighted);
    // 2: the root (highlighted, not a valid target).
    int HitTestDropTarget(const QPoint& globalPos, bool highlight = true);
    void ClearDropTarget();
    // Writes the current group's contacts (everyone for the root) as CSV; false on failure.
    bool ExportGroupCsv(const QString& path);

    // The item a context-menu command runs for; nullptr when none.
    QTreeWidgetItem* contextItem = nullptr;
    QString dropTargetGroup;

private:
    CMainFrame* m_frame;
};
