#pragma once

#include "SyncFields.h"

#include <cstdint>
#include <string>
#include <vector>

// What the last sync left, kept beside the book ("Address.vok.sync", 0600): the address book's
// URL, its sync token, and for every contact on both sides the card's href, ETag and UID, the
// card exactly as the server last sent it (the base of the server's side, and what an upload
// patches) and the contact's slots as the book held them after that sync (the base of the
// book's side). Conflicts the memo had no room for are kept here too.
//
// One line a contact, tab-separated (TabText escapes), then "end <count>", so that a cut-off
// file is told from a whole one: a cut-off or foreign file counts as no state, and the next
// sync starts again as a first one (matching by UID, so nothing doubles).
//
// A sync that changed a few contacts appends them after the end line instead of rewriting every
// card: a batch of changed entries, removed hrefs, the token and new conflicts, closed by
// "commit <lines>" and fsync'd. A batch without its commit line (a crash on the way) is not
// read, so the state is then the last whole batch's. Once the batches outgrow a share of the
// rest, the next save writes the whole file afresh.
class SyncState
{
public:
    struct Entry
    {
        std::string uid;
        std::string href;
        std::string etag;
        std::string card;
        SyncFields base;
        bool operator==(const Entry&) const = default;
    };

    enum class Status
    {
        Ok,
        Missing,
        Damaged,
    };

    std::string collection;
    std::string token;
    // The collection's tag (getctag) when the token was taken, on a server that has one; empty
    // when our own writes moved it on since.
    std::string ctag;
    // How groups travelled when the entries' bases were taken (the sync engine's words;
    // empty in an older file), so that a change of mode is seen.
    std::string groups;
    std::vector<Entry> entries;
    std::vector<std::string> conflicts;

    static std::string pathFor(const std::string& bookPath) { return bookPath + ".sync"; }
    Status load(const std::string& path);
    // Appends what changedEntry and removedEntry noted since the last load or save when the file
    // is still as this state left it and the batches stay small; else writes the whole file.
    bool save(const std::string& path);
    // Changes made to entries since the last load or save, for save to append: entries[index]
    // as it is now, and an href that is gone from entries.
    void changedEntry(std::size_t index);
    void removedEntry(const std::string& href);

private:
    bool append(const std::string& path);
    bool rewrite(const std::string& path);
    void forgetChanges();

    std::uint64_t m_fileSize = 0; // bytes as this state last left the file; 0: not known
    std::uint64_t m_baseSize = 0; // of them, before the first batch
    std::size_t m_savedConflicts = 0;
    std::string m_batch; // changed and removed entries' lines, until save
    std::size_t m_batchLines = 0;
    bool m_wholeFile = true; // the next save writes the whole file
};
