#include "Charset.h"

#include "Cp932.h"
#include "Utf8.h"

#include <cerrno>
#include <iconv.h>

namespace Charset {
namespace {

// Through iconv; false when iconv does not know the name.
bool convert(std::string_view bytes, const std::string& from, std::string& out)
{
    const iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    decode(cd, bytes, out);
    iconv_close(cd);
    return true;
}

} // namespace

void decode(iconv_t cd, std::string_view bytes, std::string& out)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh start
    out.resize(bytes.size() * 4 + 8);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 3)
            break; // cannot happen: four bytes per input byte always suffice
        // An invalid or cut-off sequence: one replacement character for one byte.
        for (char c : std::string_view("\xEF\xBF\xBD"))
            *dst++ = c;
        outLeft -= 3;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

bool isCp932Name(std::string_view charset)
{
    for (std::string_view name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "S-JIS", "CP932", "MS932",
                                  "WINDOWS-31J", "MS_KANJI", "CSSHIFTJIS", "X-SJIS"}) {
        if (Utf8::equalsNoCase(charset, name))
            return true;
    }
    return false;
}

std::string guessToUtf8(std::string_view bytes)
{
    if (Utf8::isAscii(bytes) || Utf8::isValid(bytes))
        return std::string(bytes);
    return Cp932::toUtf8(bytes);
}

std::string toUtf8(std::string_view bytes, std::string_view charset)
{
    if (charset.empty() || Utf8::isAscii(bytes))
        return guessToUtf8(bytes);
    if (isCp932Name(charset))
        return Cp932::toUtf8(bytes);
    if (Utf8::equalsNoCase(charset, "UTF-8") || Utf8::equalsNoCase(charset, "UTF8"))
        return Utf8::sanitize(bytes);
    std::string out;
    if (convert(bytes, std::string(charset), out))
        return out;
    return guessToUtf8(bytes);
}

bool fromUtf16(std::string_view bytes, std::string& utf8)
{
    if (bytes.size() < 2)
        return false;
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    const char* from = nullptr;
    if (b0 == 0xFF && b1 == 0xFE)
        from = "UTF-16LE";
    else if (b0 == 0xFE && b1 == 0xFF)
        from = "UTF-16BE";
    if (!from)
        return false;
    return convert(bytes.substr(2), from, utf8);
}

} // namespace Charset
