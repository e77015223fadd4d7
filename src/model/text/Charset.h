#pragma once

#include <iconv.h>
#include <string>
#include <string_view>

// Text of other programs' files in their character sets, brought to UTF-8. Shift_JIS and its
// relatives are read as CP932, the table Japanese phones and Windows actually write.
namespace Charset {

// The bytes through an open iconv descriptor to UTF-8 (replacing out); each byte that is not
// valid becomes U+FFFD.
void decode(iconv_t cd, std::string_view bytes, std::string& out);

// True for a name of Shift_JIS or one of its relatives (SJIS, CP932, Windows-31J, MS_Kanji).
bool isCp932Name(std::string_view charset);

// The bytes in the named character set as UTF-8; an empty or unknown name is guessed (UTF-8
// when the bytes are UTF-8, else CP932). Bytes that are not valid become U+FFFD.
std::string toUtf8(std::string_view bytes, std::string_view charset);

// UTF-8 when the bytes are UTF-8, else CP932.
std::string guessToUtf8(std::string_view bytes);

// The text of a file that starts with a UTF-16 byte-order mark, as UTF-8 without the mark; false
// when there is no such mark.
bool fromUtf16(std::string_view bytes, std::string& utf8);

} // namespace Charset
