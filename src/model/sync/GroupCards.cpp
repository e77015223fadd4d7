#include "GroupCards.h"

#include "SyncMerge.h"
#include "VCardDoc.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactUid.h"
#include "model/book/GroupName.h"
#include "model/text/Cp932.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace {

constexpr std::string_view kUrn = "urn:uuid:";
constexpr int kGroup = AddressRecord::Group;

bool isMember(const VCardDoc::Property& p)
{
    return p.name == "MEMBER" || p.name == "X-ADDRESSBOOKSERVER-MEMBER";
}

std::string memberUid(const std::string& value)
{
    if (value.size() > kUrn.size() && std::equal(kUrn.begin(), kUrn.end(), value.begin(),
                                                 [](char a, char b) { return a == (b | 0x20); }))
        return value.substr(kUrn.size());
    return value;
}

// Whether the book can have a group of that name; a contact of any other goes to Other, and
// stays there rather than being moved there again at every run.
bool holdable(const std::string& name)
{
    const Cp932::EncodeResult bytes = Cp932::fromUtf8(name);
    return bytes.ok && !bytes.bytes.empty() &&
           bytes.bytes.size() < AddressRecord::SlotWidth[kGroup] &&
           !GroupName::equals(bytes.bytes, "Other");
}

// The UID in a card, else the contact's.
std::string cardUid(const std::string& card, const std::string& uid)
{
    const std::optional<VCardDoc> doc = card.empty() ? std::nullopt : VCardDoc::parse(card);
    return doc && !doc->uid().empty() ? doc->uid() : uid;
}

// The card with one slot of the item's fields written in; an unchanged card is not sent.
void repatch(SyncPlan::Item& item, int slot)
{
    std::optional<VCardDoc> doc = VCardDoc::parse(item.card);
    if (!doc)
        return;
    SyncFields::patch(*doc, slot, item.fields);
    std::string text = doc->text();
    if (text == item.card)
        return;
    item.card = std::move(text);
    if (item.server == SyncPlan::Item::Server::Keep)
        item.server = SyncPlan::Item::Server::Update;
}

// The book's group lost against the server's: kept in the memo, as any slot's lost value.
void keepConflict(SyncPlan::Item& item, const std::string& lost)
{
    std::string note = SyncMerge::conflictNote(kGroup, lost);
    item.conflicts.push_back(kGroup);
    if (!SyncMerge::keepInMemo(item.fields.value[AddressRecord::Memo], note)) {
        item.unplaced.push_back(std::move(note));
        return;
    }
    if (item.book == SyncPlan::Item::Book::Keep)
        item.book = SyncPlan::Item::Book::Change;
    repatch(item, AddressRecord::Memo);
}

} // namespace

bool GroupCards::add(const std::string& href, const std::string& etag, const std::string& text)
{
    const std::optional<VCardDoc> doc = VCardDoc::parse(text);
    if (!doc || !doc->isGroup())
        return false;
    Card card;
    card.href = href;
    card.etag = etag;
    card.text = text;
    if (const std::size_t fn = doc->find("FN"); fn != VCardDoc::npos)
        card.name = VCardDoc::unescape(doc->properties()[fn].value);
    for (const VCardDoc::Property& p : doc->properties()) {
        if (isMember(p))
            card.members.push_back(memberUid(p.value));
    }
    m_cards.push_back(std::move(card));
    return true;
}

bool GroupCards::sameName(const std::string& a, const std::string& b)
{
    const Cp932::EncodeResult x = Cp932::fromUtf8(a);
    const Cp932::EncodeResult y = Cp932::fromUtf8(b);
    return x.ok && y.ok ? GroupName::equals(x.bytes, y.bytes) : a == b;
}

