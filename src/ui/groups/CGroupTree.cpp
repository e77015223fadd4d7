#include "CGroupTree.h"

#include "app/CMainFrame.h"

CGroupTree::CGroupTree(CMainFrame* frame, QWidget* parent) : QTreeWidget(parent), m_frame(frame)
{
    m_frame->document()->groupTree = this;
}
