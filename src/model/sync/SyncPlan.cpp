#include "SyncPlan.h"

#include "SyncMerge.h"
#include "VCardDoc.h"
#include "model/book/AddressRecord.h"
#include "model/match/ContactMatcher.h"

#include <unordered_map>
#include <unordered_set>

namespace {

using Item = SyncPlan::Item;

SyncFields fieldsOf(const std::string& text)
{
    const std::optional<VCardDoc> doc = VCardDoc::parse(text);
    return doc ? SyncFields::fromCard(*doc) : SyncFields();
}

// The card with the slots that differ between `from` (what the card says) and `to` rewritten.
std::string patched(const std::string& text, const SyncFields& from, const SyncFields& to,
                    const std::string& uid)
{
    std::optional<VCardDoc> doc = VCardDoc::parse(text);
    if (!doc)
        return SyncFields::newCard(to, uid).text();
    for (int s = 0; s < SyncFields::SlotCount; ++s) {
        if (!SyncFields::same(s, from.value[s], to.value[s]))
            SyncFields::patch(*doc, s, to);
    }
    return doc->text();
}

// A contact both sides hold. fresh: the server's card when it changed since the base.
// byCard: groups travel as group cards, so the card's CATEGORIES neither moves the contact
// nor is rewritten (the book's group stays the base's side).
void both(Item& item, const SyncState::Entry* base, const SyncFields& ours,
          const SyncPlan::Card* fresh, bool byCard)
{
    if (!fresh && base && ours == base->base) {
        item.fields = base->base;
        item.card = base->card;
        item.etag = base->etag;
        return;
    }
    const std::string& text = fresh ? fresh->text : base->card;
    SyncFields theirs = fieldsOf(text);
    std::optional<SyncFields> remoteBase;
    if (base)
        remoteBase = fresh ? fieldsOf(base->card) : theirs;
    if (byCard) {
        theirs.value[AddressRecord::Group] = ours.value[AddressRecord::Group];
        if (remoteBase)
            remoteBase->value[AddressRecord::Group] = ours.value[AddressRecord::Group];
    }
    SyncMerge::Result m = SyncMerge::merge(base ? &base->base : nullptr,
                                           remoteBase ? &*remoteBase : nullptr, ours, theirs);
    item.fields = std::move(m.merged);
    item.conflicts = std::move(m.conflicts);
    item.unplaced = std::move(m.unplaced);
    item.etag = fresh ? fresh->etag : base->etag;
    item.book = item.fields == ours ? Item::Book::Keep : Item::Book::Change;
    item.card = patched(text, theirs, item.fields, item.uid);
    if (item.card != text)
        item.server = Item::Server::Update;
}

ContactMatcher::Keys keysOf(const SyncFields& f)
{
    using R = AddressRecord;
    ContactMatcher::Keys k;
    k.name = ContactMatcher::nameKey(f.value[R::Name]);
    for (const int slot : {R::Phone, R::MobilePhone, R::OfficePhone}) {
        if (std::string key = ContactMatcher::phoneKey(f.value[slot]); !key.empty())
            k.phones.push_back(std::move(key));
    }
    for (const int slot : {R::Email, R::OfficeEmail}) {
        if (std::string key = ContactMatcher::emailKey(f.value[slot]); !key.empty())
            k.emails.push_back(std::move(key));
    }
    return k;
}

// The one person both sides hold under different UIDs (a book filled by hand and a phone's
// account): the same name and the same phone or e-mail. A name alone pairs no one.
bool samePerson(const ContactMatcher::Match& m)
{
    using C = ContactMatcher;
    return (m.reasons & C::SameName) && (m.reasons & (C::SamePhone | C::SameEmail));
}

void restore(Item& item, const SyncPlan::Card& fresh, bool byCard)
{
    item.book = Item::Book::Add;
    item.fields = fieldsOf(fresh.text);
    if (byCard)
        item.fields.value[AddressRecord::Group].clear();
    item.card = fresh.text;
    item.etag = fresh.etag;
}

} // namespace

std::string SyncPlan::hrefFor(const std::string& collection, const std::string& uid)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string href = collection;
    if (href.empty() || href.back() != '/')
        href += '/';
    for (const char c : uid) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == '-' || u == '_' || u == '.') {
            href += c;
        } else {
            href += '%';
            href += kHex[u >> 4];
            href += kHex[u & 15];
        }
    }
    href += ".vcf";
    return href;
}

