#include "GroupName.h"

#include "model/text/Cp932.h"

namespace GroupName {
namespace {

// One character as a comparable number: single-byte letters and full-width Latin capitals
// (0x8260-0x8279) fold to lower case (0x8281-0x829A).
unsigned foldedChar(std::string_view s, std::size_t& pos)
{
    const auto c = static_cast<unsigned char>(s[pos]);
    if (Cp932::charLength(s, pos) == 2) {
        unsigned code = (c << 8) | static_cast<unsigned char>(s[pos + 1]);
        pos += 2;
        if (code >= 0x8260 && code <= 0x8279)
            code += 0x21;
        return code;
    }
    ++pos;
    if (c >= 'A' && c <= 'Z')
        return c + ('a' - 'A');
    return c;
}

} // namespace

int compare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned ca = foldedChar(a, i);
        const unsigned cb = foldedChar(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

std::string foldedKey(std::string_view name)
{
    // Two bytes a character, so that no run of single bytes can look like a double-byte one.
    std::string key;
    key.reserve(name.size() * 2);
    std::size_t pos = 0;
    while (pos < name.size()) {
        const unsigned code = foldedChar(name, pos);
        key += char(code >> 8);
        key += char(code & 0xFF);
    }
    return key;
}

} // namespace GroupName
