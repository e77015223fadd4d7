#include "CVOK_AddressDoc.h"

#include "ContactFinder.h"
#include "DataLocation.h"
#include "Text.h"
#include "model/book/BookSnapshot.h"
#include "model/book/ContactExtras.h"
#include "model/book/GroupName.h"
#include "model/book/RecordFingerprint.h"
#include "model/io/AtomicFile.h"
#include "model/storage/AddressFile.h"
#include "model/storage/AddressFileWriter.h"
#include "model/storage/CompanionAlign.h"
#include "settings/GroupStore.h"

#include <QFile>
#include <QSet>
#include <cerrno>
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

std::vector<AddressRecord*> recordsOf(const std::vector<BookChange::GroupEdit>& edits)
{
    std::vector<AddressRecord*> out;
    out.reserve(edits.size());
    for (const auto& e : edits)
        out.push_back(e.record);
    return out;
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
    ReleaseLoad();
    if (m_reader.joinable())
        m_reader.join();
    GroupStore::waitForWrites();
    // Nobody listens to a book that is going.
    m_records.recordsRemoving = nullptr;
}

// What a load reads and decodes, without touching the book: it may run on any thread.
struct CVOK_AddressDoc::BookRead
{
    RecordList records;
    AddressFile::LoadReport load;
    bool failed = false;
    CompanionFile::Status companionStatus = CompanionFile::Status::Missing;
    CompanionFile::Contents companion;
    std::vector<std::size_t> match; // companion entry of each record (CompanionAlign)
    std::unordered_map<ContactUid, AddressRecord*, ContactUid::Hash> byUid;
    bool realigned = false;
    std::size_t newIdentities = 0;
    std::vector<CompanionFile::Entry> setAside;
    ReadingStore readings;
    int readingsError = 0;
    std::vector<std::string> unread; // names without a stored reading, each once
};

std::unique_ptr<CVOK_AddressDoc::BookRead> CVOK_AddressDoc::readBook(const std::string& file,
                                                                     const std::string& companion,
                                                                     const std::string& readings)
{
    auto read = std::make_unique<BookRead>();
    // We hold the single-instance lock, and a running save locks its file: what is unlocked
    // is left over from a save that was killed.
    AtomicFile::removeStale(file);
    AtomicFile::removeStale(CompanionFile::pathFor(file));
    read->failed =
        AddressFile::Load(file, read->records, &read->load) == AddressFile::Status::ReadError;
    // Garbage shown as contacts helps nobody; the file stays whole as the backup.
    if (!read->failed && read->load.notAnAddressBook())
        read->records.DeleteAllRecords();
    if (!read->failed) {
        read->companionStatus = CompanionFile::Load(companion, read->companion);
        std::vector<RecordFingerprint> entries;
        entries.reserve(read->companion.entries.size());
        for (const auto& e : read->companion.entries)
            entries.push_back(e.fingerprint);
        std::vector<RecordFingerprint> records;
        records.reserve(read->records.size());
        for (const auto& r : read->records) {
            records.push_back(RecordFingerprint::of(*r));
            r->rememberFingerprint(records.back());
        }
        read->match = CompanionAlign::align(entries, records);
        giveIdentities(*read);
        // Freed here: a hundred thousand entries take longer to free than a frame lasts.
        std::vector<CompanionFile::Entry>().swap(read->companion.entries);
        std::vector<std::size_t>().swap(read->match);
    }
    // A book without readings works as before. Readings that exist but cannot be read are
    // never replaced by the few given in this run.
    int error = EIO;
    if (read->readings.Load(readings, &error) == ReadingStore::Status::ReadError)
        read->readingsError = error;
    std::unordered_set<std::string_view> seen;
    seen.reserve(read->records.size());
    for (const auto& r : read->records) {
        const std::string_view name = r->name();
        if (!name.empty() && read->readings.reading(name).empty() && seen.insert(name).second)
            read->unread.emplace_back(name);
    }
    return read;
}

