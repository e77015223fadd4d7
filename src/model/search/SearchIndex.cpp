#include "SearchIndex.h"

#include "SearchQuery.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordList.h"
#include "model/text/Romaji.h"
#include "model/text/TextFold.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kPhoneFields[] = {
    AddressRecord::Phone,
    AddressRecord::MobilePhone,
    AddressRecord::Fax,
    AddressRecord::OfficePhone,
    AddressRecord::OfficeFax,
    AddressRecord::PostalCode,
    AddressRecord::OfficePostalCode,
};

// One folded needle, looked for by its two rarest bytes (by the index's byte counts) sixteen
// places at a time, each candidate confirmed with memcmp. A record's text is short, so a
// generic search spends most of its time setting up; this scan needs no setup at all.
class Needle
{
public:
    Needle() = default;
    Needle(std::string_view text, const std::array<std::int64_t, 256>& byteCount) : m_text(text)
    {
        auto count = [&](std::size_t i) { return byteCount[static_cast<unsigned char>(text[i])]; };
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (count(i) < count(m_first))
                m_first = i;
        }
        m_second = m_first == 0 ? 1 : 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i != m_first && count(i) < count(m_second))
                m_second = i;
        }
        if (m_second < m_first)
            std::swap(m_first, m_second);
    }

    bool in(std::string_view hay) const
    {
        const std::size_t n = m_text.size();
        if (hay.size() < n)
            return false;
        if (n == 1)
            return std::memchr(hay.data(), m_text[0], hay.size()) != nullptr;
        const char* const h = hay.data();
        const std::size_t last = hay.size() - n; // the last place the needle can start
        std::size_t start = 0;
#if defined(__SSE2__)
        const __m128i first = _mm_set1_epi8(m_text[m_first]);
        const __m128i second = _mm_set1_epi8(m_text[m_second]);
        // Sixteen starts at a time while both loads stay inside the text.
        for (; start + m_second + 16 <= hay.size(); start += 16) {
            const __m128i a =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + start + m_first));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + start + m_second));
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
            while (mask != 0) {
                const std::size_t at = start + static_cast<std::size_t>(__builtin_ctz(mask));
                if (at <= last && std::memcmp(h + at, m_text.data(), n) == 0)
                    return true;
                mask &= mask - 1;
            }
        }
#endif
        for (; start <= last; ++start) {
            if (h[start + m_first] == m_text[m_first] && h[start + m_second] == m_text[m_second] &&
                std::memcmp(h + start, m_text.data(), n) == 0)
                return true;
        }
        return false;
    }

private:
    std::string_view m_text;
    std::size_t m_first = 0; // the rarest byte's place
    std::size_t m_second = 1;
};

} // namespace

// The query's words prepared for one filtering pass.
class SearchIndex::Matcher
{
public:
    Matcher(const SearchQuery& query, const std::array<std::int64_t, 256>& byteCount)
    {
        // Reserved up front: the needles point into these texts.
        m_joined.reserve(query.words().size() * 2);
        for (const SearchQuery::Word& w : query.words()) {
            m_joined.push_back(SearchQuery::JoinedMark + w.folded);
            m_joined.push_back(SearchQuery::JoinedMark + w.romaji);
        }
        for (std::size_t i = 0; i < query.words().size(); ++i) {
            const SearchQuery::Word& w = query.words()[i];
            const bool romaji = !w.romaji.empty();
            m_words.push_back({Needle(w.folded, byteCount), Needle(m_joined[2 * i], byteCount),
                               w.phone.empty() ? Needle() : Needle(w.phone, byteCount),
                               romaji ? Needle(w.romaji, byteCount) : Needle(),
                               romaji ? Needle(m_joined[2 * i + 1], byteCount) : Needle(),
                               !w.phone.empty(), romaji});
        }
    }

