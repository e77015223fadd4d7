#include "ContactMatcher.h"

#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "model/text/Romaji.h"
#include "model/text/TextFold.h"
#include "model/text/Utf8.h"

#include <algorithm>

namespace {

// Variant forms of kanji that one family name is written with, to the common form.
constexpr std::pair<char32_t, char32_t> kVariants[] = {
    {U'髙', U'高'}, {U'﨑', U'崎'}, {U'嵜', U'崎'}, {U'碕', U'崎'}, {U'邊', U'辺'}, {U'邉', U'辺'},
    {U'齋', U'斎'}, {U'齊', U'斎'}, {U'斉', U'斎'}, {U'澤', U'沢'}, {U'濱', U'浜'}, {U'濵', U'浜'},
    {U'櫻', U'桜'}, {U'廣', U'広'}, {U'德', U'徳'}, {U'惠', U'恵'}, {U'國', U'国'}, {U'藏', U'蔵'},
    {U'冨', U'富'}, {U'嶋', U'島'}, {U'嶌', U'島'}, {U'眞', U'真'}, {U'瀨', U'瀬'}, {U'條', U'条'},
    {U'槇', U'槙'}, {U'籐', U'藤'}, {U'𠮷', U'吉'}, {U'桒', U'桑'}, {U'舘', U'館'}, {U'曾', U'曽'},
    {U'龍', U'竜'}, {U'淵', U'渕'}, {U'渊', U'渕'}, {U'榮', U'栄'}, {U'穗', U'穂'}, {U'實', U'実'},
};

char32_t unify(char32_t c)
{
    for (const auto& [from, to] : kVariants) {
        if (c == from)
            return to;
    }
    return c;
}

bool isAsciiLetters(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || c == ' ' || c == '-' || c == '\'' || c == '.';
    });
}

bool isKana(std::string_view folded)
{
    bool any = false;
    for (std::size_t pos = 0; pos < folded.size();) {
        const char32_t c = Utf8::next(folded, pos);
        if (c == U' ' || c == 0x30FC)
            continue;
        if (c < 0x3041 || c > 0x3096)
            return false;
        any = true;
    }
    return any;
}

std::vector<std::string> words(std::string_view s)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t start = s.find_first_not_of(" .", pos);
        if (start == std::string_view::npos)
            break;
        std::size_t end = s.find_first_of(" .", start);
        if (end == std::string_view::npos)
            end = s.size();
        out.emplace_back(s.substr(start, end - start));
        pos = end;
    }
    return out;
}

// The romaji of the words in their order and, for two words, the other way round: a Latin
// name comes given name first as often as not.
void addReadingKeys(std::vector<std::string>& out, const std::vector<std::string>& parts)
{
    if (parts.empty())
        return;
    std::string joined;
    for (const std::string& p : parts)
        joined += p;
    if (joined.size() < 2)
        return;
    out.push_back(joined);
    if (parts.size() == 2)
        out.push_back(parts[1] + parts[0]);
}

template <typename T> bool shares(const std::vector<T>& a, const std::vector<T>& b)
{
    for (const T& x : a) {
        if (std::find(b.begin(), b.end(), x) != b.end())
            return true;
    }
    return false;
}

void addUnique(std::vector<std::string>& v, std::string s)
{
    if (!s.empty() && std::find(v.begin(), v.end(), s) == v.end())
        v.push_back(std::move(s));
}

std::string nameOf(const std::string& folded)
{
    if (isAsciiLetters(folded)) {
        // Latin names in either order: the words sorted.
        std::vector<std::string> parts = words(folded);
        std::sort(parts.begin(), parts.end());
        std::string key;
        for (const std::string& p : parts)
            key += p;
        return key;
    }
    std::string key;
    key.reserve(folded.size());
    for (std::size_t pos = 0; pos < folded.size();) {
        const char32_t c = Utf8::next(folded, pos);
        if (c == U' ' || c == U'・' || c == U'.')
            continue;
        Utf8::append(key, unify(c));
    }
    return key;
}

std::string phoneOf(const std::string& folded)
{
    std::string digits;
    const std::size_t plus = folded.find('+');
    for (char c : folded) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    // +81 90-1234-5678 and +81 (0)3 ... are 090-1234-5678 and 03-...
    if (plus != std::string::npos && digits.starts_with("81")) {
        digits.erase(0, 2);
        if (!digits.starts_with('0'))
            digits.insert(digits.begin(), '0');
    }
    return digits.size() >= 8 ? digits : std::string();
}

std::string emailOf(std::string key)
{
    key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
    return key.find('@') == std::string::npos ? std::string() : key;
}

