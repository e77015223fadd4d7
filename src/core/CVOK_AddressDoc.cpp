#include "CVOK_AddressDoc.h"

#include "ContactFinder.h"
#include "DataLocation.h"
#include "Text.h"
#include "model/AddressFile.h"
#include "model/GroupName.h"
#include "settings/GroupStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unordered_set>

const QString CVOK_AddressDoc::RootName = QStringLiteral("VOK_Address");
const QString CVOK_AddressDoc::OtherGroup = QStringLiteral("Other");
const QStringList CVOK_AddressDoc::FixedGroups = {QStringLiteral("Private"),
                                                  QStringLiteral("Business"), OtherGroup};

namespace {

std::string encodedPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

CVOK_AddressDoc::CVOK_AddressDoc(QObject* parent)
    : QObject(parent), m_finder(std::make_unique<ContactFinder>(*this))
{
    m_userGroups = GroupStore::load();
    m_records.recordsRemoving = [this](const std::vector<const AddressRecord*>& records) {
        emit recordsRemoving(records);
    };
}

CVOK_AddressDoc::~CVOK_AddressDoc()
{
    // Nobody listens to a book that is going.
    m_records.recordsRemoving = nullptr;
}

bool CVOK_AddressDoc::LoadAddressFile(const QString& path)
{
    m_path = path.isEmpty() ? DataLocation::addressFilePath() : path;
    m_loadFailed =
        AddressFile::Load(encodedPath(m_path), m_records) == AddressFile::Status::ReadError;
    // A book without readings works as before; unreadable readings are guessed again.
    m_readings.Load(encodedPath(readingsPath()));
    m_finder->reset();
    return !m_loadFailed;
}

QString CVOK_AddressDoc::readingsPath() const
{
    return QFileInfo(m_path).absolutePath() + u'/' + QString::fromLatin1(ReadingStore::FileName);
}

void CVOK_AddressDoc::SetReading(std::string_view name, std::string_view reading)
{
    if (m_readings.reading(name) == reading)
        return;
    m_readings.setReading(name, reading);
    emit readingChanged(std::string(name));
}

bool CVOK_AddressDoc::SaveAddressFile()
{
    if (m_path.isEmpty() || m_loadFailed) // never replace a file we could not read
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (AddressFile::Save(encodedPath(m_path), m_records) != AddressFile::Status::Ok)
        return false;
    // Readings of names no contact bears any more are dropped.
    std::unordered_set<std::string_view> names;
    names.reserve(m_records.size());
    for (const auto& record : m_records)
        names.insert(record->name());
    return m_readings.Save(encodedPath(readingsPath()), [&names](std::string_view name) {
               return names.count(name) != 0;
           }) == ReadingStore::Status::Ok;
}

AddressRecord* CVOK_AddressDoc::AddRecord(std::unique_ptr<AddressRecord> record)
{
    AddressRecord* added = m_records.AppendRecord(std::move(record));
    if (added)
        emit recordsAdded({added}, false);
    return added;
}

std::vector<AddressRecord*>
CVOK_AddressDoc::ImportRecords(std::vector<std::unique_ptr<AddressRecord>> records)
{
    std::vector<AddressRecord*> added;
    added.reserve(records.size());
    m_records.reserve(m_records.size() + records.size());
    for (auto& record : records) {
        if (AddressRecord* r = m_records.AppendRecord(std::move(record)))
            added.push_back(r);
    }
    if (!added.empty())
        emit recordsAdded(added, true);
    return added;
}

bool CVOK_AddressDoc::ChangeRecord(AddressRecord* record, const AddressRecord& value)
{
    if (!record || !m_records.contains(record))
        return false;
    *record = value;
    emit recordsChanged({record});
    return true;
}

std::size_t CVOK_AddressDoc::RemoveRecords(const std::vector<const AddressRecord*>& records)
{
    if (records.size() == 1)
        return m_records.RemoveRecord(records.front()) ? 1 : 0;
    return m_records.RemoveRecords(
        std::unordered_set<const AddressRecord*>(records.begin(), records.end()));
}

std::size_t CVOK_AddressDoc::MoveToGroup(const std::vector<AddressRecord*>& records,
                                         const QString& group)
{
    const auto target = Text::toCp932(group);
    if (!target || target->empty())
        return 0;
    std::vector<AddressRecord*> moved;
    for (AddressRecord* record : records) {
        if (!record || GroupName::equals(*target, record->group()))
            continue;
        record->setField(AddressRecord::Group, *target);
        moved.push_back(record);
    }
    if (!moved.empty())
        emit recordsChanged(moved);
    return moved.size();
}

std::vector<AddressRecord*>
CVOK_AddressDoc::CopyToGroup(const std::vector<const AddressRecord*>& records, const QString& group)
{
    std::vector<AddressRecord*> copies;
    const auto target = Text::toCp932(group);
    if (!target || target->empty())
        return copies;
    for (const AddressRecord* source : records) {
        if (!source)
            continue;
        auto copy = std::make_unique<AddressRecord>(*source);
        if (!GroupName::equals(*target, source->group()))
            copy->setField(AddressRecord::Group, *target);
        copies.push_back(m_records.AppendRecord(std::move(copy)));
    }
    if (!copies.empty())
        emit recordsAdded(copies, true);
    return copies;
}

void CVOK_AddressDoc::DeleteAllRecords()
{
    m_records.DeleteAllRecords();
}

std::size_t CVOK_AddressDoc::CountGroupRecords(const QString& group) const
{
    const auto bytes = Text::toCp932(group);
    return bytes ? m_records.CountGroupRecords(*bytes) : 0;
}

QStringList CVOK_AddressDoc::groupNames() const
{
    return FixedGroups + m_userGroups;
}

bool CVOK_AddressDoc::isRootName(const QString& name)
{
    return name.compare(RootName, Qt::CaseInsensitive) == 0;
}

bool CVOK_AddressDoc::isUserGroup(const QString& name) const
{
    return m_userGroups.contains(name);
}

bool CVOK_AddressDoc::GroupNameStored(const QString& name) const
{
    return GroupStore::contains(name);
}

bool CVOK_AddressDoc::CreateGroup(const QString& name)
{
    if (name.isEmpty() || GroupNameStored(name))
        return false;
    GroupStore::add(name);
    m_userGroups.append(name);
    emit groupAdded(name);
    return true;
}

bool CVOK_AddressDoc::RenameGroup(const QString& oldName, const QString& newName)
{
    if (oldName.isEmpty() || newName.isEmpty() || GroupNameStored(newName))
        return false;
    GroupStore::remove(oldName);
    GroupStore::add(newName);
    const qsizetype at = m_userGroups.indexOf(oldName);
    if (at >= 0)
        m_userGroups[at] = newName;
    else
        m_userGroups.append(newName);
    const auto oldBytes = Text::toCp932(oldName);
    const auto newBytes = Text::toCp932(newName);
    if (oldBytes && newBytes)
        m_records.RenameGroup(*oldBytes, *newBytes);
    emit groupRenamed(oldName, newName);
    return true;
}

std::size_t CVOK_AddressDoc::DeleteGroup(const QString& name)
{
    GroupStore::remove(name);
    m_userGroups.removeAll(name);
    std::size_t removed = 0;
    if (const auto bytes = Text::toCp932(name))
        removed = m_records.RemoveGroupRecords(*bytes);
    emit groupRemoved(name);
    return removed;
}
