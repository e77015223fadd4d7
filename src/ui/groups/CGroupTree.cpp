#include "CGroupTree.h"

#include "app/CMainFrame.h"

CGroupTree::CGroupTree(CMainFrame* frame, QWidget* parent) : QTreeWidget(parent), m_frame(frame)
{
    m_frame->document()->groupTree = this;
}

QString CGroupTree::GetCurrentGroupName() const
{
    return {};
}

void CGroupTree::ListGroupNames(QStringList&) const {}

bool CGroupTree::IsCurrentUserGroup() const
{
    return false;
}

void CGroupTree::CreateGroup() {}

void CGroupTree::StartRenameGroup() {}

void CGroupTree::DeleteGroup() {}

int CGroupTree::HitTestDropTarget(const QPoint&, bool)
{
    return 0;
}

void CGroupTree::ClearDropTarget()
{
    dropTargetGroup.clear();
}

bool CGroupTree::ExportGroupCsv(const QString&)
{
    return false;
}
