#pragma once

#include "SyncFields.h"
#include "SyncState.h"

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// What one sync does, worked out before anything is written: for every contact of either
// side, what happens to the book's record, what goes to the server, and what the state keeps
// afterwards. An edit beats a delete on either side: a card deleted on the server whose contact
// was edited here is created again (from the kept card, so its photo survives), and a contact
// deleted here whose card was edited on the server comes back. Nothing is uploaded whose card
// would not change.
class SyncPlan
{
public:
    struct Local
    {
        std::string uid; // the UID its cards carry
        SyncFields fields;
    };
    struct Card
    {
        std::string etag;
        std::string text;
    };

    struct Item
    {
        enum class Book
        {
            Keep,
            Add,
            Change,
            Remove,
        };
        enum class Server
        {
            Keep,
            Create, // PUT with If-None-Match: *
            Update, // PUT with If-Match: etag
            Delete, // DELETE with If-Match: etag
        };
        Book book = Book::Keep;
        Server server = Server::Keep;
        std::string uid;
        std::string href;
        std::string etag;  // the server's ETag now (If-Match); after a write, the new one
        std::string card;  // the server's card after this sync (what a PUT sends)
        SyncFields fields; // both sides after this sync
        std::vector<int> conflicts;
        std::vector<std::string> unplaced;
        bool keepState = true; // false: the contact is gone from both sides
        // The state entry it was planned from (its href may have moved); npos: none.
        std::size_t entry = npos;
    };
    static constexpr std::size_t npos = std::size_t(-1);

    // state: the last sync's; book: every contact; changed: cards new or changed on the server
    // since (by href); removed: hrefs gone from the server; newHref: the href a new card gets.
    // groupsByCard: groups travel as group cards (GroupCards), so CATEGORIES stays as the
    // server has it and the Group slot keeps the book's side (an addition gets none here).
    // listUnchanged false: a contact both sides still hold as the state does gets no item (its
    // entry stays as it is), so that one change in a large book plans one item.
    // lastCards: by UID, cards of contacts that left the book because the server deleted them;
    // one that is back in the book (undone) goes up as that card again, not as a new one.
    static SyncPlan make(const SyncState& state, const std::vector<Local>& book,
                         const std::map<std::string, Card>& changed,
                         const std::set<std::string>& removed, const std::string& collection,
                         bool groupsByCard = false, bool listUnchanged = true,
                         const std::unordered_map<std::string, std::string>* lastCards = nullptr);

    // The href of a new card of that UID in the collection (a path ending in '/').
    static std::string hrefFor(const std::string& collection, const std::string& uid);

    std::vector<Item> items;
    std::size_t bookSize = 0;
    std::size_t serverSize = 0;
    // Cards the state did not know that found their contact (by UID, or as the same person).
    std::size_t pairs = 0;

    // Counts for the summary.
    std::size_t down() const;      // records added or changed in the book
    std::size_t up() const;        // cards created or updated on the server
    std::size_t deletes() const;   // both sides
    std::size_t conflicts() const; // slots
    std::size_t bookRemovals() const;
    std::size_t serverDeletes() const;
    // More than 10 contacts, or more than 30 % of a side (and more than one), would be
    // deleted on one side: the run stops and asks.
    bool needsConfirmation() const;
    // Both sides held contacts and no sync has tied them yet: the user sees the counts and
    // decides before the two are merged.
    bool isFirstMerge(const SyncState& state) const;
    static bool tooManyDeletes(std::size_t deletes, std::size_t side);
    // Replans one contact whose write met a newer card (412): the fresh card against the same
    // base, with the book's side as it was planned from (null: deleted in the book).
    static void remerge(Item& item, const SyncState::Entry* base, const SyncFields* bookSide,
                        const Card& fresh, bool groupsByCard = false);
};