std::string addressOf(const std::string& postalCode, const std::string& folded)
{
    std::string postal;
    for (char c : postalCode) {
        if (c >= '0' && c <= '9')
            postal += c;
    }
    if (postal.size() != 7)
        return {};
    // The first number of the address (the 丁目 or 番地): the code names the town already.
    const std::size_t start = folded.find_first_of("0123456789");
    std::string number;
    if (start != std::string::npos) {
        const std::size_t end = folded.find_first_not_of("0123456789", start);
        number = folded.substr(start, end == std::string::npos ? end : end - start);
    }
    return postal + '/' + number;
}

// A field folded: from its whole text when CP932 could not hold it.
std::string foldedField(const AddressRecord& record, int field)
{
    const std::string_view full = RecordText::fullText(record, field);
    return full.empty() ? TextFold::fromCp932(record.field(field)) : TextFold::fromUtf8(full);
}

} // namespace

std::string ContactMatcher::nameKey(std::string_view utf8)
{
    return nameOf(TextFold::fromUtf8(utf8));
}

std::string ContactMatcher::phoneKey(std::string_view utf8)
{
    return phoneOf(TextFold::fromUtf8(utf8));
}

std::string ContactMatcher::emailKey(std::string_view utf8)
{
    return emailOf(TextFold::fromUtf8(utf8));
}

std::string ContactMatcher::addressKey(std::string_view postalCode, std::string_view address)
{
    return addressOf(TextFold::fromUtf8(postalCode), TextFold::fromUtf8(address));
}

bool ContactMatcher::isMobile(std::string_view key)
{
    return key.size() == 11 &&
           (key.starts_with("070") || key.starts_with("080") || key.starts_with("090"));
}

ContactMatcher::Keys ContactMatcher::keysOf(const AddressRecord& record, std::string_view reading)
{
    Keys k;
    if (!record.uid().isNull())
        k.uid = record.uid().toString();
    const std::string foldedName = foldedField(record, AddressRecord::Name);
    k.name = nameOf(foldedName);
    const std::string foldedReading = TextFold::fromUtf8(reading);
    if (!foldedReading.empty())
        addReadingKeys(k.readings, words(Romaji::fromReading(foldedReading)));
    if (isKana(foldedName)) {
        addReadingKeys(k.readings, words(Romaji::fromReading(foldedName)));
    } else if (isAsciiLetters(foldedName)) {
        std::vector<std::string> parts;
        for (const std::string& w : words(foldedName))
            parts.push_back(Romaji::fromTyped(w).empty() ? w : Romaji::fromTyped(w));
        addReadingKeys(k.readings, parts);
    }
    std::sort(k.readings.begin(), k.readings.end());
    k.readings.erase(std::unique(k.readings.begin(), k.readings.end()), k.readings.end());
    for (int f : {AddressRecord::Phone, AddressRecord::MobilePhone}) {
        if (!record.field(f).empty())
            addUnique(k.phones, phoneOf(foldedField(record, f)));
    }
    // The office's number is shared by colleagues; a mobile given there is the person's own.
    if (!record.officePhone().empty()) {
        const std::string office = phoneOf(foldedField(record, AddressRecord::OfficePhone));
        if (isMobile(office))
            addUnique(k.phones, office);
    }
    for (int f : {AddressRecord::Email, AddressRecord::OfficeEmail}) {
        if (!record.field(f).empty())
            addUnique(k.emails, emailOf(foldedField(record, f)));
    }
    if (const ContactExtras* x = record.extras())
        k.notSame = x->notDuplicates;
    if (!record.postalCode().empty())
        k.address = addressOf(foldedField(record, AddressRecord::PostalCode),
                              foldedField(record, AddressRecord::Address));
    return k;
}

