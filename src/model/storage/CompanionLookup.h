#pragma once

#include "CompanionFile.h"

#include <cstddef>
#include <unordered_map>

// The companion entry of each record while a saved book streams past once (the command line's
// export): the entry at the record's place when the fingerprints agree, as they do whenever
// this program wrote both files; else the one entry of the same fingerprint elsewhere. A record
// that matches neither has no entry: it goes out without identity or extras rather than with
// someone else's.
class CompanionLookup
{
public:
    explicit CompanionLookup(CompanionFile::Contents contents);

    const CompanionFile::Entry* find(std::size_t index, const RecordFingerprint& fingerprint);

private:
    CompanionFile::Contents m_contents;
    std::vector<bool> m_used;
    bool m_indexed = false;
    // Fingerprints that occur once among the entries.
    std::unordered_map<std::uint64_t, std::size_t> m_unique;
};
