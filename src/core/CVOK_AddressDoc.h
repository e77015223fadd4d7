#pragma once

#include "UndoHistory.h"
#include "model/book/ContactUid.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "model/storage/CompanionFile.h"
#include "model/storage/ReadingStore.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class AddressFileWriter;
class BookSnapshot;
class ContactFinder;

// The address book: the records, their data file and its companion (identities, extras, the
// user's groups), the readings and the undo history. Every
// change to them goes through the operations here, and each is announced, so that views and
// saving follow without being called by whoever made the change. The views keep pointers to
// records; recordsRemoving comes before a record leaves the book (an undo may bring the same
// record back later, recordsAdded then tells).
//
// Group names are Qt strings as the tree shows them; records hold them in CP932 and are matched
// to a group by GroupName::equals.
class CVOK_AddressDoc : public QObject
{
    Q_OBJECT
public:
    // The tree's root lists every contact; the three fixed groups always exist.
    static const QString RootName;
    static const QStringList FixedGroups;
    static const QString OtherGroup;

    explicit CVOK_AddressDoc(QObject* parent = nullptr);
    ~CVOK_AddressDoc() override;

    // ---- the data file ----
    // Reads the file at path (by default where the book lives) and the stored groups, after
    // removing what interrupted saves left beside it. False when the file exists but could not
    // be read: it is then never replaced during this run.
    bool LoadAddressFile(const QString& path = {});
    // The same load with the reading and decoding on a worker thread: the book stays empty and
    // unwritable (loading()) until FinishLoad takes it in, which a queued call does by itself;
    // bookLoaded tells. Whoever cannot wait calls FinishLoad at once: it waits for the reader.
    // A held reader begins only at ReleaseLoad (or FinishLoad): a window that shows something
    // of its own first does not share the processor with it until then.
    void LoadInBackground(const QString& path = {}, bool held = false);
    void ReleaseLoad();
    bool loading() const { return m_loading; }
    // While bookLoaded is announced: the load was taken in by its own queued call, not by
    // somebody who waits for the book.
    bool loadTakenInByItself() const { return m_takenInByItself; }
    // False when not loading or when the file could not be read.
    bool FinishLoad();
    // The names of the book last read that have no stored reading, each once (for the finder).
    std::vector<std::string> TakeUnreadNames() { return std::move(m_unreadNames); }
    // Contacts may be changed and saved: the book is in and was read.
    bool writable() const { return !m_loading && !m_loadFailed; }
    // Replaces the data file atomically; false on failure (and always after a failed load).
    bool SaveAddressFile();
    bool loadFailed() const { return m_loadFailed; }
    // Why the file could not be read (an errno value; EISDIR, EINVAL: no regular file).
    int loadError() const { return m_load.error; }
    // The file was read, but it ended in a partial record (cut off) or held records that no
    // writer of the format makes. It becomes the backup before anything replaces it.
    bool loadDamaged() const { return m_load.trailingBytes != 0 || m_load.oddRecords != 0; }
    std::size_t trailingBytes() const { return m_load.trailingBytes; }
    // Records of the file that do not look like contacts, and how many the file held.
    std::size_t oddRecords() const { return m_load.oddRecords; }
    std::size_t fileRecords() const { return m_load.records; }
    // Not one record of the file looked like a contact: none of them was taken into the book.
    bool notAnAddressBook() const { return m_load.notAnAddressBook(); }
    QString addressFilePath() const { return m_path; }
    // Where the first save of a run keeps the file it replaces.
    QString backupFilePath() const;
    QString olderBackupFilePath() const;
    // Writes the data file from any thread; null when it must not be written (failed load).
    std::shared_ptr<AddressFileWriter> writer() const { return m_writer; }
    // Counts the changes to what the book's files hold (records, extras, groups) since the
    // load; savedRevision() is what the files on disk hold, less than revision() when the load
    // itself left something to write (new identities, a realigned or missing companion file).
    std::uint64_t revision() const { return m_revision; }
    std::uint64_t savedRevision() const { return m_loadedRevision; }
    // Counts the changes of Address.vok's own contents (the sixteen fields of each record).
    std::uint64_t recordsRevision() const { return m_recordsRevision; }
    // The book as it stands, for a save.
    std::unique_ptr<BookSnapshot> snapshot() const;

    // What the load found in the companion file (Address.vok.extra), for the start-up report.
    struct CompanionLoad
    {
        CompanionFile::Status status = CompanionFile::Status::Missing;
        // Entries that matched no record after another program changed the book; kept in the
        // file, never attached to a guessed contact.
        std::vector<CompanionFile::Entry> setAside;
        // Contacts that the companion file did not know (they get new identities).
        std::size_t newIdentities = 0;
    };
    const CompanionLoad& companionLoad() const { return m_companion; }
    QString companionFilePath() const;