// Every record gets its identity and extras from the companion entry it lines up with, or a
// new identity; extras that fit nobody now are set aside, never guessed onto a contact.
void CVOK_AddressDoc::giveIdentities(BookRead& read)
{
    const CompanionFile::Contents& contents = read.companion;
    const std::vector<std::size_t>& match = read.match;
    std::vector<bool> used(contents.entries.size(), false);
    read.byUid.reserve(read.records.size());
    read.realigned = contents.entries.size() != read.records.size();
    for (std::size_t i = 0; i < read.records.size(); ++i) {
        AddressRecord* record = read.records.at(i);
        const std::size_t e = match[i];
        if (e != i)
            read.realigned = true;
        if (e != CompanionAlign::None &&
            read.byUid.emplace(contents.entries[e].uid, record).second) {
            record->setUid(contents.entries[e].uid);
            record->setExtras(contents.entries[e].extras);
            used[e] = true;
            continue;
        }
        ContactUid uid = record->uid();
        while (uid.isNull() || read.byUid.count(uid) != 0)
            uid = ContactUid::generate();
        record->setUid(uid);
        read.byUid.emplace(uid, record);
        ++read.newIdentities;
    }
    // An entry without extras was a contact deleted elsewhere.
    for (std::size_t e = 0; e < contents.entries.size(); ++e) {
        if (!used[e] && contents.entries[e].extras)
            read.setAside.push_back(contents.entries[e]);
    }
}

void CVOK_AddressDoc::beginLoad(const QString& path)
{
    if (m_loading)
        FinishLoad();
    m_path = path.isEmpty() ? DataLocation::addressFilePath() : path;
}

bool CVOK_AddressDoc::LoadAddressFile(const QString& path)
{
    beginLoad(path);
    const std::unique_ptr<BookRead> read = readBook(
        encodedPath(m_path), encodedPath(companionFilePath()), encodedPath(readingsFilePath()));
    return adopt(*read);
}

void CVOK_AddressDoc::LoadInBackground(const QString& path, bool held)
{
    beginLoad(path);
    m_loading = true;
    std::shared_future<void> go;
    if (held) {
        m_release.emplace();
        go = m_release->get_future().share();
    }
    m_reader = std::thread([this, go, file = encodedPath(m_path),
                            companion = encodedPath(companionFilePath()),
                            readings = encodedPath(readingsFilePath())] {
        if (go.valid())
            go.wait();
        m_read = readBook(file, companion, readings);
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_takenInByItself = true;
                FinishLoad();
                m_takenInByItself = false;
            },
            Qt::QueuedConnection);
    });
}

void CVOK_AddressDoc::ReleaseLoad()
{
    if (!m_release)
        return;
    m_release->set_value();
    m_release.reset();
}

bool CVOK_AddressDoc::FinishLoad()
{
    if (!m_loading)
        return false;
    ReleaseLoad();
    m_reader.join();
    m_loading = false;
    const std::unique_ptr<BookRead> read = std::move(m_read);
    const bool loaded = adopt(*read);
    emit bookLoaded();
    return loaded;
}

bool CVOK_AddressDoc::adopt(BookRead& read)
{
    RecordList::Records records = read.records.TakeRecords();
    m_records.reserve(m_records.size() + records.size());
    for (auto& r : records)
        m_records.AppendRecord(std::move(r));
    m_load = read.load;
    m_loadFailed = read.failed;
    m_history.clear();
    m_continuable = nullptr;
    m_revision = 0;
    m_recordsRevision = 0;
    if (m_loadFailed) {
        m_companion = CompanionLoad{}; // nothing to align with; the file stays as it is
        m_writer = nullptr;
    } else {
        loadCompanion(read);
        const bool companionDamaged = m_companion.status == CompanionFile::Status::Damaged ||
                                      m_companion.status == CompanionFile::Status::ReadError;
        m_writer = std::make_shared<AddressFileWriter>(encodedPath(m_path), loadDamaged(),
                                                       companionDamaged);
        m_writer->setAside(m_aside);
    }
    m_loadedRevision = 0;
    m_readings = std::move(read.readings);
    m_unreadNames = std::move(read.unread);
    m_readingsError = read.readingsError;
    m_readingsChanged = false;
    ++m_readingsRevision; // a save of the readings before is no longer theirs
    m_finder->reset();
    return !m_loadFailed;
}

