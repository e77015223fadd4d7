#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 checks for text that arrives from files of other programs.
namespace Utf8 {

// Length of the well-formed character at text[pos] (1 to 4), or 0 when the bytes there are not
// one (a stray continuation byte, an overlong form, a surrogate, a cut-off sequence).
std::size_t validLength(std::string_view text, std::size_t pos);

// True when the whole text is well-formed UTF-8.
bool isValid(std::string_view text);

// The text with every malformed byte replaced by U+FFFD.
std::string sanitize(std::string_view text);

// True when no byte is above 0x7F.
bool isAscii(std::string_view text);

// Equal when ASCII letters are compared without regard to case (names in file formats:
// "BEGIN", "Charset", "TYPE=cell").
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// One code point at a time, for the folding and collation of readings and queries.

constexpr char32_t Replacement = 0xFFFD;

// The code point at text[pos], advancing pos past it; a malformed sequence yields U+FFFD and
// advances by one byte, so that every input ends.
char32_t next(std::string_view text, std::size_t& pos);

// Writes the 1 to 4 bytes of c to out and returns how many.
std::size_t encode(char32_t c, char* out);
void append(std::string& out, char32_t c);

} // namespace Utf8