    // ---- records ----
    const RecordList& records() const { return m_records; }
    bool contains(const AddressRecord* record) const { return m_records.contains(record); }
    // The contact of this identity, or null.
    AddressRecord* findByUid(const ContactUid& uid) const;
    // A record entering the book keeps its UID when it has one that no other contact holds
    // (a card's own); otherwise it gets a new one.
    AddressRecord* AddRecord(std::unique_ptr<AddressRecord> record);
    // Appends the records in their order; they are announced as marked (imported) rows. With
    // `more`, and when nothing else changed the book since the last ImportRecords, they join
    // its change: an import added a slice at a time is still one step for Ctrl+Z.
    std::vector<AddressRecord*> ImportRecords(std::vector<std::unique_ptr<AddressRecord>> records,
                                              bool more = false);
    // While recordsAdded tells of such a slice: the rows continue those announced before.
    bool addingToImport() const { return m_addingToImport; }
    // Overwrites the record's sixteen fields and extras (its UID stays); false when the record
    // is not in the book.
    bool ChangeRecord(AddressRecord* record, const AddressRecord& value);
    std::size_t RemoveRecords(const std::vector<const AddressRecord*>& records);
    // Gives kept the merged value and removes the others, as one change (joined to the one
    // before when JoinChanges is on); announced as recordsMerged after the change and removal.
    bool MergeRecords(AddressRecord* kept, const AddressRecord& value,
                      const std::vector<const AddressRecord*>& others = {});
    // Gives each record its merged value, all as one change (joined to the one before when
    // JoinChanges is on) and one recordsMerged; records the book no longer holds and values
    // that change nothing are passed over. Returns how many changed.
    std::size_t MergeRecords(std::vector<std::pair<AddressRecord*, AddressRecord>> merges);
    // Gives the records another group; returns how many changed.
    std::size_t MoveToGroup(const std::vector<AddressRecord*>& records, const QString& group);
    // Appends copies of the records in the group; announced as marked rows.
    std::vector<AddressRecord*> CopyToGroup(const std::vector<const AddressRecord*>& records,
                                            const QString& group);
    // What a sync brings from the server, applied as one change (one undo step): records
    // added (not marked, they are no import), edited as a whole, removed.
    struct SyncChanges
    {
        std::vector<std::unique_ptr<AddressRecord>> added;
        std::vector<std::pair<AddressRecord*, AddressRecord>> edits;
        std::vector<const AddressRecord*> removed;
        bool empty() const { return added.empty() && edits.empty() && removed.empty(); }
    };
    // Returns the records added, in their order. With `more`, and when nothing else changed
    // the book since the last ApplySync, the additions join its change, as an import's slices
    // do.
    std::vector<AddressRecord*> ApplySync(SyncChanges changes, bool more = false);
    // While recordsAdded and recordsRemoving tell of a sync: the user did not bring them, so
    // the selection stays.
    bool applyingSync() const { return m_applyingSync; }
    // Empties the book (the end of the run) and forgets the undo history; nothing is announced
    // but recordsRemoving, and it counts as no change.
    void DeleteAllRecords();
    std::size_t CountGroupRecords(const QString& group) const;

    // ---- readings (フリガナ) ----
    // Kept by name in Readings.txt beside the data file, loaded and saved with it; a name's
    // reading serves every contact of that name.
    // The stored reading (UTF-8) of a name (CP932), or empty.
    std::string_view storedReading(std::string_view name) const { return m_readings.reading(name); }
    // An empty reading forgets the name's.
    void SetReading(std::string_view name, std::string_view reading);
    // Readings of many names (name CP932, reading UTF-8) with one announcement: an import.
    void SetReadings(const std::vector<std::pair<std::string, std::string>>& readings);
    // Readings set since they were last saved; SaveReadings writes them alone (the data file's
    // own saving writes them too).
    bool readingsChanged() const { return m_readingsChanged; }
    bool SaveReadings();
    // The changed readings and where they go, for a save on another thread (empty when none
    // changed); readingsSaved takes its success back.
    struct ReadingsToSave
    {
        std::shared_ptr<const ReadingStore::Map> readings;
        std::string path;
        std::uint64_t revision = 0;
    };
    std::optional<ReadingsToSave> readingsToSave() const;
    void readingsSaved(std::uint64_t revision);
    QString readingsFilePath() const;
    // Readings.txt is there but could not be read (errno in readingsError()): it is kept as it
    // is for this run, and readings given meanwhile live in memory only.
    bool readingsUnreadable() const { return m_readingsError != 0; }
    int readingsError() const { return m_readingsError; }

    // ---- finding contacts ----
    // The search index and the readings of names, stored or guessed.
    ContactFinder& finder() const { return *m_finder; }

