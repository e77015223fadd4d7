#include "PostalCode.h"

#include "Utf8.h"

namespace PostalCode {
namespace {

bool isSeparator(char32_t c)
{
    switch (c) {
    case U' ':
    case U'\t':
    case U'\u3000': // ideographic space
    case U'-':
    case U'\u2010': // ‐
    case U'\u2011':
    case U'\u2012':
    case U'\u2013':
    case U'\u2014':
    case U'\u2015': // ―
    case U'\u2212': // −
    case U'\uFF0D': // －
    case U'\u30FC': // ー, typed for a hyphen by many
    case U'\uFF70':
        return true;
    default:
        return false;
    }
}

bool isDigits(std::string_view s)
{
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

std::string digits(std::string_view utf8)
{
    std::string out;
    std::size_t pos = 0;
    bool markAllowed = true; // 〒 only before the digits
    while (pos < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        const char32_t c = byte < 0x80 ? char32_t(utf8[pos++]) : Utf8::next(utf8, pos);
        if (c >= U'0' && c <= U'9')
            out += char('0' + (c - U'0'));
        else if (c >= U'\uFF10' && c <= U'\uFF19')
            out += char('0' + (c - U'\uFF10'));
        else if ((c == U'\u3012' || c == U'\u3036') && markAllowed) // 〒 and the circled one
            continue;
        else if (!isSeparator(c))
            return {};
        if (!out.empty())
            markAllowed = false;
        if (out.size() > 7)
            return {};
    }
    return out.size() == 7 ? out : std::string();
}

std::string normalized(std::string_view utf8)
{
    // Most codes come as they are kept; they need no copy taken apart.
    if (utf8.size() == 8 && utf8[3] == '-' && isDigits(utf8.substr(0, 3)) &&
        isDigits(utf8.substr(4)))
        return std::string(utf8);
    const std::string d = digits(utf8);
    if (d.empty())
        return std::string(utf8);
    return d.substr(0, 3) + '-' + d.substr(3);
}

} // namespace PostalCode
