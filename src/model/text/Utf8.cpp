#include "Utf8.h"

#include <cstring>

namespace Utf8 {

std::size_t validLength(std::string_view text, std::size_t pos)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char c = at(0);
    if (c < 0x80)
        return 1;
    std::size_t n;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            lo = 0xA0; // overlong
        else if (c == 0xED)
            hi = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (pos + n > text.size())
        return 0;
    if (at(1) < lo || at(1) > hi)
        return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if ((at(i) & 0xC0) != 0x80)
            return 0;
    }
    return n;
}

bool isAscii(std::string_view text)
{
    // Eight bytes at a time: the usual text is long runs of ASCII.
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        unsigned long long word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

bool isValid(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            // Runs of ASCII eight bytes at a time.
            unsigned long long word;
            while (i + 8 <= text.size() &&
                   (std::memcpy(&word, text.data() + i, 8), (word & 0x8080808080808080ULL) == 0))
                i += 8;
            if (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
                ++i;
            continue;
        }
        const std::size_t n = validLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string sanitize(std::string_view text)
{
    if (isValid(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = validLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

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
