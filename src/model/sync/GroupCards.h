#pragma once

#include "SyncPlan.h"
#include "SyncState.h"

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The server's groups as cards of their own (KIND:group with MEMBER:urn:uuid:…, or Apple's
// X-ADDRESSBOOKSERVER-KIND and -MEMBER), and the moves that keep them and the book's groups
// the same. A contact's group is the card listing its card's UID; a contact moved here leaves
// the member list of its old group's card for its new group's, and a group with no card gets
// one. Cards are edited member by member, so that a card changed meanwhile on the server takes
// the same edit again, and nothing else of a card is touched; a card is never deleted.
class GroupCards
{
public:
    struct Card
    {
        std::string href;
        std::string etag; // empty for a card made here
        std::string text;
        std::string name; // FN, unescaped
        std::vector<std::string> members;
        std::set<std::string> added; // member UIDs this run gives or takes
        std::set<std::string> removed;
        std::vector<std::size_t> items; // the plan's items whose moves the card carries
        // Members removed because their contact is gone, by the item of that deletion: one
        // whose deletion did not happen stays.
        std::map<std::string, std::size_t> leaving;
        bool isNew = false;
        bool written = false; // by this run; etag is then the server's answer (or empty)
    };

    // Keeps the card when it is a group's; false otherwise.
    bool add(const std::string& href, const std::string& etag, const std::string& text);
    bool empty() const { return m_cards.empty(); }
    std::vector<Card>& cards() { return m_cards; }

    // Whether two groups are one (the book's comparison, in CP932 where it can hold both).
    static bool sameName(const std::string& a, const std::string& b);
    // The group of a card's UID: the first card listing it whose name the book has, else the
    // first listing it; empty for none.
    std::string groupOf(const std::string& uid, const std::vector<std::string>& bookGroups) const;

    // Settles every contact's group between the plan and the cards, as the other slots are
    // merged: moved on one side since the base (the state's), that side's group; moved on both
    // to different groups, the server's, with the book's kept in the memo as a conflict; an
    // addition takes the server's. A contact deleted on either side leaves every member list.
    // A group that has members here and no card gets a new card at a href under collection.
    // Cards changed get `added` / `removed` and their items. noBase: the state's groups are
    // no base (they travelled otherwise), so the groups are merged as a first sync's.
    void reconcile(SyncPlan& plan, const SyncState& state,
                   const std::vector<std::string>& bookGroups, const std::string& collection,
                   bool noBase = false);
    // Again on an item the plan made anew (after a 412): the group reconcile chose, and its
    // conflict.
    void settle(std::size_t index, SyncPlan::Item& item) const;
    // After groups travelled as cards, the first CATEGORIES value and the book's group of each
    // contact are merged as with no base, so that a change of mode alone takes effect.
    static void mergeCategories(SyncPlan& plan);
    // One contact's, against the server's card as it was fetched.
    static void mergeCategory(SyncPlan::Item& item, const std::string& serverCard);

    // The card's text with the member edits made (on the server's fresh text after a 412).
    static std::string edited(const std::string& text, const std::set<std::string>& added,
                              const std::set<std::string>& removed);
    // A new group card in the form the server's cards take (vCard 4 when they use it).
    std::string newCardText(const std::string& uid, const std::string& name) const;

private:
    Card* named(const std::string& name);
    void move(std::size_t item, const std::string& uid, const std::string& from,
              const std::string& to, const std::string& collection);
    void leave(std::size_t item, const std::string& uid);
    struct Decision
    {
        std::string group;
        std::optional<std::string> conflict; // the book's group that lost, when it did
    };
    void decide(std::size_t index, SyncPlan::Item& item, Decision decision);
    std::vector<Card> m_cards;
    std::map<std::size_t, Decision> m_decided; // by item
};
