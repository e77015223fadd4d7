#include "ContactEditor.h"

#include "CInfomationSheet.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "ReadingField.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/Text.h"
#include "model/Cp932.h"
#include "model/GroupName.h"

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

// A group the tree lacks (a book carried here without its settings) stays offered, so that an
// unrelated edit does not move the contact to Other.
void keepOwnGroup(CInfomationSheet& sheet, std::string_view group)
{
    if (group.empty())
        return;
    QStringList& names = sheet.privatePage().m_groupNames;
    for (const QString& name : names) {
        if (GroupName::equals(Text::toCp932Lossy(name), group))
            return;
    }
    names.append(Text::fromCp932(group));
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
    keepOwnGroup(sheet, record->group());
    sheet.privatePage().m_strReading = Cp932::fromUtf8(doc.storedReading(record->name())).bytes;
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
    storeReading(sheet, doc, value.name());
    return doc.ChangeRecord(record, value);
}
