#include "RecordPrefilter.h"

#include "model/text/Cp932.h"
#include "model/text/Kana.h"
#include "model/text/TextFold.h"
#include "model/text/Utf8.h"

#include <bitset>
#include <memory>

namespace {

constexpr std::size_t kMaxAnchors = 64;

// Dropped from phone forms: a word found there need not hold them.
bool isPhoneFiller(char32_t c)
{
    return c == ' ' || c == '-' || c == '(' || c == ')' || c == Kana::LongVowel || c == 0x3012;
}

// Codes that decode to one character only: ASCII but for 0x5C and 0x7E (read as ¥ and ‾ by
// some), half-width kana, the rows of kana, letters and JIS kanji. Symbols, NEC's row 13 and
// the IBM rows hold characters twice.
bool isSingleMeaning(std::string_view cp932)
{
    const auto b = static_cast<unsigned char>(cp932[0]);
    if (cp932.size() == 1)
        return (b >= 0x20 && b < 0x7F && b != 0x5C && b != 0x7E) || (b >= 0xA1 && b <= 0xDF);
    return cp932.size() == 2 && (b == 0x82 || b == 0x83 || b == 0x84 || (b >= 0x88 && b <= 0x9F) ||
                                 (b >= 0xE0 && b <= 0xEA));
}

bool isSurrogate(char32_t u)
{
    return u >= 0xD800 && u <= 0xDFFF;
}

} // namespace

std::map<char32_t, std::vector<std::string>>
RecordPrefilter::formsOf(const std::vector<char32_t>& chars)
{
    auto wanted = std::make_unique<std::bitset<0x10000>>();
    for (char32_t c : chars) {
        if (c < 0x10000)
            wanted->set(c);
    }
    // Every character that folds to a wanted one, or to the plain kana of a wanted voiced one.
    std::map<char32_t, std::vector<char32_t>> sources;
    std::map<char32_t, std::vector<char32_t>> plainOf; // plain kana -> wanted voiced kana
    for (char32_t b = 0; b < 0x10000; ++b) {
        if (isSurrogate(b))
            continue;
        for (char32_t joined : {Kana::withVoicedMark(b), Kana::withSemiVoicedMark(b)}) {
            if (joined != 0 && joined < 0x10000 && wanted->test(joined))
                plainOf[b].push_back(joined);
        }
    }
    for (char32_t u = 0; u < 0x10000; ++u) {
        if (isSurrogate(u))
            continue;
        const char32_t f = TextFold::foldChar(u);
        if (f < 0x10000 && wanted->test(f))
            sources[f].push_back(u);
        if (const auto p = plainOf.find(f); p != plainOf.end()) {
            for (char32_t joined : p->second)
                sources[joined].push_back(u);
        }
    }
    std::map<char32_t, std::vector<std::string>> forms;
    for (char32_t c : chars) {
        std::vector<std::string>& out = forms[c];
        const auto s = sources.find(c);
        if (c == Utf8::Replacement || c >= 0x10000 || s == sources.end())
            continue;
        bool sure = true;
        for (char32_t u : s->second) {
            char utf8[4];
            const Cp932::EncodeResult e =
                Cp932::fromUtf8(std::string_view(utf8, Utf8::encode(u, utf8)));
            if (!e.ok)
                continue; // no CP932 code decodes to it
            if (e.bytes.empty() || !isSingleMeaning(e.bytes)) {
                sure = false;
                break;
            }
            out.push_back(e.bytes);
        }
        if (!sure)
            out.clear();
    }
    return forms;
}

