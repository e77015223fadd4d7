#include "SearchIndex.h"

#include "AddressRecord.h"
#include "RecordList.h"
#include "SearchQuery.h"
#include "TextFold.h"

#include <algorithm>
#include <cstring>

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

// One folded needle. When one of its bytes is rare in the index (a kanji's last byte, a
// letter seldom used) it is looked for with memchr and confirmed with memcmp, which outruns a
// generic search on the short text of one record; otherwise memmem does the work.
class Needle
{
public:
    Needle() = default;
    Needle(std::string_view text, const std::array<std::int64_t, 256>& byteCount) : m_text(text)
    {
        std::int64_t total = 0;
        for (std::int64_t c : byteCount)
            total += c;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (byteCount[static_cast<unsigned char>(text[i])] <
                byteCount[static_cast<unsigned char>(text[m_rare])])
                m_rare = i;
        }
        m_useRare = byteCount[static_cast<unsigned char>(text[m_rare])] * 64 <= total;
    }

    bool in(std::string_view hay) const
    {
        const std::size_t n = m_text.size();
        if (hay.size() < n)
            return false;
        if (!m_useRare)
            return ::memmem(hay.data(), hay.size(), m_text.data(), n) != nullptr;
        const char rare = m_text[m_rare];
        const char* p = hay.data() + m_rare;
        const char* const last = hay.data() + (hay.size() - n) + m_rare; // last place for it
        while (p <= last) {
            p = static_cast<const char*>(
                std::memchr(p, rare, static_cast<std::size_t>(last - p) + 1));
            if (!p)
                return false;
            if (std::memcmp(p - m_rare, m_text.data(), n) == 0)
                return true;
            ++p;
        }
        return false;
    }

private:
    std::string_view m_text;
    std::size_t m_rare = 0;
    bool m_useRare = false;
};

} // namespace

// The query's words prepared for one filtering pass.
class SearchIndex::Matcher
{
public:
    Matcher(const SearchQuery& query, const std::array<std::int64_t, 256>& byteCount)
    {
        for (const SearchQuery::Word& w : query.words())
            m_words.push_back({Needle(w.folded, byteCount),
                               w.phone.empty() ? Needle() : Needle(w.phone, byteCount),
                               !w.phone.empty()});
    }

    bool matches(std::string_view text, std::size_t phoneStart) const
    {
        for (const Word& w : m_words) {
            if (w.folded.in(text))
                continue;
            if (w.hasPhone && w.phone.in(text.substr(phoneStart)))
                continue;
            return false;
        }
        return true;
    }

private:
    struct Word
    {
        Needle folded;
        Needle phone;
        bool hasPhone;
    };
    std::vector<Word> m_words;
};

std::string SearchIndex::searchText(const AddressRecord& record, std::string_view reading,
                                    std::size_t& phoneStart)
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
    auto appendWithoutSpaces = [&text](std::string_view s) {
        for (char c : s) {
            if (c != ' ')
                text += c;
        }
        text += '\0';
    };
    // "山田太郎" finds "山田 太郎", and "やまだたろう" its reading "やまだ たろう".
    if (folded(AddressRecord::Name).find(' ') != std::string_view::npos)
        appendWithoutSpaces(std::string(folded(AddressRecord::Name)));
    appendWithoutSpaces(TextFold::fromUtf8(reading));
    phoneStart = text.size();
    for (int field : kPhoneFields) {
        if (start[field + 1] - start[field] <= 1)
            continue;
        TextFold::appendPhoneForm(text, std::string(folded(field)));
        text += '\0';
    }
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
    m_slot.reserve(records.size());
    for (const auto& record : records)
        update(record.get(), readingOf ? readingOf(*record) : std::string());
}

void SearchIndex::update(const AddressRecord* record, std::string_view reading)
{
    std::size_t phoneStart = 0;
    std::string text = searchText(*record, reading, phoneStart);
    count(text, +1);
    ++m_generation;
    const auto [it, added] =
        m_slot.try_emplace(record, static_cast<std::uint32_t>(m_entries.size()));
    if (added) {
        m_entries.push_back({record, std::move(text), static_cast<std::uint32_t>(phoneStart)});
        return;
    }
    Entry& e = m_entries[it->second];
    count(e.text, -1);
    e.text = std::move(text);
    e.phoneStart = static_cast<std::uint32_t>(phoneStart);
}

void SearchIndex::remove(const AddressRecord* record)
{
    const auto it = m_slot.find(record);
    if (it == m_slot.end())
        return;
    ++m_generation;
    const std::uint32_t slot = it->second;
    m_slot.erase(it);
    count(m_entries[slot].text, -1);
    if (slot + 1 != m_entries.size()) {
        m_entries[slot] = std::move(m_entries.back());
        m_slot[m_entries[slot].record] = slot;
    }
    m_entries.pop_back();
}

void SearchIndex::clear()
{
    ++m_generation;
    m_entries.clear();
    m_slot.clear();
    m_byteCount.fill(0);
}

bool SearchIndex::contains(const AddressRecord* record) const
{
    return m_slot.count(record) != 0;
}

bool SearchIndex::matches(const Matcher& matcher, const AddressRecord* record) const
{
    const auto it = m_slot.find(record);
    if (it != m_slot.end()) {
        const Entry& e = m_entries[it->second];
        return matcher.matches(e.text, e.phoneStart);
    }
    std::size_t phoneStart = 0;
    const std::string text = searchText(*record, {}, phoneStart);
    return matcher.matches(text, phoneStart);
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
        for (AddressRecord* record : candidates) {
            const auto it = m_slot.find(record);
            if (it == m_slot.end()) {
                m_cache.texts.push_back({nullptr, 0, 0});
            } else {
                const Entry& e = m_entries[it->second];
                m_cache.texts.push_back(
                    {e.text.data(), static_cast<std::uint32_t>(e.text.size()), e.phoneStart});
            }
        }
    }
    std::vector<AddressRecord*> out;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const CachedText& t = m_cache.texts[i];
        const bool match = t.text ? matcher.matches(std::string_view(t.text, t.size), t.phoneStart)
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