std::string GroupCards::groupOf(const std::string& uid,
                                const std::vector<std::string>& bookGroups) const
{
    const Card* first = nullptr;
    for (const Card& c : m_cards) {
        if (c.name.empty() || std::find(c.members.begin(), c.members.end(), uid) == c.members.end())
            continue;
        if (std::any_of(bookGroups.begin(), bookGroups.end(),
                        [&](const std::string& g) { return sameName(g, c.name); }))
            return c.name;
        if (!first)
            first = &c;
    }
    return first ? first->name : std::string();
}

GroupCards::Card* GroupCards::named(const std::string& name)
{
    for (Card& c : m_cards) {
        if (sameName(c.name, name))
            return &c;
    }
    return nullptr;
}

void GroupCards::move(std::size_t item, const std::string& uid, const std::string& from,
                      const std::string& to, const std::string& collection)
{
    if (!from.empty()) {
        if (Card* c = named(from);
            c && std::find(c->members.begin(), c->members.end(), uid) != c->members.end()) {
            c->removed.insert(uid);
            c->added.erase(uid);
            c->items.push_back(item);
        }
    }
    if (to.empty())
        return;
    Card* c = named(to);
    if (!c) {
        const std::string cardUid = ContactUid::generate().toString();
        Card fresh;
        fresh.href = SyncPlan::hrefFor(collection, cardUid);
        fresh.text = newCardText(cardUid, to);
        fresh.name = to;
        fresh.isNew = true;
        m_cards.push_back(std::move(fresh));
        c = &m_cards.back();
    }
    if (std::find(c->members.begin(), c->members.end(), uid) == c->members.end()) {
        c->added.insert(uid);
        c->removed.erase(uid);
        c->items.push_back(item);
    }
}

void GroupCards::leave(std::size_t item, const std::string& uid)
{
    for (Card& c : m_cards) {
        if (std::find(c.members.begin(), c.members.end(), uid) == c.members.end())
            continue;
        c.removed.insert(uid);
        c.added.erase(uid);
        c.items.push_back(item);
        c.leaving[uid] = item;
    }
}

void GroupCards::decide(std::size_t index, SyncPlan::Item& item, Decision decision)
{
    m_decided[index] = std::move(decision);
    settle(index, item);
}

void GroupCards::settle(std::size_t index, SyncPlan::Item& item) const
{
    const auto d = m_decided.find(index);
    if (d == m_decided.end())
        return;
    std::string& here = item.fields.value[kGroup];
    const bool moves = !sameName(here, d->second.group);
    here = d->second.group;
    if (moves && item.book == SyncPlan::Item::Book::Keep)
        item.book = SyncPlan::Item::Book::Change;
    if (d->second.conflict)
        keepConflict(item, *d->second.conflict);
}

void GroupCards::reconcile(SyncPlan& plan, const SyncState& state,
                           const std::vector<std::string>& bookGroups,
                           const std::string& collection, bool noBase)
{
    using Item = SyncPlan::Item;
    std::unordered_map<std::string_view, const SyncState::Entry*> byUid;
    for (const SyncState::Entry& e : state.entries)
        byUid.emplace(e.uid, &e);
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        Item& item = plan.items[i];
        const auto e = byUid.find(item.uid);
        const SyncState::Entry* entry = e == byUid.end() ? nullptr : e->second;
        if (!item.keepState || item.book == Item::Book::Remove ||
            item.server == Item::Server::Delete) {
            leave(i, cardUid(entry ? entry->card : item.card, item.uid));
            continue;
        }
        const std::string uid = cardUid(item.card, item.uid);
        std::string& here = item.fields.value[kGroup];
        std::string there = groupOf(uid, bookGroups);
        if (!holdable(there))
            there.clear();
        if (item.book == Item::Book::Add) {
            decide(i, item, {there, std::nullopt});
            continue;
        }
        const std::string* base = entry && !noBase ? &entry->base.value[kGroup] : nullptr;
        const bool movedHere = base && !sameName(*base, here);
        if (sameName(there, here)) {
            // Moved alike on both sides: out of the old group's card, should it still list it.
            if (movedHere)
                move(i, uid, *base, here, collection);
            continue;
        }
        const bool movedThere = base && !sameName(*base, there);
        // Made again after a delete there (an edit beats it), or in a group whose card the
        // server lost: the book's group stands.
        const bool bookStands = (item.server == Item::Server::Create && entry) ||
                                (there.empty() && !here.empty() && !named(here));
        if (!base) {
            // Nothing tells which side moved: an empty side takes the other's.
            if (there.empty())
                move(i, uid, {}, here, collection);
            else
                decide(i, item, {there, here.empty() ? std::nullopt : std::optional(here)});
        } else if (bookStands || (movedHere && !movedThere)) {
            move(i, uid, movedHere ? *base : std::string(), here, collection);
        } else {
            // Moved on the server; when here too, the server's stands, as with any slot.
            decide(i, item, {there, movedHere ? std::optional(here) : std::nullopt});
        }
    }
}

