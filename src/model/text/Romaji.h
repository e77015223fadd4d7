#pragma once

#include <string>
#include <string_view>

// Names found by the romaji of their reading. A reading and a typed word are both brought to
// one spelling, so that Hepburn and the keyboard's spellings meet (shi/si, tsu/tu, fu/hu,
// ja/zya/jya, Namba/nanba) and long vowels count once (sato, satou and satoh all find
// さとう; ono, oono and ohno find おおの).
namespace Romaji {

// The spelling of a folded reading (hiragana, as TextFold gives it); its spaces stay, other
// characters than kana are left out.
std::string fromReading(std::string_view folded);

// The spelling of a folded typed word, or empty when the word is not romaji (anything but
// ASCII letters, an apostrophe or a hyphen in it).
std::string fromTyped(std::string_view folded);

} // namespace Romaji