SyncPlan SyncPlan::make(const SyncState& state, const std::vector<Local>& book,
                        const std::map<std::string, Card>& changed,
                        const std::set<std::string>& removed, const std::string& collection,
                        bool groupsByCard, bool listUnchanged,
                        const std::unordered_map<std::string, std::string>* lastCards)
{
    SyncPlan plan;
    plan.bookSize = book.size();
    // Per contact of the book, by index rather than by UID (a run with one change still looks
    // at every contact): the first contact of a UID stands for all of it.
    std::unordered_map<std::string_view, std::size_t> byUid;
    std::vector<std::size_t> first(book.size());
    byUid.reserve(book.size());
    for (std::size_t i = 0; i < book.size(); ++i)
        first[i] = byUid.emplace(book[i].uid, i).first->second;
    const auto indexOf = [&](std::string_view uid) {
        const auto l = byUid.find(uid);
        return l == byUid.end() ? npos : l->second;
    };
    // Found its card: by the time the strangers come, so has every contact a card carries.
    std::vector<char> paired(book.size());
    std::vector<char> held(book.size());            // a card of the server carries its UID
    std::unordered_set<std::string_view> otherUids; // UIDs of cards the book lacks
    const auto hold = [&](std::string_view uid, std::size_t at) {
        if (at != npos)
            held[at] = 1;
        else
            otherUids.insert(uid);
    };
    // The server's changed cards at an href the state knows (the rest are new to it).
    std::unordered_set<std::string_view> knownHrefs;
    if (!changed.empty()) {
        for (const SyncState::Entry& e : state.entries) {
            if (changed.count(e.href) != 0)
                knownHrefs.insert(e.href);
        }
    }
    plan.items.reserve(listUnchanged ? state.entries.size() + changed.size() : changed.size());
    // Cards the server moved: gone from their href, their UID at one the state does not know.
    std::unordered_map<std::string, std::pair<const std::string*, const Card*>> moves;
    std::unordered_set<std::string_view> movedTo;
    if (!removed.empty()) {
        for (const auto& [href, card] : changed) {
            if (knownHrefs.count(href) != 0)
                continue;
            const std::optional<VCardDoc> doc = VCardDoc::parse(card.text);
            if (doc && !doc->isGroup() && !doc->uid().empty())
                moves.emplace(doc->uid(), std::make_pair(&href, &card));
        }
    }

    for (std::size_t index = 0; index < state.entries.size(); ++index) {
        const SyncState::Entry& e = state.entries[index];
        const std::size_t at = indexOf(e.uid);
        hold(e.uid, at);
        const Local* local = at == npos ? nullptr : &book[at];
        if (local)
            paired[at] = 1;
        const auto c = changed.find(e.href);
        const Card* fresh = c != changed.end() && c->second.etag != e.etag ? &c->second : nullptr;
        bool gone = removed.count(e.href) != 0;
        bool movedAsItWas = false;
        std::string href = e.href;
        if (const auto m = gone ? moves.find(e.uid) : moves.end(); m != moves.end()) {
            // The same card under its new href, to be compared with the old one's base.
            gone = false;
            href = *m->second.first;
            movedTo.insert(href);
            fresh = m->second.second;
            movedAsItWas = fresh->text == e.card;
            moves.erase(m);
        }
        if (!gone)
            ++plan.serverSize;
        if (!listUnchanged && local && !gone && !fresh && local->fields == e.base)
            continue;
        Item item;
        item.uid = e.uid;
        item.href = std::move(href);
        item.entry = index;
        if (!local) {
            if (gone) {
                item.keepState = false;
            } else if (fresh && !movedAsItWas) {
                restore(item, *fresh, groupsByCard);
            } else {
                item.server = Item::Server::Delete;
                item.etag = fresh ? fresh->etag : e.etag;
                item.keepState = false;
            }
        } else if (gone) {
            if (local->fields == e.base) {
                item.book = Item::Book::Remove;
                item.keepState = false;
            } else {
                item.server = Item::Server::Create;
                item.fields = local->fields;
                SyncFields from = fieldsOf(e.card);
                if (groupsByCard)
                    from.value[AddressRecord::Group] = local->fields.value[AddressRecord::Group];
                item.card = patched(e.card, from, local->fields, e.uid);
            }
        } else {
            both(item, &e, local->fields, fresh, groupsByCard);
        }
        plan.items.push_back(std::move(item));
    }

    struct Fresh
    {
        const std::string* href;
        const Card* card;
        std::string uid;
    };
    std::vector<Fresh> fresh;
    fresh.reserve(changed.size()); // otherUids holds views of their UIDs
    for (const auto& [href, card] : changed) {
        if (knownHrefs.count(href) != 0 || movedTo.count(href) != 0)
            continue;
        const std::optional<VCardDoc> doc = VCardDoc::parse(card.text);
        // A group card is no contact: it stays on the server as it is.
        if (doc && doc->isGroup())
            continue;
        ++plan.serverSize;
        if (!doc)
            continue;
        std::string uid = doc->uid();
        if (uid.empty())
            uid = href;
        // Two cards of one UID: the second stays on the server alone, or the book would
        // give it another UID and send it back as a third.
        const std::size_t at = indexOf(uid);
        if (at != npos ? held[at] != 0 : otherUids.count(uid) != 0)
            continue;
        fresh.push_back({&href, &card, std::move(uid)});
        hold(fresh.back().uid, at);
    }
    // Cards paired by UID first, so that a likeness never takes a contact its own card wants.
    std::vector<const Fresh*> strangers;
    for (const Fresh& f : fresh) {
        const std::size_t at = indexOf(f.uid);
        if (at == npos || paired[at]) {
            strangers.push_back(&f);
            continue;
        }
        paired[at] = 1;
        Item item;
        item.uid = f.uid;
        item.href = *f.href;
        both(item, nullptr, book[at].fields, f.card, groupsByCard);
        ++plan.pairs;
        plan.items.push_back(std::move(item));
    }
    // The rest against the book's contacts that no card holds: the same person is paired
    // under the book's UID (the state then ties it to the card's href), not added twice.
    ContactMatcher unpaired;
    std::vector<std::size_t> candidates;
    if (!strangers.empty()) {
        for (std::size_t i = 0; i < book.size(); ++i) {
            if (!paired[first[i]]) {
                unpaired.add(keysOf(book[i].fields));
                candidates.push_back(i);
            }
        }
    }
    for (const Fresh* f : strangers) {
        Item item;
        item.uid = f->uid;
        item.href = *f->href;
        std::size_t same = npos;
        if (unpaired.size() != 0) {
            for (const ContactMatcher::Candidate& c :
                 unpaired.find(keysOf(fieldsOf(f->card->text)))) {
                if (samePerson(c.match) && !paired[first[candidates[c.index]]]) {
                    same = candidates[c.index];
                    break;
                }
            }
        }
        if (same != npos) {
            paired[first[same]] = 1;
            ++plan.pairs;
            item.uid = book[same].uid;
            both(item, nullptr, book[same].fields, f->card, groupsByCard);
        } else {
            restore(item, *f->card, groupsByCard);
        }
        plan.items.push_back(std::move(item));
    }

    const auto lastCardOf = [lastCards](const std::string& uid) -> const std::string* {
        if (!lastCards)
            return nullptr;
        const auto it = lastCards->find(uid);
        return it == lastCards->end() ? nullptr : &it->second;
    };
    for (std::size_t i = 0; i < book.size(); ++i) {
        if (paired[first[i]])
            continue;
        const Local& l = book[i];
        Item item;
        item.uid = l.uid;
        item.href = hrefFor(collection, l.uid);
        item.server = Item::Server::Create;
        item.fields = l.fields;
        if (const std::string* last = lastCardOf(l.uid)) {
            // What the book never held (a photo, a birthday) comes back with the contact.
            SyncFields from = fieldsOf(*last);
            if (groupsByCard)
                from.value[AddressRecord::Group] = l.fields.value[AddressRecord::Group];
            item.card = patched(*last, from, l.fields, l.uid);
        } else {
            SyncFields onCard = l.fields;
            if (groupsByCard)
                onCard.value[AddressRecord::Group].clear();
            item.card = SyncFields::newCard(onCard, l.uid).text();
        }
        plan.items.push_back(std::move(item));
    }
    return plan;
}

