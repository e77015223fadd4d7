#include "CAddressList.h"

#include "app/CMainFrame.h"

CAddressList::CAddressList(CMainFrame* frame, QWidget* parent) : QTableView(parent), m_frame(frame)
{
    m_frame->document()->addressList = this;
}

void CAddressList::AddRecordRow(AddressRecord*, bool) {}

void CAddressList::UpdateRecordRow(int, AddressRecord*) {}

void CAddressList::DeleteSelectedRecords() {}

void CAddressList::DeleteAllRows() {}

void CAddressList::ApplyColumnWidths() {}

void CAddressList::SortByColumn(int) {}

AddressRecord* CAddressList::GetSelectedRecord() const
{
    return nullptr;
}

int CAddressList::GetFocusedSelectedRow() const
{
    return -1;
}

int CAddressList::GetSelectedCount() const
{
    return 0;
}

int CAddressList::CountRecordsInGroup(const QString&) const
{
    return 0;
}

void CAddressList::SetGroupColumnText(const QString&) {}

void CAddressList::ClearIfGroupShown(const QString&) {}

std::string CAddressList::JoinSelectedMailAddresses(bool) const
{
    return {};
}

std::string CAddressList::FormatSelectedInfo(int) const
{
    return {};
}
