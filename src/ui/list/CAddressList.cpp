#include "CAddressList.h"

#include "app/CMainFrame.h"

CAddressList::CAddressList(CMainFrame* frame, QWidget* parent) : QTableView(parent), m_frame(frame)
{
    m_frame->document()->addressList = this;
}