ContactMatcher::Match ContactMatcher::compare(const Keys& a, const Keys& b)
{
    Match m;
    const auto saidOther = [](const Keys& x, const Keys& y) {
        return !y.uid.empty() &&
               std::find(x.notSame.begin(), x.notSame.end(), y.uid) != x.notSame.end();
    };
    if (saidOther(a, b) || saidOther(b, a))
        return m;
    if (!a.uid.empty() && a.uid == b.uid) {
        m.confidence = Confidence::Certain;
        m.reasons = SameUid;
        return m;
    }
    const bool name = !a.name.empty() && a.name == b.name;
    const bool reading = shares(a.readings, b.readings);
    bool mobile = false;
    bool phone = false;
    for (const std::string& p : a.phones) {
        if (std::find(b.phones.begin(), b.phones.end(), p) != b.phones.end()) {
            phone = true;
            mobile = mobile || isMobile(p);
        }
    }
    const bool email = shares(a.emails, b.emails);
    const bool address = !a.address.empty() && a.address == b.address;
    m.reasons = (name ? SameName : 0u) | (reading ? SameReading : 0u) | (phone ? SamePhone : 0u) |
                (email ? SameEmail : 0u) | (address ? SameAddress : 0u);
    const bool contact = phone || email || address;
    if (name && contact)
        m.confidence = Confidence::Certain;
    else if (reading && contact)
        m.confidence = Confidence::Likely;
    // Different names: only what one person alone has (a family shares the home's number and
    // address), and not when both readings are known and differ (a family's one mail address).
    else if ((email || mobile) && (a.readings.empty() || b.readings.empty()))
        m.confidence = Confidence::Likely;
    else if (name || reading) {
        // Namesakes: each with a phone and an e-mail of their own is two people.
        const bool phonesDiffer = !a.phones.empty() && !b.phones.empty();
        const bool emailsDiffer = !a.emails.empty() && !b.emails.empty();
        const bool addressesDiffer = !a.address.empty() && !b.address.empty();
        const int against = int(phonesDiffer) + int(emailsDiffer) + int(addressesDiffer);
        if (against < 2 && (name || against == 0))
            m.confidence = Confidence::Possible;
    }
    if (m.confidence == Confidence::None)
        m.reasons = 0;
    return m;
}

void ContactMatcher::reserve(std::size_t count)
{
    m_keys.reserve(count);
    m_entries.reserve(count * 4);
}

template <typename Visit> void ContactMatcher::forEachKey(const Keys& keys, Visit&& visit) const
{
    // The kind (u UID, n name, r reading, p phone, e e-mail, a address) goes into the hash.
    const auto put = [&](char kind, const std::string& key) {
        if (!key.empty())
            visit(std::hash<std::string_view>{}(key) ^
                  (std::uint64_t(std::uint8_t(kind)) * 0x9E3779B97F4A7C15ull));
    };
    put('u', keys.uid);
    put('n', keys.name);
    for (const std::string& r : keys.readings)
        put('r', r);
    for (const std::string& p : keys.phones)
        put('p', p);
    for (const std::string& e : keys.emails)
        put('e', e);
    put('a', keys.address);
}

void ContactMatcher::add(Keys keys)
{
    const auto index = static_cast<std::uint32_t>(m_keys.size());
    forEachKey(keys, [&](std::uint64_t hash) { m_entries.push_back({hash, index}); });
    m_sorted = false;
    m_keys.push_back(std::move(keys));
}

void ContactMatcher::sort() const
{
    if (m_sorted)
        return;
    std::sort(m_entries.begin(), m_entries.end());
    m_sorted = true;
}

std::vector<ContactMatcher::Candidate> ContactMatcher::find(const Keys& keys,
                                                            Confidence least) const
{
    sort();
    std::vector<std::uint32_t> near;
    forEachKey(keys, [&](std::uint64_t hash) {
        const auto from = std::lower_bound(m_entries.begin(), m_entries.end(), Entry{hash, 0});
        auto to = from;
        while (to != m_entries.end() && to->hash == hash)
            ++to;
        if (std::size_t(to - from) > MaxShared)
            return;
        for (auto it = from; it != to; ++it)
            near.push_back(it->index);
    });
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());
    std::vector<Candidate> out;
    for (std::uint32_t i : near) {
        const Match m = compare(keys, m_keys[i]);
        if (m.confidence >= least && m.confidence != Confidence::None)
            out.push_back({i, m});
    }
    std::stable_sort(out.begin(), out.end(), [](const Candidate& x, const Candidate& y) {
        return x.match.confidence > y.match.confidence;
    });
    return out;
}

std::vector<ContactMatcher::Pair> ContactMatcher::pairs(Confidence least) const
{
    sort();
    // Every two contacts that share a key, as one number each, then each pair once.
    std::vector<std::uint64_t> candidates;
    for (std::size_t from = 0; from < m_entries.size();) {
        std::size_t to = from + 1;
        while (to < m_entries.size() && m_entries[to].hash == m_entries[from].hash)
            ++to;
        if (to - from <= MaxShared) {
            for (std::size_t a = from; a < to; ++a) {
                for (std::size_t b = a + 1; b < to; ++b) {
                    if (m_entries[a].index != m_entries[b].index)
                        candidates.push_back(std::uint64_t(m_entries[a].index) << 32 |
                                             m_entries[b].index);
                }
            }
        }
        from = to;
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::vector<Pair> out;
    for (std::uint64_t c : candidates) {
        const auto a = std::size_t(c >> 32);
        const auto b = std::size_t(c & 0xFFFFFFFFu);
        const Match m = compare(m_keys[a], m_keys[b]);
        if (m.confidence >= least && m.confidence != Confidence::None)
            out.push_back({a, b, m});
    }
    return out;
}