// Takes in the identities the reader gave and the groups the companion file keeps.
void CVOK_AddressDoc::loadCompanion(BookRead& read)
{
    m_companion = CompanionLoad{};
    m_companion.status = read.companionStatus;
    m_byUid = std::move(read.byUid);
    m_companion.newIdentities = read.newIdentities;
    m_companion.setAside = std::move(read.setAside);
    const bool realigned = read.realigned;
    const CompanionFile::Contents& contents = read.companion;
    m_aside = contents.aside;
    m_aside.insert(m_aside.end(), m_companion.setAside.begin(), m_companion.setAside.end());

    // The groups travel with the book; those only this profile's settings know join them.
    QStringList groups;
    for (const std::string& g : contents.groups) {
        const QString name = QString::fromUtf8(g.data(), qsizetype(g.size()));
        if (!name.isEmpty() && !FixedGroups.contains(name, Qt::CaseInsensitive) &&
            !groups.contains(name))
            groups.append(name);
    }
    const QStringList stored = GroupStore::load();
    QStringList unknownHere;
    for (const QString& name : groups) {
        if (!stored.contains(name))
            unknownHere << name;
    }
    if (!unknownHere.isEmpty()) // a book brought from another profile: its groups join ours
        GroupStore::addAll(unknownHere);
    bool groupsMoved = false;
    for (const QString& name : stored) {
        if (!groups.contains(name)) {
            groups.append(name);
            groupsMoved = true;
        }
    }
    m_userGroups = groups;

    // Whatever the load had to make up is written soon, so that identities never change. A
    // book that does not exist yet stays unwritten until something is put in.
    const bool nothing = m_records.empty() && m_userGroups.isEmpty();
    if (!m_loadFailed && !nothing &&
        (m_companion.status != CompanionFile::Status::Ok || realigned ||
         m_companion.newIdentities != 0 || groupsMoved))
        m_revision = 1;
}

void CVOK_AddressDoc::giveIdentity(AddressRecord* record)
{
    ContactUid uid = record->uid();
    while (uid.isNull() || m_byUid.count(uid) != 0)
        uid = ContactUid::generate();
    record->setUid(uid);
}

void CVOK_AddressDoc::indexUids(const std::vector<AddressRecord*>& records, bool add)
{
    for (AddressRecord* r : records) {
        if (add)
            m_byUid[r->uid()] = r;
        else if (const auto it = m_byUid.find(r->uid()); it != m_byUid.end() && it->second == r)
            m_byUid.erase(it);
    }
}

AddressRecord* CVOK_AddressDoc::findByUid(const ContactUid& uid) const
{
    const auto it = m_byUid.find(uid);
    return it == m_byUid.end() ? nullptr : it->second;
}

QString CVOK_AddressDoc::companionFilePath() const
{
    return DataLocation::companionFilePath(m_path);
}

std::unique_ptr<BookSnapshot> CVOK_AddressDoc::snapshot() const
{
    std::vector<std::string> groups;
    groups.reserve(std::size_t(m_userGroups.size()));
    for (const QString& g : m_userGroups)
        groups.push_back(g.toStdString());
    return std::make_unique<BookSnapshot>(m_records, m_revision, m_recordsRevision,
                                          std::move(groups));
}

QString CVOK_AddressDoc::backupFilePath() const
{
    return QFile::decodeName(AtomicFile::backupPath(encodedPath(m_path)).c_str());
}

QString CVOK_AddressDoc::olderBackupFilePath() const
{
    return QFile::decodeName(AtomicFile::olderBackupPath(encodedPath(m_path)).c_str());
}

QString CVOK_AddressDoc::readingsFilePath() const
{
    return DataLocation::readingsFilePath(m_path);
}

void CVOK_AddressDoc::SetReading(std::string_view name, std::string_view reading)
{
    waitForBook();
    if (m_readings.reading(name) == reading)
        return;
    m_readings.setReading(name, reading);
    m_readingsChanged = m_readingsError == 0;
    ++m_readingsRevision;
    emit readingChanged(std::string(name));
}

