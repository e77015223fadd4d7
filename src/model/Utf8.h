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

} // namespace Utf8
