#pragma once

#include <QPoint>
#include <QString>

// Where the address list drops dragged contacts: the group tree, seen only through this, so
// that the list does not depend on the tree.
class GroupDropTarget
{
public:
    enum Hit
    {
        NoGroup = 0,
        Group = 1, // a group: its name is in dropTargetGroup(), the item highlighted
        Root = 2,  // the root: highlighted, but not a valid target
    };

    virtual int HitTestDropTarget(const QPoint& globalPos, bool highlight = true) = 0;
    virtual void ClearDropTarget() = 0;
    // The group found by the last hit test that returned Group.
    virtual QString dropTargetGroup() const = 0;
    // Whether the point lies on the target's window; only there is it asked.
    virtual bool containsGlobalPoint(const QPoint& globalPos) const = 0;

protected:
    ~GroupDropTarget() = default;
};