void CVOK_AddressDoc::SetReadings(const std::vector<std::pair<std::string, std::string>>& readings)
{
    waitForBook();
    std::vector<std::string> names;
    for (const auto& [name, reading] : readings) {
        if (m_readings.reading(name) == reading)
            continue;
        m_readings.setReading(name, reading);
        names.push_back(name);
    }
    if (names.empty())
        return;
    m_readingsChanged = m_readingsError == 0;
    ++m_readingsRevision;
    emit readingsGiven(names);
}

bool CVOK_AddressDoc::SaveAddressFile()
{
    waitForBook();
    if (!m_writer) // never replace a file we could not read
        return false;
    // Older copies know the book's groups from the settings alone.
    GroupStore::waitForWrites();
    if (m_writer->Write(*snapshot()) != AddressFile::Status::Ok)
        return false;
    m_loadedRevision = m_revision;
    return SaveReadings();
}

bool CVOK_AddressDoc::SaveReadings()
{
    waitForBook();
    if (!m_writer)
        return false;
    if (m_readingsError != 0)
        return true; // kept as it is; the user was told at the start
    // Readings of names no contact bears any more are dropped.
    std::unordered_set<std::string_view> names;
    names.reserve(m_records.size());
    for (const auto& record : m_records)
        names.insert(record->name());
    const bool ok =
        m_readings.Save(encodedPath(readingsFilePath()), [&names](std::string_view name) {
            return names.count(name) != 0;
        }) == ReadingStore::Status::Ok;
    if (ok)
        m_readingsChanged = false;
    return ok;
}

std::optional<CVOK_AddressDoc::ReadingsToSave> CVOK_AddressDoc::readingsToSave() const
{
    if (!m_writer || !m_readingsChanged || m_readingsError != 0)
        return std::nullopt;
    return ReadingsToSave{m_readings.shared(), encodedPath(readingsFilePath()), m_readingsRevision};
}

void CVOK_AddressDoc::readingsSaved(std::uint64_t revision)
{
    // A reading given while they were written goes with the next save.
    if (revision == m_readingsRevision)
        m_readingsChanged = false;
}

// ---- changes -----------------------------------------------------------------------------

void CVOK_AddressDoc::commit(std::unique_ptr<BookChange> change)
{
    change->joinsPrevious = m_joinChanges;
    apply(*change, true);
    m_continuable = nullptr;
    m_history.push(std::move(change));
    emit undoStateChanged();
}

bool CVOK_AddressDoc::Undo()
{
    waitForBook();
    return step(m_history.stepBack(), false);
}

bool CVOK_AddressDoc::Redo()
{
    waitForBook();
    return step(m_history.stepForward(), true);
}

bool CVOK_AddressDoc::step(const std::vector<BookChange*>& changes, bool forward)
{
    if (changes.empty())
        return false;
    m_continuable = nullptr;
    for (BookChange* change : changes)
        apply(*change, forward);
    emit undoStateChanged();
    return true;
}