RecordPrefilter::RecordPrefilter(const SearchQuery& query) : m_pair(256)
{
    std::vector<char32_t> chars;
    const auto collect = [&chars](std::string_view utf8) {
        for (std::size_t pos = 0; pos < utf8.size();) {
            const char32_t c = Utf8::next(utf8, pos);
            if (!isPhoneFiller(c))
                chars.push_back(c);
        }
    };
    const auto& words = query.words();
    const std::size_t wordCount = std::min(words.size(), kMaxAnchors);
    for (std::size_t i = 0; i < wordCount; ++i) {
        collect(words[i].folded);
        collect(words[i].romaji);
    }
    const auto forms = formsOf(chars);
    std::map<char32_t, std::size_t> anchor;
    for (const auto& [c, codes] : forms) {
        if (codes.empty() || anchor.size() == kMaxAnchors)
            continue;
        const std::uint64_t bit = std::uint64_t(1) << anchor.size();
        anchor.emplace(c, anchor.size());
        for (const std::string& code : codes) {
            const auto lead = static_cast<unsigned char>(code[0]);
            if (code.size() == 1) {
                m_single[lead] |= bit;
                continue;
            }
            if (m_leadSlot[lead] == 0) {
                m_leadSlot[lead] = static_cast<std::uint8_t>(m_pair.size() >> 8);
                m_pair.resize(m_pair.size() + 256);
            }
            m_pair[(std::size_t(m_leadSlot[lead]) << 8) | static_cast<unsigned char>(code[1])] |=
                bit;
        }
    }
    // The word's characters that are looked for, in their order.
    const auto need = [&anchor](std::string_view utf8) {
        std::vector<std::uint64_t> bits;
        for (std::size_t pos = 0; pos < utf8.size();) {
            const auto a = anchor.find(Utf8::next(utf8, pos));
            if (a != anchor.end())
                bits.push_back(std::uint64_t(1) << a->second);
        }
        return bits;
    };
    for (std::size_t i = 0; i < wordCount; ++i) {
        Need n;
        n.folded = need(words[i].folded);
        n.hasRomaji = !words[i].romaji.empty();
        n.romaji = need(words[i].romaji);
        for (std::uint64_t bit : n.folded)
            n.foldedAll |= bit;
        for (std::uint64_t bit : n.romaji)
            n.romajiAll |= bit;
        m_need.push_back(std::move(n));
    }
}

std::uint64_t RecordPrefilter::present(std::string_view field) const
{
    const auto* in = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t n = field.size();
    std::uint64_t all = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char b = in[k];
        const unsigned char trail = k + 1 < n ? in[k + 1] : 0;
        all |= m_single[b] | m_pair[(std::size_t(m_leadSlot[b]) << 8) | trail];
    }
    return all;
}

bool RecordPrefilter::mayHold(std::string_view field, const std::vector<std::uint64_t>& bits) const
{
    // The looked-for characters in their order, each as the earliest code that can be it: if
    // the folded field holds the word, they are found so. Every byte may start a code, not
    // only those that start a character: a code found across a boundary only makes the
    // answer kinder.
    std::size_t next = 0;
    std::uint64_t want = bits[0];
    const auto* in = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t n = field.size();
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char b = in[k];
        // Without a branch: bytes that start no pair read the empty row 0, and no trail byte
        // is 0.
        const unsigned char trail = k + 1 < n ? in[k + 1] : 0;
        const std::uint64_t here = m_single[b] | m_pair[(std::size_t(m_leadSlot[b]) << 8) | trail];
        if (here & want) {
            if (++next == bits.size())
                return true;
            want = bits[next];
        }
    }
    return false;
}

std::uint64_t RecordPrefilter::missingWords(
    const std::array<std::string_view, AddressRecord::FieldCount>& fields) const
{
    // Which looked-for characters each field holds anywhere, in one pass for all the words: a
    // field that lacks one of a word's is not searched for it in order.
    std::array<std::uint64_t, AddressRecord::FieldCount> inField;
    std::uint64_t inRecord = 0;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        inField[f] = present(fields[f]);
        inRecord |= inField[f];
    }
    // A word lies within one field, its phone form or the joined name, whose characters all
    // come from that field in the same order.
    const auto inSomeField = [&](const std::vector<std::uint64_t>& bits, std::uint64_t all) {
        if (bits.empty())
            return true;
        if ((inRecord & all) != all)
            return false;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if ((inField[f] & all) == all && fields[f].size() >= bits.size() &&
                mayHold(fields[f], bits))
                return true;
        }
        return false;
    };
    std::uint64_t missing = 0;
    for (std::size_t i = 0; i < m_need.size(); ++i) {
        const Need& n = m_need[i];
        if (!inSomeField(n.folded, n.foldedAll) &&
            !(n.hasRomaji && inSomeField(n.romaji, n.romajiAll)))
            missing |= std::uint64_t(1) << i;
    }
    return missing;
}