    bool matches(std::string_view text, std::size_t phoneStart, std::size_t joinedStart) const
    {
        const std::string_view before = text.substr(0, joinedStart);
        for (const Word& w : m_words) {
            if (w.folded.in(before))
                continue;
            if (w.joined.in(text.substr(joinedStart)))
                continue;
            if (w.hasPhone && w.phone.in(before.substr(phoneStart)))
                continue;
            if (w.hasRomaji && (w.romaji.in(before) || w.romajiJoined.in(text.substr(joinedStart))))
                continue;
            return false;
        }
        return true;
    }

private:
    struct Word
    {
        Needle folded;
        Needle joined; // JoinedMark and the word: from the start of a joined name or reading
        Needle phone;
        Needle romaji;
        Needle romajiJoined;
        bool hasPhone;
        bool hasRomaji;
    };
    std::vector<std::string> m_joined; // the texts the joined needles look at
    std::vector<Word> m_words;
};

std::string SearchIndex::searchText(const AddressRecord& record, std::string_view reading,
                                    std::size_t& phoneStart, std::size_t& joinedStart)
{
    std::string text;
    text.reserve(record.text().size() * 2 + reading.size() + 64);
    std::array<std::size_t, AddressRecord::FieldCount + 1> start{};
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        start[i] = text.size();
        TextFold::appendCp932(text, record.field(i));
        text += '\0';
    }
    start[AddressRecord::FieldCount] = text.size();
    auto folded = [&](int field) {
        return std::string_view(text).substr(start[field], start[field + 1] - 1 - start[field]);
    };
    const std::string foldedReading = TextFold::fromUtf8(reading);
    // The reading's romaji too: "watanabe" finds 渡辺 (わたなべ).
    const std::string romaji = Romaji::fromReading(foldedReading);
    if (!foldedReading.empty()) {
        text += foldedReading;
        text += '\0';
        if (!romaji.empty()) {
            text += romaji;
            text += '\0';
        }
    }
    // The extras: whole texts CP932 could not hold, 敬称, 連名 with their readings, 役職, 部署.
    if (const ContactExtras* x = record.extras()) {
        const auto add = [&text](std::string_view utf8) {
            if (utf8.empty())
                return;
            text += TextFold::fromUtf8(utf8);
            text += '\0';
        };
        for (const auto& [field, full] : x->fullText) {
            if (!x->fullTextOf(field, record.field(field)).empty())
                add(full);
        }
        add(x->honorific);
        for (const auto& j : x->jointNames) {
            add(j.name);
            add(j.reading);
        }
        add(x->title);
        add(x->department);
    }
    phoneStart = text.size();
    for (int field : kPhoneFields) {
        if (start[field + 1] - start[field] <= 1)
            continue;
        TextFold::appendPhoneForm(text, std::string(folded(field)));
        text += '\0';
    }
    // "山田太郎" finds "山田 太郎", and "やまだたろう" its reading "やまだ たろう"; only from
    // their start, so that no word runs from the end of a surname into a given name.
    joinedStart = text.size();
    auto appendJoined = [&text](std::string_view s) {
        if (s.find(' ') == std::string_view::npos)
            return;
        text += SearchQuery::JoinedMark;
        for (char c : s) {
            if (c != ' ')
                text += c;
        }
        text += '\0';
    };
    appendJoined(std::string(folded(AddressRecord::Name)));
    appendJoined(foldedReading);
    appendJoined(romaji);
    return text;
}

void SearchIndex::count(const std::string& text, int sign)
{
    for (unsigned char c : text)
        m_byteCount[c] += sign;
}

void SearchIndex::build(const RecordList& records, const ReadingOf& readingOf)
{
    clear();
    m_entries.reserve(records.size());
    m_slots.reserve(records.size());
    for (const auto& record : records)
        update(record.get(), readingOf ? readingOf(*record) : std::string());
}

void SearchIndex::update(const AddressRecord* record, std::string_view reading)
{
    std::size_t phoneStart = 0;
    std::size_t joinedStart = 0;
    std::string text = searchText(*record, reading, phoneStart, joinedStart);
    count(text, +1);
    ++m_generation;
    const std::uint32_t slot = m_slots.find(record);
    if (slot == RecordSlots::None) {
        m_slots.set(record, static_cast<std::uint32_t>(m_entries.size()));
        m_entries.push_back({record, std::move(text), static_cast<std::uint32_t>(phoneStart),
                             static_cast<std::uint32_t>(joinedStart)});
        return;
    }
    Entry& e = m_entries[slot];
    count(e.text, -1);
    e.text = std::move(text);
    e.phoneStart = static_cast<std::uint32_t>(phoneStart);
    e.joinedStart = static_cast<std::uint32_t>(joinedStart);
}