void GroupCards::mergeCategories(SyncPlan& plan)
{
    for (SyncPlan::Item& item : plan.items)
        mergeCategory(item, item.card);
}

void GroupCards::mergeCategory(SyncPlan::Item& item, const std::string& serverCard)
{
    using Item = SyncPlan::Item;
    if (!item.keepState || item.book == Item::Book::Add || item.book == Item::Book::Remove ||
        item.server == Item::Server::Delete)
        return;
    const std::optional<VCardDoc> doc = VCardDoc::parse(serverCard);
    if (!doc)
        return;
    const std::string there = SyncFields::fromCard(*doc).value[kGroup];
    std::string& here = item.fields.value[kGroup];
    // A category the book cannot hold stays the server's, and the book's group too.
    if (sameName(there, here) || (!there.empty() && !holdable(there)))
        return;
    if (there.empty()) {
        repatch(item, kGroup);
        return;
    }
    const std::string lost = here;
    here = there;
    if (item.book == Item::Book::Keep)
        item.book = Item::Book::Change;
    repatch(item, kGroup);
    if (!lost.empty())
        keepConflict(item, lost);
}

std::string GroupCards::edited(const std::string& text, const std::set<std::string>& added,
                               const std::set<std::string>& removed)
{
    std::optional<VCardDoc> doc = VCardDoc::parse(text);
    if (!doc)
        return text;
    std::set<std::string> missing = added;
    for (std::size_t i = doc->properties().size(); i-- > 0;) {
        const VCardDoc::Property& p = doc->properties()[i];
        if (!isMember(p))
            continue;
        const std::string uid = memberUid(p.value);
        if (removed.count(uid) != 0)
            doc->remove(i);
        else
            missing.erase(uid);
    }
    const std::string name =
        doc->find("KIND") != VCardDoc::npos ? "MEMBER" : "X-ADDRESSBOOKSERVER-MEMBER";
    for (const std::string& uid : missing)
        doc->add(name, {}, std::string(kUrn) + uid);
    return doc->text();
}

std::string GroupCards::newCardText(const std::string& uid, const std::string& name) const
{
    const bool four = std::any_of(m_cards.begin(), m_cards.end(), [](const Card& c) {
        const std::optional<VCardDoc> doc = c.isNew ? std::nullopt : VCardDoc::parse(c.text);
        const std::size_t v = doc ? doc->find("VERSION") : VCardDoc::npos;
        return v != VCardDoc::npos && doc->properties()[v].value == "4.0";
    });
    VCardDoc card = VCardDoc::skeleton(VCardDoc::escape(uid));
    const std::string fn = VCardDoc::escape(name);
    card.add("FN", {}, fn);
    if (four) {
        card.setValue(card.find("VERSION"), "4.0");
        card.add("KIND", {}, "group");
    } else {
        card.add("N", {}, fn + ";;;;");
        card.add("X-ADDRESSBOOKSERVER-KIND", {}, "group");
    }
    return card.text();
}
