#include "ContactEditor.h"

#include "CInfomationSheet.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "ReadingField.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/storage/ContactDraft.h"
#include "model/text/Cp932.h"
#include "ui/common/MessageBox.h"

#include <QFile>
#include <algorithm>
#include <optional>
#include <vector>

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

// ---- drafts ------------------------------------------------------------------------------

// A sheet while it is open, and the draft it has in the book's draft file.
struct OpenSheet
{
    CInfomationSheet* sheet;
    CVOK_AddressDoc* doc;
    const AddressRecord* edited; // the contact as it was when the sheet opened; null: new
    std::optional<ContactDraft> written;
    bool keepOnClose = false;
};

std::vector<OpenSheet*>& openSheets()
{
    static std::vector<OpenSheet*> sheets;
    return sheets;
}

std::string draftPath(const CVOK_AddressDoc& doc)
{
    return QFile::encodeName(DataLocation::draftFilePath(doc.addressFilePath())).toStdString();
}

ContactDraft draftOf(OpenSheet& open)
{
    AddressRecord values;
    open.sheet->StoreDraft(values);
    ContactDraft draft;
    draft.edit = open.edited != nullptr;
    draft.copyAsNew = draft.edit && open.sheet->privatePage().m_bCopyAsNew;
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        draft.fields[i] = values.field(i);
        if (open.edited)
            draft.original[i] = open.edited->field(i);
    }
    draft.reading = Cp932::toUtf8(open.sheet->privatePage().m_strReading);
    return draft;
}

// Takes `old` out of the book's drafts and adds `now`, each when given.
bool updateDrafts(const CVOK_AddressDoc& doc, const std::optional<ContactDraft>& old,
                  const std::optional<ContactDraft>& now)
{
    const std::string path = draftPath(doc);
    std::vector<ContactDraft> drafts;
    if (ContactDraft::Load(path, drafts) == ContactDraft::Status::ReadError)
        return false; // what cannot be read is never replaced
    if (old) {
        const auto it = std::find(drafts.begin(), drafts.end(), *old);
        if (it != drafts.end())
            drafts.erase(it);
    }
    if (now)
        drafts.push_back(*now);
    return ContactDraft::Save(path, drafts) == ContactDraft::Status::Ok;
}

void keep(OpenSheet& open)
{
    const ContactDraft draft = draftOf(open);
    if (updateDrafts(*open.doc, open.written, draft))
        open.written = draft;
}

void forget(OpenSheet& open)
{
    if (open.written && updateDrafts(*open.doc, open.written, std::nullopt))
        open.written.reset();
}

// Runs the sheet; true on OK. A sheet the program's end closes keeps what it holds as a draft.
bool run(CInfomationSheet& sheet, CVOK_AddressDoc& doc, const AddressRecord* edited)
{
    const AddressRecord before = edited ? *edited : AddressRecord();
    OpenSheet open{&sheet, &doc, edited ? &before : nullptr, std::nullopt};
    openSheets().push_back(&open);
    const bool accepted = sheet.exec() == QDialog::Accepted;
    auto& sheets = openSheets();
    sheets.erase(std::remove(sheets.begin(), sheets.end(), &open), sheets.end());
    // Still shown: the event loop ended under it (the application quit). Closed by the
    // program, or told by the end: the same. Only the user's own OK or Cancel decide.
    if (!accepted && (sheet.isVisible() || sheet.closedFromOutside() || open.keepOnClose)) {
        keep(open);
        return false;
    }
    forget(open);
    return accepted;
}

// Opens the sheet with the draft's contents; true when the user confirmed it.
bool resume(QWidget* parent, CVOK_AddressDoc& doc, const ContactDraft& draft, AddressRecord* target)
{
    CInfomationSheet sheet(parent);
    prepare(sheet, doc);
    AddressRecord values;
    values.assign([&draft] {
        std::array<std::string_view, AddressRecord::FieldCount> fields;
        for (int i = 0; i < AddressRecord::FieldCount; ++i)
            fields[i] = draft.fields[i];
        return fields;
    }());
    sheet.LoadRecord(values);
    sheet.privatePage().m_strReading = Cp932::fromUtf8(draft.reading).bytes;
    if (target) {
        sheet.privatePage().m_bAllowCopy = true;
        sheet.privatePage().m_bKeepGroup = true;
        sheet.privatePage().m_bCopyAsNew = draft.copyAsNew;
    }
    if (!run(sheet, doc, target))
        return false;
    if (!target || sheet.privatePage().m_bCopyAsNew || !doc.contains(target)) {
        addNew(sheet, doc);
        return true;
    }
    AddressRecord value = *target;
    sheet.StoreRecord(value);
    storeReading(sheet, doc, value.name());
    return doc.ChangeRecord(target, value);
}

// The contact a draft edited, found by its contents as they were.
AddressRecord* editedBy(const CVOK_AddressDoc& doc, const ContactDraft& draft)
{
    for (const auto& record : doc.records()) {
        bool same = true;
        for (int i = 0; i < AddressRecord::FieldCount && same; ++i)
            same = record->field(i) == draft.original[i];
        if (same)
            return record.get();
    }
    return nullptr;
}

} // namespace

bool ContactEditor::OnNewContact(QWidget* parent, CVOK_AddressDoc& doc, const QString& group)
{
    CInfomationSheet sheet(parent);
    prepare(sheet, doc);
    sheet.privatePage().m_strGroup = group;
    if (!run(sheet, doc, nullptr))
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
    if (!run(sheet, doc, record))
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

void ContactEditor::KeepOpenDrafts(bool ending)
{
    for (OpenSheet* open : openSheets()) {
        open->keepOnClose = open->keepOnClose || ending;
        keep(*open);
    }
}

bool ContactEditor::hasDrafts(const CVOK_AddressDoc& doc)
{
    std::vector<ContactDraft> drafts;
    return ContactDraft::Load(draftPath(doc), drafts) == ContactDraft::Status::Ok;
}

void ContactEditor::OfferDrafts(QWidget* parent, CVOK_AddressDoc& doc)
{
    // One at a time from the file: a sheet interrupted again adds its draft there.
    std::vector<ContactDraft> declined;
    for (;;) {
        std::vector<ContactDraft> drafts;
        if (ContactDraft::Load(draftPath(doc), drafts) != ContactDraft::Status::Ok)
            break;
        const auto next = std::find_if(drafts.begin(), drafts.end(), [&](const ContactDraft& d) {
            return std::find(declined.begin(), declined.end(), d) == declined.end();
        });
        if (next == drafts.end())
            break;
        const ContactDraft draft = *next;
        AddressRecord* target = draft.edit ? editedBy(doc, draft) : nullptr;
        const std::string& name = draft.fields[AddressRecord::Name];
        QString text = ContactText::DraftOffer.arg(name.empty() ? ContactText::DraftNoName
                                                                : Text::fromCp932(name));
        if (draft.edit && !target)
            text += ContactText::DraftOriginalGone;
        text += ContactText::DraftOfferChoice;
        if (MessageBox::question(parent, text) != MessageBox::Yes || MessageBox::unattended()) {
            declined.push_back(draft); // asked again at the next start
            if (MessageBox::unattended())
                break;
            continue;
        }
        // Out of the file while its sheet is open; the sheet puts it back if it is interrupted.
        drafts.erase(next);
        if (ContactDraft::Save(draftPath(doc), drafts) != ContactDraft::Status::Ok)
            break;
        resume(parent, doc, draft, target);
        if (MessageBox::unattended())
            break;
    }
}