void SearchIndex::remove(const AddressRecord* record)
{
    const std::uint32_t slot = m_slots.find(record);
    if (slot == RecordSlots::None)
        return;
    ++m_generation;
    m_slots.erase(record);
    count(m_entries[slot].text, -1);
    if (slot + 1 != m_entries.size()) {
        m_entries[slot] = std::move(m_entries.back());
        m_slots.set(m_entries[slot].record, slot);
    }
    m_entries.pop_back();
}

void SearchIndex::clear()
{
    ++m_generation;
    m_entries.clear();
    m_slots.clear();
    m_byteCount.fill(0);
}

bool SearchIndex::contains(const AddressRecord* record) const
{
    return m_slots.find(record) != RecordSlots::None;
}

bool SearchIndex::matches(const Matcher& matcher, const AddressRecord* record) const
{
    const std::uint32_t slot = m_slots.find(record);
    if (slot != RecordSlots::None) {
        const Entry& e = m_entries[slot];
        return matcher.matches(e.text, e.phoneStart, e.joinedStart);
    }
    std::size_t phoneStart = 0;
    std::size_t joinedStart = 0;
    const std::string text = searchText(*record, {}, phoneStart, joinedStart);
    return matcher.matches(text, phoneStart, joinedStart);
}

std::vector<AddressRecord*> SearchIndex::filter(const SearchQuery& query,
                                                std::span<AddressRecord* const> candidates) const
{
    if (query.empty())
        return {candidates.begin(), candidates.end()};
    const Matcher matcher(query, m_byteCount);
    std::lock_guard lock(m_cacheMutex);
    // Keystrokes filter the same shown rows again and again: their texts are looked up once.
    if (m_cache.generation != m_generation || m_cache.records.size() != candidates.size() ||
        !std::equal(candidates.begin(), candidates.end(), m_cache.records.begin())) {
        m_cache.generation = m_generation;
        m_cache.records.assign(candidates.begin(), candidates.end());
        m_cache.texts.clear();
        m_cache.texts.reserve(candidates.size());
        // Two passes, each fetching ahead: the slots, then the entries they name.
        constexpr std::size_t kAhead = 16;
        std::vector<std::uint32_t> slots(candidates.size());
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (i + kAhead < candidates.size())
                m_slots.prefetch(candidates[i + kAhead]);
            slots[i] = m_slots.find(candidates[i]);
        }
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (i + kAhead < candidates.size() && slots[i + kAhead] != RecordSlots::None)
                __builtin_prefetch(&m_entries[slots[i + kAhead]]);
            if (slots[i] == RecordSlots::None) {
                m_cache.texts.push_back({nullptr, 0, 0, 0});
                continue;
            }
            const Entry& e = m_entries[slots[i]];
            m_cache.texts.push_back({e.text.data(), static_cast<std::uint32_t>(e.text.size()),
                                     e.phoneStart, e.joinedStart});
        }
    }
    std::vector<AddressRecord*> out;
    constexpr std::size_t kAhead = 8; // texts lie scattered: ask for the next ones early
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (i + kAhead < candidates.size()) {
            const CachedText& next = m_cache.texts[i + kAhead];
            for (std::uint32_t at = 0; next.text && at < next.size; at += 64)
                __builtin_prefetch(next.text + at);
        }
        const CachedText& t = m_cache.texts[i];
        const bool match =
            t.text ? matcher.matches(std::string_view(t.text, t.size), t.phoneStart, t.joinedStart)
                   : matches(matcher, candidates[i]);
        if (match)
            out.push_back(candidates[i]);
    }
    return out;
}

bool SearchIndex::matches(const SearchQuery& query, const AddressRecord* record) const
{
    return query.empty() || matches(Matcher(query, m_byteCount), record);
}
