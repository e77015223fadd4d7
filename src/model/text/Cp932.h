#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// CP932 (Windows-31J) text, the encoding of every field, file and clipboard text.
// Conversion goes through glibc's iconv "CP932", which maps the wave dash family the way
// Windows does (U+301C and U+FF5E both to 0x8160).
namespace Cp932 {

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character starting at text[pos] (1 or 2; 1 for a lead byte at the end).
std::size_t charLength(std::string_view text, std::size_t pos);

// The longest prefix of at most maxBytes bytes that splits neither a double-byte character nor
// a CR LF pair.
std::string_view cutAtBoundary(std::string_view text, std::size_t maxBytes);

// CP932 bytes to UTF-8; bytes that are not valid CP932 become U+FFFD.
std::string toUtf8(std::string_view cp932);
// The same into a string whose storage is reused: for loops over many fields.
void toUtf8(std::string_view cp932, std::string& out);
// The same appended to out.
void appendUtf8(std::string_view cp932, std::string& out);

struct EncodeResult
{
    bool ok = false;
    std::string bytes;         // the CP932 text, when ok
    std::string badChar;       // the first character CP932 cannot hold (UTF-8), when not ok
    std::size_t badOffset = 0; // its byte offset in the UTF-8 input
};

// UTF-8 to CP932; refuses, and names, the first character that CP932 cannot hold.
EncodeResult fromUtf8(std::string_view utf8);

// Byte length the UTF-8 text would have in CP932, or -1 when CP932 cannot hold it.
long byteLength(std::string_view utf8);

// 〓 (U+3013), the stand-in for a character that CP932 cannot hold.
inline constexpr std::string_view Geta = "\x81\xAC";

// UTF-8 to CP932 for text that arrives from a file: each character CP932 cannot hold becomes 〓
// and is appended to `replaced` (as UTF-8), so that nothing is dropped without a word. Bytes
// that are not UTF-8 count as U+FFFD.
std::string fromUtf8Replacing(std::string_view utf8, std::vector<std::string>& replaced);
void fromUtf8Replacing(std::string_view utf8, std::string& out, std::vector<std::string>& replaced);

} // namespace Cp932
