#pragma once

#include "SyncFields.h"

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
    };

    enum class Status
    {
        Ok,
        Missing,
        Damaged,
    };

    std::string collection;
    std::string token;
    std::vector<Entry> entries;
    std::vector<std::string> conflicts;

    static std::string pathFor(const std::string& bookPath) { return bookPath + ".sync"; }
    Status load(const std::string& path);
    bool save(const std::string& path) const;
};