// Forwards: groups added and renamed, records edited, removed and added, groups removed.
// Backwards: the same steps in the opposite order, each reversed.
void CVOK_AddressDoc::apply(BookChange& c, bool forward)
{
    using Op = BookChange::GroupOp;
    ++m_revision; // every change is one of the files beside the book at least
    if (c.touchesDataFile())
        ++m_recordsRevision;

    const auto groupAdd = [&](const QString& name) {
        addStoredGroup(name, c.groupIndex);
        emit groupAdded(name);
    };
    const auto groupsAdd = [&] {
        addStoredGroups(c.groupsAdded, c.groupIndex);
        for (const QString& name : c.groupsAdded)
            emit groupAdded(name);
    };
    const auto groupsRemove = [&] {
        removeStoredGroups(c.groupsAdded);
        for (const QString& name : c.groupsAdded)
            emit groupRemoved(name);
    };
    const auto groupRemove = [&](const QString& name) {
        removeStoredGroup(name);
        emit groupRemoved(name);
    };
    const auto edit = [&] {
        for (auto& e : c.edits)
            *e.record = forward ? e.after : e.before;
        for (auto& e : c.groupEdits)
            e.record->setField(AddressRecord::Group, forward ? e.after : e.before);
        if (c.groupOp == Op::Rename) {
            const QString& from = forward ? c.oldGroup : c.group;
            const QString& to = forward ? c.group : c.oldGroup;
            renameStoredGroup(from, to);
            emit groupRenamed(from, to); // the renamed contacts follow with it
        } else if (!c.groupEdits.empty()) {
            emit recordsChanged(recordsOf(c.groupEdits));
        }
        if (!c.edits.empty()) {
            std::vector<AddressRecord*> edited;
            for (const auto& e : c.edits)
                edited.push_back(e.record);
            emit recordsChanged(edited);
        }
    };
    const auto takeOut = [&](const std::vector<AddressRecord*>& records,
                             std::vector<RecordList::Taken>& into) {
        if (records.empty())
            return;
        emit recordsRemoving(std::vector<const AddressRecord*>(records.begin(), records.end()));
        indexUids(records, false);
        const std::unordered_set<const AddressRecord*> doomed(records.begin(), records.end());
        into = m_records.TakeOutIf([&](const AddressRecord* r) { return doomed.count(r) != 0; });
    };
    const auto putBack = [&](std::vector<RecordList::Taken>& from,
                             const std::vector<AddressRecord*>& records, bool marked) {
        if (from.empty())
            return;
        m_records.PutBack(from);
        indexUids(records, true);
        emit recordsAdded(records, marked);
    };

    if (forward) {
        if (c.groupOp == Op::Add)
            groupsAdd();
        edit();
        takeOut(c.removed, c.removedOut);
        putBack(c.addedOut, c.added, c.marked);
        if (c.groupOp == Op::Remove)
            groupRemove(c.group);
    } else {
        if (c.groupOp == Op::Remove && c.groupStored)
            groupAdd(c.group);
        takeOut(c.added, c.addedOut);
        putBack(c.removedOut, c.removed, false);
        edit();
        if (c.groupOp == Op::Add)
            groupsRemove();
    }
}

void CVOK_AddressDoc::addStoredGroup(const QString& name, qsizetype index)
{
    // An undone deletion puts the group back where it stood, in the tree and in the store.
    GroupStore::add(name, index);
    if (m_userGroups.contains(name))
        return;
    if (index < 0 || index > m_userGroups.size())
        index = m_userGroups.size();
    m_userGroups.insert(index, name);
}

void CVOK_AddressDoc::addStoredGroups(const QStringList& names, qsizetype index)
{
    GroupStore::addAll(names);
    if (index < 0 || index > m_userGroups.size())
        index = m_userGroups.size();
    QSet<QString> present(m_userGroups.begin(), m_userGroups.end());
    QStringList added;
    for (const QString& name : names) {
        if (!present.contains(name)) {
            present.insert(name);
            added << name;
        }
    }
    m_userGroups = m_userGroups.mid(0, index) + added + m_userGroups.mid(index);
}

void CVOK_AddressDoc::removeStoredGroups(const QStringList& names)
{
    GroupStore::removeAll(names);
    const QSet<QString> gone(names.begin(), names.end());
    m_userGroups.removeIf([&gone](const QString& name) { return gone.contains(name); });
}

void CVOK_AddressDoc::removeStoredGroup(const QString& name)
{
    GroupStore::remove(name);
    m_userGroups.removeAll(name);
}

void CVOK_AddressDoc::renameStoredGroup(const QString& from, const QString& to)
{
    GroupStore::rename(from, to);
    const qsizetype at = m_userGroups.indexOf(from);
    if (at >= 0)
        m_userGroups[at] = to;
    else
        m_userGroups.append(to);
}

// ---- records -----------------------------------------------------------------------------

