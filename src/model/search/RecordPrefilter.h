#pragma once

#include "SearchQuery.h"
#include "model/book/AddressRecord.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Which words of a query a saved record's fields cannot hold, told from the record's CP932
// bytes in Address.vok without decoding or folding them: a word whose characters (or those of
// its romaji spelling) do not occur in their order in one field, each in some form that folds
// to it, cannot be found in the fields, their phone forms or the joined name. Each character is
// looked for as every CP932 sequence that folds to it, and a voiced kana also as its plain kana
// (か゛ joins into が). A character whose forms could hide among CP932's duplicate codes (symbols,
// the IBM rows) or that is a phone form's filler is not looked for: the answer may only be too
// kind.
//
//     const RecordPrefilter prefilter(query);
//     if (prefilter.missingWords(fields) == 0) ... decode the record and match it fully
class RecordPrefilter
{
public:
    explicit RecordPrefilter(const SearchQuery& query);

    // Bit i set: word i of query.words() is surely not in these fields of a record, CP932 as
    // the file holds them. Words after the 64th are never reported.
    std::uint64_t
    missingWords(const std::array<std::string_view, AddressRecord::FieldCount>& fields) const;

    // The CP932 byte sequences that fold to each of chars; a character has none when it is not
    // looked for.
    static std::map<char32_t, std::vector<std::string>> formsOf(const std::vector<char32_t>& chars);

private:
    struct Need
    {
        std::vector<std::uint64_t> folded; // one bit a looked-for character, in order
        std::vector<std::uint64_t> romaji;
        std::uint64_t foldedAll = 0; // the bits of each, together
        std::uint64_t romajiAll = 0;
        bool hasRomaji = false;
    };
    std::uint64_t present(std::string_view field) const;
    bool mayHold(std::string_view field, const std::vector<std::uint64_t>& bits) const;

    std::vector<Need> m_need;
    std::array<std::uint64_t, 256> m_single{};
    std::array<std::uint8_t, 256> m_leadSlot{}; // 0: no looked-for code starts with it
    std::vector<std::uint64_t> m_pair;          // by m_leadSlot[lead] << 8 | trail; row 0 empty
};