void SyncPlan::remerge(Item& item, const SyncState::Entry* base, const SyncFields* bookSide,
                       const Card& fresh, bool groupsByCard)
{
    Item again;
    again.uid = item.uid;
    again.href = item.href;
    again.entry = item.entry;
    if (bookSide)
        both(again, base, *bookSide, &fresh, groupsByCard);
    else
        restore(again, fresh, groupsByCard);
    item = std::move(again);
}

std::size_t SyncPlan::down() const
{
    std::size_t n = 0;
    for (const Item& i : items)
        n += i.book == Item::Book::Add || i.book == Item::Book::Change;
    return n;
}

std::size_t SyncPlan::up() const
{
    std::size_t n = 0;
    for (const Item& i : items)
        n += i.server == Item::Server::Create || i.server == Item::Server::Update;
    return n;
}

std::size_t SyncPlan::bookRemovals() const
{
    std::size_t n = 0;
    for (const Item& i : items)
        n += i.book == Item::Book::Remove;
    return n;
}

std::size_t SyncPlan::serverDeletes() const
{
    std::size_t n = 0;
    for (const Item& i : items)
        n += i.server == Item::Server::Delete;
    return n;
}

std::size_t SyncPlan::deletes() const
{
    return bookRemovals() + serverDeletes();
}

std::size_t SyncPlan::conflicts() const
{
    std::size_t n = 0;
    for (const Item& i : items)
        n += i.conflicts.size();
    return n;
}

bool SyncPlan::tooManyDeletes(std::size_t deletes, std::size_t side)
{
    return deletes > 10 || (deletes > 1 && deletes * 10 > side * 3);
}

bool SyncPlan::needsConfirmation() const
{
    return tooManyDeletes(bookRemovals(), bookSize) || tooManyDeletes(serverDeletes(), serverSize);
}

bool SyncPlan::isFirstMerge(const SyncState& state) const
{
    return state.entries.empty() && bookSize != 0 && serverSize != 0;
}
