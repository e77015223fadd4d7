#pragma once

#include "AddressRecord.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

// The address book in memory: owned records in file order, then insertion order.
// A record is identified by its address; views keep such pointers, so every removal first tells
// the listeners which records are about to be destroyed.
class RecordList
{
public:
    using Records = std::vector<std::unique_ptr<AddressRecord>>;

    RecordList() = default;
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;
    ~RecordList();

    AddressRecord* AppendRecord(std::unique_ptr<AddressRecord> record);
    // Destroys the record when it is in the list; any other pointer changes nothing.
    bool RemoveRecord(const AddressRecord* record);
    // Removes many records in one pass over the list; returns how many were destroyed.
    std::size_t RemoveRecords(const std::unordered_set<const AddressRecord*>& records);
    std::size_t CountGroupRecords(std::string_view group) const;
    std::size_t RemoveGroupRecords(std::string_view group);
    std::size_t RenameGroup(std::string_view oldName, std::string_view newName);
    void DeleteAllRecords();
    // Hands every record over to the caller, leaving the list empty; nothing is destroyed.
    Records TakeRecords();

    // A record out of the list but alive (kept for an undo), with the place it had.
    struct Taken
    {
        std::size_t index;
        std::unique_ptr<AddressRecord> record;
    };
    // Takes the records that pred picks out of the list, in list order, without destroying
    // them and without telling recordsRemoving (they are not destroyed).
    std::vector<Taken> TakeOutIf(const std::function<bool(const AddressRecord*)>& pred);
    // Puts taken records back at their places (indices ascending, as TakeOutIf gave them).
    void PutBack(std::vector<Taken>& taken);

    bool contains(const AddressRecord* record) const;
    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    Records::const_iterator begin() const { return m_records.begin(); }
    Records::const_iterator end() const { return m_records.end(); }
    AddressRecord* at(std::size_t index) const { return m_records[index].get(); }
    void reserve(std::size_t count) { m_records.reserve(count); }

    // Called with the records about to be destroyed, before any of them is.
    std::function<void(const std::vector<const AddressRecord*>&)> recordsRemoving;

private:
    template <typename Pred> std::size_t removeIf(Pred pred);

    Records m_records;
};
