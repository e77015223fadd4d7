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

} // namespace SortCompare
