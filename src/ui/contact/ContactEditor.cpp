#include "ContactEditor.h"

#include "CInfomationSheet.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "core/CVOK_AddressDoc.h"

namespace {

void prepare(CInfomationSheet& sheet, const CVOK_AddressDoc& doc)
{
    sheet.SetHeaderText(ContactText::HeaderText);
    sheet.privatePage().m_groupNames = doc.groupNames();
}

void addNew(const CInfomationSheet& sheet, CVOK_AddressDoc& doc)
{
    auto record = std::make_unique<AddressRecord>();
    sheet.StoreRecord(*record);
    doc.AddRecord(std::move(record));
}

} // namespace

bool ContactEditor::OnNewContact(QWidget* parent, CVOK_AddressDoc& doc, const QString& group)
{
    CInfomationSheet sheet(parent);
    prepare(sheet, doc);
    sheet.privatePage().m_strGroup = group;
    if (sheet.exec() != QDialog::Accepted)
        return false;
    addNew(sheet, doc);
    return true;
}

bool ContactEditor::OnEditContact(QWidget* parent, CVOK_AddressDoc& doc, AddressRecord* record)
{
    if (!record)
        return false;
    CInfomationSheet sheet(parent);
    prepare(sheet, doc);
    sheet.LoadRecord(*record);
    sheet.privatePage().m_bAllowCopy = true;
    if (sheet.exec() != QDialog::Accepted)
        return false;
    if (sheet.privatePage().m_bCopyAsNew) {
        addNew(sheet, doc);
        return true;
    }
    // A command posted while the sheet was open may have removed the record.
    if (!doc.contains(record))
        return false;
    AddressRecord value = *record;
    sheet.StoreRecord(value);
    return doc.ChangeRecord(record, value);
}
