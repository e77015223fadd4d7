#pragma once

#include <QTreeWidget>

class CMainFrame;

// The left pane: the root "VOK_Address", the fixed groups and the user's own groups.
class CGroupTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CGroupTree(CMainFrame* frame, QWidget* parent = nullptr);

private:
    CMainFrame* m_frame;
};