AddressRecord* CVOK_AddressDoc::AddRecord(std::unique_ptr<AddressRecord> record)
{
    waitForBook();
    if (!record)
        return nullptr;
    std::vector<std::unique_ptr<AddressRecord>> one;
    one.push_back(std::move(record));
    giveIdentity(one.front().get());
    auto change = std::make_unique<BookChange>();
    change->added.push_back(one.front().get());
    change->addedOut.push_back(RecordList::Taken{m_records.size(), std::move(one.front())});
    AddressRecord* added = change->added.front();
    commit(std::move(change));
    return added;
}

void CVOK_AddressDoc::addWithIdentity(BookChange& change,
                                      std::vector<std::unique_ptr<AddressRecord>>& records)
{
    std::unordered_set<ContactUid, ContactUid::Hash> batch; // two cards of one file may share one
    for (auto& record : records) {
        if (!record)
            continue;
        if (!batch.insert(record->uid()).second)
            record->setUid({});
        giveIdentity(record.get());
        batch.insert(record->uid());
        change.added.push_back(record.get());
        change.addedOut.push_back(
            RecordList::Taken{m_records.size() + change.addedOut.size(), std::move(record)});
    }
}

std::vector<AddressRecord*>
CVOK_AddressDoc::ImportRecords(std::vector<std::unique_ptr<AddressRecord>> records, bool more)
{
    waitForBook();
    auto change = std::make_unique<BookChange>();
    change->marked = true;
    m_records.reserve(m_records.size() + records.size());
    addWithIdentity(*change, records);
    std::vector<AddressRecord*> added = change->added;
    if (added.empty())
        return added;
    // Only into a change that adds and does nothing else: its undo takes them out in one pass.
    const BookChange* last = continues(more) && !m_continuableIsSync ? m_continuable : nullptr;
    if (!last || !last->edits.empty() || !last->groupEdits.empty() || !last->removed.empty() ||
        last->groupOp != BookChange::GroupOp::None) {
        commit(std::move(change));
        m_continuable = m_history.lastDone();
        m_continuableIsSync = false;
        return added;
    }
    // The next slice of the same import: the same change, however many slices, so that the
    // history's limit counts it once and Ctrl+Z takes it back in one pass.
    m_addingToImport = true;
    apply(*change, true);
    m_addingToImport = false;
    m_continuable->added.insert(m_continuable->added.end(), added.begin(), added.end());
    return added;
}

bool CVOK_AddressDoc::ChangeRecord(AddressRecord* record, const AddressRecord& value)
{
    waitForBook();
    if (!record || !m_records.contains(record))
        return false;
    auto change = std::make_unique<BookChange>();
    change->edits.push_back(BookChange::Edit{record, *record, value});
    commit(std::move(change));
    return true;
}

bool CVOK_AddressDoc::MergeRecords(AddressRecord* kept, const AddressRecord& value,
                                   const std::vector<const AddressRecord*>& others)
{
    waitForBook();
    const bool join = m_joinChanges;
    if (!ChangeRecord(kept, value))
        return false;
    m_joinChanges = true;
    RemoveRecords(others);
    m_joinChanges = join;
    emit recordsMerged({kept});
    return true;
}

std::size_t
CVOK_AddressDoc::MergeRecords(std::vector<std::pair<AddressRecord*, AddressRecord>> merges)
{
    waitForBook();
    // Thousands at once (an import's): one pass over the book, one announcement.
    std::unordered_map<const AddressRecord*, std::size_t> at;
    for (std::size_t i = 0; i < merges.size(); ++i)
        at[merges[i].first] = i; // a record named twice takes the last value
    auto change = std::make_unique<BookChange>();
    std::vector<AddressRecord*> kept;
    for (const auto& r : m_records) {
        const auto it = at.find(r.get());
        if (it == at.end() || *r == merges[it->second].second)
            continue;
        change->edits.push_back(
            BookChange::Edit{r.get(), *r, std::move(merges[it->second].second)});
        kept.push_back(r.get());
    }
    if (kept.empty())
        return 0;
    commit(std::move(change));
    emit recordsMerged(kept);
    return kept.size();
}