    // ---- groups ----
    // The fixed groups, then the user's groups in the tree's order.
    QStringList groupNames() const;
    const QStringList& userGroups() const { return m_userGroups; }
    static bool isRootName(const QString& name);
    // True when a user group of this name is stored (group comparison).
    bool GroupNameStored(const QString& name) const;
    bool CreateGroup(const QString& name);
    // A contact and the group (CP932) it goes to.
    struct GroupMove
    {
        AddressRecord* record;
        std::string group;
    };
    // Creates the groups not stored yet, in this order, and moves each contact of `moves`, all as
    // one change; returns the groups created. With `more` and no names, and when nothing else
    // changed the book since the last CreateGroups, the moves join its change.
    QStringList CreateGroups(const QStringList& names, const std::vector<GroupMove>& moves = {},
                             bool more = false);
    // Moves the stored group and every record of it to the new name.
    bool RenameGroup(const QString& oldName, const QString& newName);
    // Removes the stored group and every record of it; returns how many records went.
    std::size_t DeleteGroup(const QString& name);

    // ---- undo ----
    // Every operation above that changed something can be taken back, the last first.
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    bool Undo();
    bool Redo();
    // While on, each change is undone and redone together with the one before it.
    void JoinChanges(bool on) { m_joinChanges = on; }

signals:
    // marked: imported or copied rows, which the list shows with their own picture.
    void recordsAdded(const std::vector<AddressRecord*>& records, bool marked);
    void recordsChanged(const std::vector<AddressRecord*>& records);
    // Before they leave the book (and before any of them is destroyed).
    void recordsRemoving(const std::vector<const AddressRecord*>& records);
    // Contacts that others were merged into (after recordsChanged and the removal).
    void recordsMerged(const std::vector<AddressRecord*>& records);
    void groupAdded(const QString& name);
    // The group and every record of it carry the new name.
    void groupRenamed(const QString& oldName, const QString& newName);
    // After the group's records are gone.
    void groupRemoved(const QString& name);
    // What can be undone or redone changed.
    void undoStateChanged();
    // A load in the background is over (read or not); the records are in.
    void bookLoaded();
    // The reading of every contact of this name (CP932) changed.
    void readingChanged(const std::string& name);
    // The readings of the contacts of these names changed (SetReadings).
    void readingsGiven(const std::vector<std::string>& names);

private:
    // Applies the change, keeps it for undo and announces it.
    void commit(std::unique_ptr<BookChange> change);
    // Whether a change with `more` goes into m_continuable.
    bool continues(bool more) const;
    void apply(BookChange& change, bool forward);
    bool step(const std::vector<BookChange*>& changes, bool forward);
    struct BookRead;
    static std::unique_ptr<BookRead> readBook(const std::string& file, const std::string& companion,
                                              const std::string& readings);
    void beginLoad(const QString& path);
    // Every change waits for a book still being read: nothing is changed or saved before it.
    void waitForBook()
    {
        if (m_loading)
            FinishLoad();
    }
    bool adopt(BookRead& read);
    static void giveIdentities(BookRead& read);
    void loadCompanion(BookRead& read);
    void giveIdentity(AddressRecord* record);
    // Adds the records to a change, each with a UID of its own (a UID given twice is renewed).
    void addWithIdentity(BookChange& change, std::vector<std::unique_ptr<AddressRecord>>& records);
    void indexUids(const std::vector<AddressRecord*>& records, bool add);
    void addStoredGroup(const QString& name, qsizetype index);
    void addStoredGroups(const QStringList& names, qsizetype index);
    void removeStoredGroups(const QStringList& names);
    void removeStoredGroup(const QString& name);
    void renameStoredGroup(const QString& from, const QString& to);

    RecordList m_records;
    ReadingStore m_readings;
    bool m_readingsChanged = false;
    std::uint64_t m_readingsRevision = 0; // counts the changes of the readings
    int m_readingsError = 0;
    QStringList m_userGroups;
    QString m_path;
    bool m_loadFailed = false;
    AddressFile::LoadReport m_load;
    std::shared_ptr<AddressFileWriter> m_writer;
    std::uint64_t m_revision = 0;
    std::uint64_t m_loadedRevision = 0;
    std::uint64_t m_recordsRevision = 0;
    std::unordered_map<ContactUid, AddressRecord*, ContactUid::Hash> m_byUid;
    CompanionLoad m_companion;
    std::vector<CompanionFile::Entry> m_aside; // every entry kept aside, for the writer
    UndoHistory m_history;
    bool m_joinChanges = false;
    // The change the last ImportRecords or CreateGroups made, while it is the last one.
    BookChange* m_continuable = nullptr;
    bool m_continuableIsSync = false; // then only a sync's next slice joins it
    bool m_addingToImport = false;
    bool m_applyingSync = false;
    bool m_loading = false;
    std::thread m_reader;
    std::optional<std::promise<void>> m_release; // while a held reader waits
    bool m_takenInByItself = false;
    std::vector<std::string> m_unreadNames;
    std::unique_ptr<BookRead> m_read;        // the reader's result, taken in on this thread
    std::unique_ptr<ContactFinder> m_finder; // last: it goes before the records it points at
};
