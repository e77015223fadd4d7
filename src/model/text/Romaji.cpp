#include "Romaji.h"

#include "Utf8.h"

#include <array>
#include <cstring>

namespace {

// Romaji of the hiragana U+3041 to U+3096, in Hepburn; small kana join the one before them.
constexpr std::array<const char*, 0x56> kSyllables = {
    "a",  "a",  "i",   "i",  "u",  "u",   "e",  "e",   "o",  "o",  "ka", "ga", "ki", "gi", "ku",
    "gu", "ke", "ge",  "ko", "go", "sa",  "za", "shi", "ji", "su", "zu", "se", "ze", "so", "zo",
    "ta", "da", "chi", "ji", "",   "tsu", "zu", "te",  "de", "to", "do", "na", "ni", "nu", "ne",
    "no", "ha", "ba",  "pa", "hi", "bi",  "pi", "fu",  "bu", "pu", "he", "be", "pe", "ho", "bo",
    "po", "ma", "mi",  "mu", "me", "mo",  "ya", "ya",  "yu", "yu", "yo", "yo", "ra", "ri", "ru",
    "re", "ro", "wa",  "wa", "i",  "e",   "o",  "n",   "vu", "ka", "ke"};

constexpr char32_t kFirst = 0x3041;
constexpr char32_t kSmallTsu = 0x3063;
constexpr char32_t kLongMark = 0x30FC;

bool isSmall(char32_t c)
{
    switch (c) {
    case 0x3041:
    case 0x3043:
    case 0x3045:
    case 0x3047:
    case 0x3049: // ぁぃぅぇぉ
    case 0x3083:
    case 0x3085:
    case 0x3087:
    case 0x308E: // ゃゅょゎ
        return true;
    default:
        return false;
    }
}

bool isVowel(char c)
{
    return c == 'a' || c == 'i' || c == 'u' || c == 'e' || c == 'o';
}

// Hiragana (and spaces) to the one spelling both sides share.
std::string spell(std::u32string_view kana)
{
    std::string out;
    bool doubleNext = false;
    for (std::size_t i = 0; i < kana.size(); ++i) {
        const char32_t c = kana[i];
        if (c == U' ') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            doubleNext = false;
            continue;
        }
        if (c == kLongMark)
            continue;
        if (c < kFirst || c >= kFirst + kSyllables.size())
            continue;
        if (c == kSmallTsu) {
            doubleNext = true;
            continue;
        }
        const char last = out.empty() ? ' ' : out.back();
        std::string syllable = kSyllables[c - kFirst];
        if (isSmall(c) && isVowel(last) && out.size() >= 2 && out[out.size() - 2] != ' ' &&
            !isVowel(out[out.size() - 2])) {
            // きゃ kya, しゃ sha, じゃ ja, ふぁ fa: the small kana replaces the vowel before it.
            out.pop_back();
            const bool y = syllable[0] == 'y';
            const char prev = out.back();
            const bool palatal =
                prev == 'j' || (prev == 'h' && out.size() >= 2 &&
                                (out[out.size() - 2] == 's' || out[out.size() - 2] == 'c'));
            if (y && last == 'i' && !palatal)
                out += syllable;
            else
                out += syllable.back();
            continue;
        }
        // A long vowel counts once: おう, おお, うう.
        if ((c == 0x3046 && (last == 'o' || last == 'u')) || (c == 0x304A && last == 'o'))
            continue;
        if (doubleNext && !isVowel(syllable[0]))
            out += syllable[0];
        doubleNext = false;
        out += syllable;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// Typed romaji to hiragana, the way an input method reads it.
struct Row
{
    const char* consonant;
    std::array<const char*, 5> kana; // a i u e o, UTF-8
};
constexpr Row kRows[] = {
    {"", {"あ", "い", "う", "え", "お"}},
    {"k", {"か", "き", "く", "け", "こ"}},
    {"g", {"が", "ぎ", "ぐ", "げ", "ご"}},
    {"s", {"さ", "し", "す", "せ", "そ"}},
    {"z", {"ざ", "じ", "ず", "ぜ", "ぞ"}},
    {"t", {"た", "ち", "つ", "て", "と"}},
    {"d", {"だ", "ぢ", "づ", "で", "ど"}},
    {"n", {"な", "に", "ぬ", "ね", "の"}},
    {"h", {"は", "ひ", "ふ", "へ", "ほ"}},
    {"b", {"ば", "び", "ぶ", "べ", "ぼ"}},
    {"p", {"ぱ", "ぴ", "ぷ", "ぺ", "ぽ"}},
    {"m", {"ま", "み", "む", "め", "も"}},
    {"y", {"や", "い", "ゆ", "いぇ", "よ"}},
    {"r", {"ら", "り", "る", "れ", "ろ"}},
    {"l", {"ら", "り", "る", "れ", "ろ"}},
    {"w", {"わ", "うぃ", "う", "うぇ", "を"}},
    {"f", {"ふぁ", "ふぃ", "ふ", "ふぇ", "ふぉ"}},
    {"v", {"ゔぁ", "ゔぃ", "ゔ", "ゔぇ", "ゔぉ"}},
    {"j", {"じゃ", "じ", "じゅ", "じぇ", "じょ"}},
    {"c", {"か", "し", "く", "せ", "こ"}},
    {"sh", {"しゃ", "し", "しゅ", "しぇ", "しょ"}},
    {"ch", {"ちゃ", "ち", "ちゅ", "ちぇ", "ちょ"}},
    {"ts", {"つぁ", "つぃ", "つ", "つぇ", "つぉ"}},
    {"ky", {"きゃ", "きぃ", "きゅ", "きぇ", "きょ"}},
    {"gy", {"ぎゃ", "ぎぃ", "ぎゅ", "ぎぇ", "ぎょ"}},
    {"sy", {"しゃ", "しぃ", "しゅ", "しぇ", "しょ"}},
    {"zy", {"じゃ", "じぃ", "じゅ", "じぇ", "じょ"}},
    {"jy", {"じゃ", "じぃ", "じゅ", "じぇ", "じょ"}},
    {"ty", {"ちゃ", "ちぃ", "ちゅ", "ちぇ", "ちょ"}},
    {"cy", {"ちゃ", "ちぃ", "ちゅ", "ちぇ", "ちょ"}},
    {"dy", {"ぢゃ", "ぢぃ", "ぢゅ", "ぢぇ", "ぢょ"}},
    {"ny", {"にゃ", "にぃ", "にゅ", "にぇ", "にょ"}},
    {"hy", {"ひゃ", "ひぃ", "ひゅ", "ひぇ", "ひょ"}},
    {"by", {"びゃ", "びぃ", "びゅ", "びぇ", "びょ"}},
    {"py", {"ぴゃ", "ぴぃ", "ぴゅ", "ぴぇ", "ぴょ"}},
    {"my", {"みゃ", "みぃ", "みゅ", "みぇ", "みょ"}},
    {"ry", {"りゃ", "りぃ", "りゅ", "りぇ", "りょ"}},
    {"ly", {"りゃ", "りぃ", "りゅ", "りぇ", "りょ"}},
};

int vowelIndex(char c)
{
    switch (c) {
    case 'a':
        return 0;
    case 'i':
        return 1;
    case 'u':
        return 2;
    case 'e':
        return 3;
    case 'o':
        return 4;
    default:
        return -1;
    }
}

void appendKana(std::u32string& out, const char* utf8)
{
    const std::string_view s(utf8);
    for (std::size_t pos = 0; pos < s.size();)
        out += Utf8::next(s, pos);
}

std::u32string toKana(std::string_view typed)
{
    std::u32string kana;
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return k < typed.size() ? typed[k] : '\0'; };
    while (i < typed.size()) {
        const char c = typed[i];
        if (c == '\'' || c == '-') {
            ++i;
            continue;
        }
        if (const int v = vowelIndex(c); v >= 0) {
            appendKana(kana, kRows[0].kana[std::size_t(v)]);
            ++i;
            continue;
        }
        // ん: n before anything but a vowel or y (nn once), m before b, p or m.
        if ((c == 'n' && vowelIndex(at(i + 1)) < 0 && at(i + 1) != 'y') ||
            (c == 'm' && (at(i + 1) == 'b' || at(i + 1) == 'p' || at(i + 1) == 'm'))) {
            kana += U'ん';
            i += (c == 'n' && at(i + 1) == 'n' && vowelIndex(at(i + 2)) < 0) ? 2 : 1;
            continue;
        }
        // satoh, ohno: an h after o that starts no syllable lengthens the vowel.
        if (c == 'h' && i > 0 && typed[i - 1] == 'o' && vowelIndex(at(i + 1)) < 0 &&
            at(i + 1) != 'y') {
            ++i;
            continue;
        }
        // A doubled consonant, and the t of tch, is っ.
        if ((at(i + 1) == c && c != 'n') || (c == 't' && at(i + 1) == 'c' && at(i + 2) == 'h')) {
            kana += U'っ';
            ++i;
            continue;
        }
        bool matched = false;
        for (std::size_t len = 2; len >= 1 && !matched; --len) {
            if (i + len > typed.size())
                continue;
            const std::string_view consonant = typed.substr(i, len);
            // tsu, shi, chi: the two-letter rows first.
            for (const Row& row : kRows) {
                if (consonant != row.consonant)
                    continue;
                const int v = vowelIndex(at(i + len));
                if (v < 0)
                    break;
                appendKana(kana, row.kana[std::size_t(v)]);
                i += len + 1;
                matched = true;
                break;
            }
        }
        if (!matched) {
            // A syllable still being typed (the k of "k" or the sh of "watash") stays a letter,
            // which no reading's spelling holds in that place unless it goes on the same way.
            kana += char32_t(c);
            ++i;
        }
    }
    return kana;
}

} // namespace

namespace Romaji {

std::string fromReading(std::string_view folded)
{
    std::u32string kana;
    for (std::size_t pos = 0; pos < folded.size();)
        kana += Utf8::next(folded, pos);
    return spell(kana);
}

std::string fromTyped(std::string_view folded)
{
    if (folded.empty())
        return {};
    for (char c : folded) {
        if (!((c >= 'a' && c <= 'z') || c == '\'' || c == '-'))
            return {};
    }
    const std::u32string kana = toKana(folded);
    // Letters left over at the end (an unfinished syllable) are kept as typed.
    std::u32string done;
    std::string tail;
    std::size_t k = 0;
    for (; k < kana.size() && kana[k] >= 0x80; ++k)
        done += kana[k];
    for (; k < kana.size(); ++k) {
        if (kana[k] >= 0x80)
            return {}; // letters in the middle are no romaji
        tail += char(kana[k]);
    }
    return spell(done) + tail;
}

} // namespace Romaji