std::vector<AddressRecord*> CVOK_AddressDoc::ApplySync(SyncChanges changes, bool more)
{
    waitForBook();
    auto change = std::make_unique<BookChange>();
    for (auto& [record, value] : changes.edits) {
        if (record && m_records.contains(record) && !(*record == value))
            change->edits.push_back(BookChange::Edit{record, *record, std::move(value)});
    }
    const std::unordered_set<const AddressRecord*> wanted(changes.removed.begin(),
                                                          changes.removed.end());
    if (!wanted.empty()) {
        for (const auto& r : m_records) {
            if (wanted.count(r.get()))
                change->removed.push_back(r.get());
        }
    }
    m_records.reserve(m_records.size() + changes.added.size());
    addWithIdentity(*change, changes.added);
    std::vector<AddressRecord*> added = change->added;
    if (!change->touchesRecords())
        return added;
    m_applyingSync = true;
    if (continues(more) && m_continuableIsSync && change->edits.empty() &&
        change->removed.empty()) {
        // The next slice of the same run: one step for Ctrl+Z, however many slices.
        apply(*change, true);
        m_continuable->added.insert(m_continuable->added.end(), added.begin(), added.end());
    } else {
        commit(std::move(change));
        m_continuable = m_history.lastDone();
        m_continuableIsSync = true;
    }
    m_applyingSync = false;
    return added;
}

std::size_t CVOK_AddressDoc::RemoveRecords(const std::vector<const AddressRecord*>& records)
{
    waitForBook();
    const std::unordered_set<const AddressRecord*> wanted(records.begin(), records.end());
    auto change = std::make_unique<BookChange>();
    // In list order: they come back at their places in the same order.
    for (const auto& r : m_records) {
        if (wanted.count(r.get()))
            change->removed.push_back(r.get());
    }
    const std::size_t removed = change->removed.size();
    if (removed != 0)
        commit(std::move(change));
    return removed;
}

std::size_t CVOK_AddressDoc::MoveToGroup(const std::vector<AddressRecord*>& records,
                                         const QString& group)
{
    waitForBook();
    const auto target = Text::toCp932(group);
    if (!target || target->empty())
        return 0;
    auto change = std::make_unique<BookChange>();
    for (AddressRecord* record : records) {
        if (!record || GroupName::equals(*target, record->group()))
            continue;
        change->groupEdits.push_back(
            BookChange::GroupEdit{record, std::string(record->group()), *target});
    }
    const std::size_t moved = change->groupEdits.size();
    if (moved != 0)
        commit(std::move(change));
    return moved;
}

std::vector<AddressRecord*>
CVOK_AddressDoc::CopyToGroup(const std::vector<const AddressRecord*>& records, const QString& group)
{
    waitForBook();
    const auto target = Text::toCp932(group);
    if (!target || target->empty())
        return {};
    std::vector<std::unique_ptr<AddressRecord>> copies;
    for (const AddressRecord* source : records) {
        if (!source)
            continue;
        auto copy = std::make_unique<AddressRecord>(*source);
        if (!GroupName::equals(*target, source->group()))
            copy->setField(AddressRecord::Group, *target);
        copies.push_back(std::move(copy));
    }
    return ImportRecords(std::move(copies));
}

void CVOK_AddressDoc::DeleteAllRecords()
{
    waitForBook();
    m_history.clear();
    m_continuable = nullptr;
    m_byUid.clear();
    m_records.DeleteAllRecords();
    emit undoStateChanged();
}

std::size_t CVOK_AddressDoc::CountGroupRecords(const QString& group) const
{
    const auto bytes = Text::toCp932(group);
    return bytes ? m_records.CountGroupRecords(*bytes) : 0;
}

// ---- groups ------------------------------------------------------------------------------

QStringList CVOK_AddressDoc::groupNames() const
{
    return FixedGroups + m_userGroups;
}

bool CVOK_AddressDoc::isRootName(const QString& name)
{
    return name.compare(RootName, Qt::CaseInsensitive) == 0;
}

bool CVOK_AddressDoc::GroupNameStored(const QString& name) const
{
    const auto bytes = Text::toCp932(name);
    for (const QString& group : m_userGroups) {
        if (group == name)
            return true;
        const auto other = Text::toCp932(group);
        if (bytes && other && GroupName::equals(*bytes, *other))
            return true;
    }
    return GroupStore::contains(name);
}

