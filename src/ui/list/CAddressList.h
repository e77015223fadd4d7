#pragma once

#include <QTableView>

class CMainFrame;

// The right pane: the contacts of the group selected in the tree.
class CAddressList : public QTableView
{
    Q_OBJECT
public:
    explicit CAddressList(CMainFrame* frame, QWidget* parent = nullptr);

private:
    CMainFrame* m_frame;
};
