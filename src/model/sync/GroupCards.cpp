#include "GroupCards.h"

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

void GroupCards::reconcile(SyncPlan& plan, const SyncState& state,
                           const std::vector<std::string>& bookGroups,
                           const std::string& collection)
{
    using Item = SyncPlan::Item;
    std::unordered_map<std::string_view, const SyncState::Entry*> byHref;
    for (const SyncState::Entry& e : state.entries)
        byHref.emplace(e.href, &e);
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        Item& item = plan.items[i];
        if (!item.keepState || item.book == Item::Book::Remove ||
            item.server == Item::Server::Delete)
            continue;
        const std::optional<VCardDoc> doc = VCardDoc::parse(item.card);
        const std::string uid = doc && !doc->uid().empty() ? doc->uid() : item.uid;
        std::string& here = item.fields.value[kGroup];
        std::string there = groupOf(uid, bookGroups);
        if (!holdable(there))
            there.clear();
        if (item.book == Item::Book::Add) {
            here = there;
            continue;
        }
        const auto e = byHref.find(item.href);
        const std::string* base = e == byHref.end() ? nullptr : &e->second->base.value[kGroup];
        // Moved here (or new to the server's groups), or in a group the server has no card for.
        const bool movedHere = base ? !sameName(*base, here) : there.empty();
        if (movedHere || (there.empty() && !here.empty() && !named(here))) {
            move(i, uid, base && movedHere ? *base : std::string(), here, collection);
        } else if (!sameName(there, here)) {
            here = there; // moved on the server
            if (item.book == Item::Book::Keep)
                item.book = Item::Book::Change;
        }
    }
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
