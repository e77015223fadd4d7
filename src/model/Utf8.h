#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 one code point at a time, for the folding and collation of readings and queries.
namespace Utf8 {

constexpr char32_t Replacement = 0xFFFD;

// The code point at text[pos], advancing pos past it; a malformed sequence yields U+FFFD and
// advances by one byte, so that every input ends.
char32_t next(std::string_view text, std::size_t& pos);

// Writes the 1 to 4 bytes of c to out and returns how many.
std::size_t encode(char32_t c, char* out);
void append(std::string& out, char32_t c);

} // namespace Utf8
