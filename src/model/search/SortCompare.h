#pragma once

#include <string>
#include <string_view>

// The address list's order of cell texts: byte by byte, with ASCII letters taken in lower case
// only where they stand as single-byte characters. The second byte of a double-byte character
// is never folded, so katakana such as ア (0x8341) and ヂ (0x8361) stay distinct.
namespace SortCompare {

// Negative, zero or positive, like strcmp.
int compare(std::string_view a, std::string_view b);

// A key whose plain byte order (unsigned) is the order of compare(): precomputed once per row,
// so that sorting many rows compares flat strings.
std::string key(std::string_view text);
void appendKey(std::string& out, std::string_view text);

// The name column's key: あいうえお order by reading, as Japanese dictionaries order words.
// Hiragana and katakana, full- and half-width, are alike; a voiced kana follows the plain one
// and a semi-voiced one the voiced one only where the words are otherwise equal (はな, ばか,
// ぱん, ひ: は-ば-ぱ decide last); a small kana equals its large form, after it on a tie; ー
// stands for the vowel of the kana before it (こーち as こおち). A space separates surname and
// given name, so that every やま comes before やまだ. Names with the same reading follow
// compare() of the names; names without a reading (UTF-8, empty or blank) come after all names
// with one, in compare() order.
std::string nameKey(std::string_view reading, std::string_view name);

} // namespace SortCompare
