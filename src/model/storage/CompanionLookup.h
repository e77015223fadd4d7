#pragma once

#include "CompanionFile.h"

#include <cstddef>
#include <unordered_map>

// The companion entry of each record while a saved book streams past once (the command line's
// export and query): the entry at the record's place when the fingerprints agree, as they do
// whenever this program wrote both files; else the one entry of the same fingerprint elsewhere.
// A record that matches neither has no entry: it goes out without identity or extras rather
// than with someone else's. The file is laid out once; an entry's extras are decoded only for
// the records that need them.
class CompanionLookup
{
public:
    // A file that is missing or cannot be read gives no entries.
    explicit CompanionLookup(const std::string& path);
    CompanionLookup(const CompanionLookup&) = delete;
    CompanionLookup& operator=(const CompanionLookup&) = delete;

    const std::vector<CompanionFile::Place>& entries() const { return m_layout.entries; }
    const CompanionFile::Place* find(std::size_t index, const RecordFingerprint& fingerprint);
    // As CompanionFile::Load would have given them: null when none.
    static std::shared_ptr<const ContactExtras> extras(const CompanionFile::Place& place);

private:
    std::string m_text; // the places point into it
    CompanionFile::Layout m_layout;
    std::vector<bool> m_used;
    bool m_indexed = false;
    // Fingerprints that occur once among the entries.
    std::unordered_map<std::uint64_t, std::size_t> m_unique;
};
