#include "ContactEditor.h"

#include "CInfomationSheet.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "app/CMainFrame.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"

namespace {

void prepare(CInfomationSheet& sheet, CGroupTree* tree)
{
    sheet.SetHeaderText(ContactText::HeaderText);
    tree->ListGroupNames(sheet.privatePage().m_groupNames);
}

AddressRecord* appendNew(const CInfomationSheet& sheet, CMainFrame* frame, CAddressList* list)
{
    auto record = std::make_unique<AddressRecord>();
    sheet.StoreRecord(*record);
    AddressRecord* added = frame->AppendRecord(std::move(record));
    list->AddRecordRow(added, false);
    return added;
}

} // namespace

bool ContactEditor::OnNewContact(CMainFrame* frame, CGroupTree* tree, CAddressList* list)
{
    CInfomationSheet sheet(frame);
    prepare(sheet, tree);
    sheet.privatePage().m_strGroup = tree->GetCurrentGroupName();
    tree->contextItem = nullptr;
    if (sheet.exec() != QDialog::Accepted)
        return false;
    appendNew(sheet, frame, list);
    return true;
}

bool ContactEditor::OnEditContact(CMainFrame* frame, CGroupTree* tree, CAddressList* list)
{
    AddressRecord* record = list->GetSelectedRecord();
    if (!record)
        return false;
    CInfomationSheet sheet(frame);
    prepare(sheet, tree);
    sheet.LoadRecord(*record);
    sheet.privatePage().m_bAllowCopy = true;
    if (sheet.exec() != QDialog::Accepted)
        return false;
    if (sheet.privatePage().m_bCopyAsNew) {
        appendNew(sheet, frame, list);
        return true;
    }
    // A command posted while the sheet was open may have removed the record.
    if (!frame->records().contains(record))
        return false;
    const int row = list->GetFocusedSelectedRow();
    sheet.StoreRecord(*record);
    list->UpdateRecordRow(row, record);
    return true;
}
