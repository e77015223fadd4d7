#include "Utf8.h"

namespace Utf8 {

char32_t next(std::string_view text, std::size_t& pos)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
        ++pos;
        return c;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        ++pos;
        return Replacement;
    }
    if (pos + len > text.size()) {
        ++pos;
        return Replacement;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const auto t = static_cast<unsigned char>(text[pos + i]);
        if ((t & 0xC0) != 0x80) {
            ++pos;
            return Replacement;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms and surrogates would let two spellings of one text compare unequal.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return Replacement;
    }
    pos += len;
    return cp;
}

std::size_t encode(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

void append(std::string& out, char32_t c)
{
    char buf[4];
    out.append(buf, encode(c, buf));
}

} // namespace Utf8
