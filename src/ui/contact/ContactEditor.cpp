#include "ContactEditor.h"

#include "CInfomationSheet.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "ReadingField.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/Text.h"
#include "model/text/Cp932.h"

namespace {

void prepare(CInfomationSheet& sheet, const CVOK_AddressDoc& doc)
{
    sheet.SetHeaderText(ContactText::HeaderText);
    sheet.privatePage().m_groupNames = doc.groupNames();
    sheet.privatePage().readingField()->setGuess([&doc](const QString& name) {
        const auto bytes = Text::toCp932(name);
        const std::string_view guess = bytes ? doc.finder().guessedReading(*bytes) : "";
        return QString::fromUtf8(guess.data(), static_cast<qsizetype>(guess.size()));
    });
}

// The reading serves every contact of the name; an emptied field forgets it.
void storeReading(const CInfomationSheet& sheet, CVOK_AddressDoc& doc, std::string_view name)
{
    if (!name.empty())
        doc.SetReading(name, Cp932::toUtf8(sheet.privatePage().m_strReading));
}

void addNew(const CInfomationSheet& sheet, CVOK_AddressDoc& doc)
{
    auto record = std::make_unique<AddressRecord>();
    sheet.StoreRecord(*record);
    storeReading(sheet, doc, record->name());
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
    sheet.privatePage().m_strReading = Cp932::fromUtf8(doc.storedReading(record->name())).bytes;
    sheet.privatePage().m_bAllowCopy = true;
    sheet.privatePage().m_bKeepGroup = true;
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
    storeReading(sheet, doc, value.name());
    return doc.ChangeRecord(record, value);
}
