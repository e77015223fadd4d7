#pragma once

#include "model/book/RecordSlots.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class AddressRecord;
class RecordList;
class SearchQuery;

// The folded search text of every contact, built once and kept up to date one record at a
// time, so that a keystroke in the search field costs only substring searches.
//
// A record's search text holds its sixteen fields, its name's reading and its romaji (Romaji), its
// extras (whole texts CP932 could not hold, 敬称, 連名 and their readings, 役職, 部署), the phone
// forms of its phone, mobile, fax, office phone, office fax and both postal codes, and last its
// name and reading (and its romaji) once more without spaces; the parts are separated by NUL, which
// no query contains. A word is found in the name or reading without spaces only from their start:
// "やまだたろう" finds 山田 太郎, but "やまだ" does not find 丸山 大介 (まるやま だいすけ).
//
// Owner: the document, beside the records and readings. After every change of a record (or
// of the reading of its name) call update(); before a record is destroyed call remove().
//
//     SearchIndex index;
//     index.build(records, [&](const AddressRecord& r) { return readingOf(r.name()); });
//     std::vector<AddressRecord*> shown = index.filter(SearchQuery(text), groupRecords);
class SearchIndex
{
public:
    // The reading (UTF-8, as stored or guessed) of a record's name; empty when none is known.
    using ReadingOf = std::function<std::string(const AddressRecord&)>;

    // Replaces the whole index by the records of the list.
    void build(const RecordList& records, const ReadingOf& readingOf);
    // Adds the record, or rebuilds its text when it is already indexed.
    void update(const AddressRecord* record, std::string_view reading);
    void remove(const AddressRecord* record);
    void clear();

    std::size_t size() const { return m_entries.size(); }
    bool contains(const AddressRecord* record) const;

    // The candidates (for example the shown group's records in the list's order) that match
    // every word of the query, in their order. A candidate missing from the index is matched
    // through a search text built on the spot, without a reading. The texts of the last
    // candidates are remembered until the index or the candidates change, so that the next
    // keystroke over the same rows looks nothing up.
    std::vector<AddressRecord*> filter(const SearchQuery& query,
                                       std::span<AddressRecord* const> candidates) const;
    bool matches(const SearchQuery& query, const AddressRecord* record) const;

    // The search text of one record, where its phone forms start and where its joined name
    // and reading start; for a single match SearchQuery::matches() takes these directly.
    static std::string searchText(const AddressRecord& record, std::string_view reading,
                                  std::size_t& phoneStart, std::size_t& joinedStart);

private:
    struct Entry
    {
        const AddressRecord* record = nullptr;
        std::string text;
        std::uint32_t phoneStart = 0;
        std::uint32_t joinedStart = 0;
    };
    class Matcher;

    void count(const std::string& text, int sign);
    bool matches(const Matcher& matcher, const AddressRecord* record) const;

    // The texts of the candidates of the last filter() while the index has not changed.
    struct CachedText
    {
        const char* text; // null: not indexed
        std::uint32_t size;
        std::uint32_t phoneStart;
        std::uint32_t joinedStart;
    };
    struct Cache
    {
        std::uint64_t generation = ~std::uint64_t(0);
        std::vector<AddressRecord*> records;
        std::vector<CachedText> texts;
    };

    std::vector<Entry> m_entries;
    RecordSlots m_slots; // entry of each record
    // How often each byte occurs in all texts: a query word is looked for by its rarest byte.
    std::array<std::int64_t, 256> m_byteCount{};
    std::uint64_t m_generation = 0; // changes with every text
    mutable std::mutex m_cacheMutex;
    mutable Cache m_cache;
};
