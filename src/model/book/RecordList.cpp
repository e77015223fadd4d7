#include "RecordList.h"

#include "GroupName.h"

#include <algorithm>
#include <string>

RecordList::~RecordList() = default;

AddressRecord* RecordList::AppendRecord(std::unique_ptr<AddressRecord> record)
{
    if (!record)
        return nullptr;
    m_records.push_back(std::move(record));
    return m_records.back().get();
}

template <typename Pred> std::size_t RecordList::removeIf(Pred pred)
{
    std::vector<const AddressRecord*> doomed;
    for (const auto& r : m_records) {
        if (pred(r.get()))
            doomed.push_back(r.get());
    }
    if (doomed.empty())
        return 0;
    if (recordsRemoving)
        recordsRemoving(doomed);
    const auto first = std::remove_if(m_records.begin(), m_records.end(),
                                      [&](const auto& r) { return pred(r.get()); });
    m_records.erase(first, m_records.end());
    return doomed.size();
}

bool RecordList::RemoveRecord(const AddressRecord* record)
{
    if (!record)
        return false;
    auto it = std::find_if(m_records.begin(), m_records.end(),
                           [record](const auto& r) { return r.get() == record; });
    if (it == m_records.end())
        return false;
    if (recordsRemoving)
        recordsRemoving({record});
    m_records.erase(it);
    return true;
}

std::size_t RecordList::RemoveRecords(const std::unordered_set<const AddressRecord*>& records)
{
    if (records.empty())
        return 0;
    return removeIf([&](const AddressRecord* r) { return records.count(r) != 0; });
}

std::size_t RecordList::CountGroupRecords(std::string_view group) const
{
    return static_cast<std::size_t>(
        std::count_if(m_records.begin(), m_records.end(),
                      [group](const auto& r) { return GroupName::equals(r->group(), group); }));
}

std::size_t RecordList::RemoveGroupRecords(std::string_view groupView)
{
    // The name may point into a record that this very call destroys.
    const std::string group(groupView);
    const std::size_t removed =
        removeIf([&group](const AddressRecord* r) { return GroupName::equals(r->group(), group); });
    return removed;
}

std::size_t RecordList::RenameGroup(std::string_view oldView, std::string_view newView)
{
    // Either name may point into a record whose group this loop rewrites.
    const std::string oldName(oldView);
    const std::string newName(newView);
    std::size_t renamed = 0;
    for (auto& r : m_records) {
        if (GroupName::equals(r->group(), oldName)) {
            r->setField(AddressRecord::Group, newName);
            ++renamed;
        }
    }
    return renamed;
}

void RecordList::DeleteAllRecords()
{
    if (m_records.empty())
        return;
    if (recordsRemoving) {
        std::vector<const AddressRecord*> all;
        all.reserve(m_records.size());
        for (const auto& r : m_records)
            all.push_back(r.get());
        recordsRemoving(all);
    }
    m_records.clear();
}

RecordList::Records RecordList::TakeRecords()
{
    Records taken;
    taken.swap(m_records);
    return taken;
}

std::vector<RecordList::Taken>
RecordList::TakeOutIf(const std::function<bool(const AddressRecord*)>& pred)
{
    std::vector<Taken> taken;
    Records kept;
    kept.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (pred(m_records[i].get()))
            taken.push_back(Taken{i, std::move(m_records[i])});
        else
            kept.push_back(std::move(m_records[i]));
    }
    m_records.swap(kept);
    return taken;
}

void RecordList::PutBack(std::vector<Taken>& taken)
{
    if (taken.empty())
        return;
    Records merged;
    merged.reserve(m_records.size() + taken.size());
    std::size_t from = 0;
    for (Taken& t : taken) {
        while (merged.size() < t.index && from < m_records.size())
            merged.push_back(std::move(m_records[from++]));
        merged.push_back(std::move(t.record));
    }
    while (from < m_records.size())
        merged.push_back(std::move(m_records[from++]));
    m_records.swap(merged);
    taken.clear();
}

bool RecordList::contains(const AddressRecord* record) const
{
    return std::any_of(m_records.begin(), m_records.end(),
                       [record](const auto& r) { return r.get() == record; });
}
