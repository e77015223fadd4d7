#pragma once

#include <cstdint>

// The kana knowledge that searching and あいうえお order share.
namespace Kana {

constexpr char32_t VoicedMark = 0x309B;     // ゛
constexpr char32_t SemiVoicedMark = 0x309C; // ゜
constexpr char32_t LongVowel = 0x30FC;      // ー

// Katakana to hiragana; everything else, including ヷ-ヺ which hiragana lacks, unchanged.
char32_t toHiragana(char32_t c);
// Half-width katakana (U+FF61-U+FF9F) to full-width katakana; its marks become ゛ and ゜.
// Returns 0 for anything else.
char32_t fromHalfWidth(char32_t c);
// The hiragana with the mark added (か + ゛ = が, は + ゜ = ぱ), or 0 when it takes none.
char32_t withVoicedMark(char32_t hiragana);
char32_t withSemiVoicedMark(char32_t hiragana);

// Where a hiragana stands in dictionary order.
struct Collation
{
    std::uint8_t base =
        0; // 1-based place of its plain, large form in あいうえお order; 0: not kana
    std::uint8_t voicing = 0; // 0 plain, 1 voiced, 2 semi-voiced
    bool small = false;       // ぁ っ ゃ ...
};
Collation collation(char32_t hiragana);
// The base of the vowel (あ い う え お) that ends the kana of the given base; 0 for ん.
std::uint8_t vowelOf(std::uint8_t base);

} // namespace Kana