bool CVOK_AddressDoc::CreateGroup(const QString& name)
{
    waitForBook();
    return !CreateGroups({name}).isEmpty();
}

bool CVOK_AddressDoc::continues(bool more) const
{
    return more && m_continuable && m_history.lastDone() == m_continuable;
}

QStringList CVOK_AddressDoc::CreateGroups(const QStringList& names,
                                          const std::vector<GroupMove>& moves, bool more)
{
    waitForBook();
    if (continues(more) && !m_continuableIsSync && names.isEmpty() &&
        m_continuable->added.empty() && m_continuable->removed.empty() &&
        m_continuable->edits.empty()) {
        // More of the same moves: into the same change, as the slices of an import are.
        BookChange change;
        for (const GroupMove& move : moves) {
            if (move.record && !move.group.empty() &&
                !GroupName::equals(move.group, move.record->group()))
                change.groupEdits.push_back(BookChange::GroupEdit{
                    move.record, std::string(move.record->group()), move.group});
        }
        if (change.groupEdits.empty())
            return {};
        apply(change, true);
        m_continuable->groupEdits.insert(m_continuable->groupEdits.end(), change.groupEdits.begin(),
                                         change.groupEdits.end());
        return {};
    }
    // The stored groups are read once: an import may create thousands.
    std::unordered_set<std::string> taken;
    for (const QString& stored : GroupStore::load())
        taken.insert(GroupStore::matchKey(stored));
    for (const QString& known : m_userGroups) // the book's own, which this profile may lack
        taken.insert(GroupStore::matchKey(known));
    auto change = std::make_unique<BookChange>();
    for (const QString& name : names) {
        if (!name.isEmpty() && taken.insert(GroupStore::matchKey(name)).second)
            change->groupsAdded << name;
    }
    if (!change->groupsAdded.isEmpty()) {
        change->groupOp = BookChange::GroupOp::Add;
        change->groupIndex = m_userGroups.size();
    }
    for (const GroupMove& move : moves) {
        if (move.record && !move.group.empty() &&
            !GroupName::equals(move.group, move.record->group()))
            change->groupEdits.push_back(
                BookChange::GroupEdit{move.record, std::string(move.record->group()), move.group});
    }
    QStringList created = change->groupsAdded;
    if (change->groupOp != BookChange::GroupOp::None || !change->groupEdits.empty()) {
        commit(std::move(change));
        m_continuable = m_history.lastDone();
        m_continuableIsSync = false;
    }
    return created;
}

bool CVOK_AddressDoc::RenameGroup(const QString& oldName, const QString& newName)
{
    waitForBook();
    if (oldName.isEmpty() || newName.isEmpty() || GroupNameStored(newName))
        return false;
    auto change = std::make_unique<BookChange>();
    change->groupOp = BookChange::GroupOp::Rename;
    change->group = newName;
    change->oldGroup = oldName;
    const auto oldBytes = Text::toCp932(oldName);
    const auto newBytes = Text::toCp932(newName);
    if (oldBytes && newBytes) {
        for (const auto& r : m_records) {
            if (GroupName::equals(r->group(), *oldBytes))
                change->groupEdits.push_back(
                    BookChange::GroupEdit{r.get(), std::string(r->group()), *newBytes});
        }
    }
    commit(std::move(change));
    return true;
}

std::size_t CVOK_AddressDoc::DeleteGroup(const QString& name)
{
    waitForBook();
    auto change = std::make_unique<BookChange>();
    change->groupOp = BookChange::GroupOp::Remove;
    change->group = name;
    change->groupIndex = m_userGroups.indexOf(name);
    change->groupStored = GroupNameStored(name);
    if (const auto bytes = Text::toCp932(name)) {
        for (const auto& r : m_records) {
            if (GroupName::equals(r->group(), *bytes))
                change->removed.push_back(r.get());
        }
    }
    const std::size_t removed = change->removed.size();
    commit(std::move(change));
    return removed;
}
