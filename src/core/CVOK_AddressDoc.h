#pragma once

#include "model/ReadingStore.h"
#include "model/RecordList.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class ContactFinder;

// The address book: the records, their data file and the user's groups. Every change to them
// goes through the operations here, and each is announced, so that views, saving and undo
// follow without being called by whoever made the change. The views keep pointers to records;
// recordsRemoving comes before any record is destroyed.
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
    // Reads the file at path (by default where the book lives) and the stored groups. False
    // when the file exists but could not be read: it is then never replaced during this run.
    bool LoadAddressFile(const QString& path = {});
    // Replaces the data file atomically; false on failure (and always after a failed load).
    bool SaveAddressFile();
    bool loadFailed() const { return m_loadFailed; }
    QString addressFilePath() const { return m_path; }

    // ---- records ----
    const RecordList& records() const { return m_records; }
    bool contains(const AddressRecord* record) const { return m_records.contains(record); }
    AddressRecord* AddRecord(std::unique_ptr<AddressRecord> record);
    // Appends the records in their order; they are announced as marked (imported) rows.
    std::vector<AddressRecord*> ImportRecords(std::vector<std::unique_ptr<AddressRecord>> records);
    // Overwrites the record's sixteen fields; false when the record is not in the book.
    bool ChangeRecord(AddressRecord* record, const AddressRecord& value);
    std::size_t RemoveRecords(const std::vector<const AddressRecord*>& records);
    // Gives the records another group; returns how many changed.
    std::size_t MoveToGroup(const std::vector<AddressRecord*>& records, const QString& group);
    // Appends copies of the records in the group; announced as marked rows.
    std::vector<AddressRecord*> CopyToGroup(const std::vector<const AddressRecord*>& records,
                                            const QString& group);
    // Empties the book (the end of the run); nothing is announced but recordsRemoving.
    void DeleteAllRecords();
    std::size_t CountGroupRecords(const QString& group) const;

    // ---- readings (フリガナ) ----
    // Kept by name in Readings.txt beside the data file, loaded and saved with it; a name's
    // reading serves every contact of that name.
    // The stored reading (UTF-8) of a name (CP932), or empty.
    std::string_view storedReading(std::string_view name) const { return m_readings.reading(name); }
    // An empty reading forgets the name's.
    void SetReading(std::string_view name, std::string_view reading);

    // ---- finding contacts ----
    // The search index and the readings of names, stored or guessed.
    ContactFinder& finder() const { return *m_finder; }

    // ---- groups ----
    // The fixed groups, then the user's groups in the tree's order.
    QStringList groupNames() const;
    const QStringList& userGroups() const { return m_userGroups; }
    static bool isRootName(const QString& name);
    bool isUserGroup(const QString& name) const;
    // True when a user group of this name is stored (group comparison).
    bool GroupNameStored(const QString& name) const;
    bool CreateGroup(const QString& name);
    // Moves the stored group and every record of it to the new name.
    bool RenameGroup(const QString& oldName, const QString& newName);
    // Removes the stored group and every record of it; returns how many records went.
    std::size_t DeleteGroup(const QString& name);

signals:
    // marked: imported or copied rows, which the list shows with their own picture.
    void recordsAdded(const std::vector<AddressRecord*>& records, bool marked);
    void recordsChanged(const std::vector<AddressRecord*>& records);
    // Before any of them is destroyed.
    void recordsRemoving(const std::vector<const AddressRecord*>& records);
    void groupAdded(const QString& name);
    // The group and every record of it carry the new name.
    void groupRenamed(const QString& oldName, const QString& newName);
    // After the group's records are gone.
    void groupRemoved(const QString& name);
    // The reading of every contact of this name (CP932) changed.
    void readingChanged(const std::string& name);

private:
    QString readingsPath() const;

    RecordList m_records;
    ReadingStore m_readings;
    QStringList m_userGroups;
    QString m_path;
    bool m_loadFailed = false;
    std::unique_ptr<ContactFinder> m_finder; // last: it goes before the records it points at
};
