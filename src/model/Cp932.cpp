#include "Cp932.h"

#include "Charset.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>

namespace Cp932 {
namespace {

// iconv descriptors are not thread-safe; each thread keeps its own pair.
class Converter
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // reset shift state
        return m_cd;
    }

private:
    iconv_t m_cd;
};

Converter& decoder()
{
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

Converter& encoder()
{
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

bool isAscii(std::string_view text)
{
    for (unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

std::size_t utf8CharLength(std::string_view text, std::size_t pos)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    std::size_t n = 1;
    if (c >= 0xF0)
        n = 4;
    else if (c >= 0xE0)
        n = 3;
    else if (c >= 0xC0)
        n = 2;
    return std::min(n, text.size() - pos);
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";
constexpr std::uint16_t kNone = 0xFFFF;

// The CP932 code of one character (two or three UTF-8 bytes), as iconv gives it: learnt once
// per character and thread, since an import converts the same few thousand characters again and
// again. 0 means not asked yet, kNone that CP932 cannot hold it; single bytes stay below 0x100.
std::uint16_t encodeChar(std::string_view utf8)
{
    thread_local std::unique_ptr<std::array<std::uint16_t, 0x10000>> known;
    if (!known)
        known = std::make_unique<std::array<std::uint16_t, 0x10000>>();
    const auto b = [&](std::size_t k) { return unsigned(static_cast<unsigned char>(utf8[k])); };
    const unsigned cp = utf8.size() == 2
                            ? ((b(0) & 0x1F) << 6) | (b(1) & 0x3F)
                            : ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    std::uint16_t& code = (*known)[cp];
    if (code != 0)
        return code;
    code = kNone;
    Converter& conv = encoder();
    if (!conv.valid())
        return code;
    char bytes[4];
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = bytes;
    std::size_t outLeft = sizeof bytes;
    if (iconv(conv.get(), &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1)) {
        const auto n = std::size_t(dst - bytes);
        const auto u = [&](std::size_t k) {
            return std::uint16_t(static_cast<unsigned char>(bytes[k]));
        };
        if (n == 1)
            code = u(0);
        else if (n == 2)
            code = std::uint16_t(u(0) << 8 | u(1));
    }
    return code;
}

} // namespace

std::size_t charLength(std::string_view text, std::size_t pos)
{
    if (pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos])))
        return 2;
    return 1;
}

std::string_view cutAtBoundary(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t len = charLength(text, pos);
        if (pos + len > maxBytes)
            break;
        pos += len;
    }
    // A line break is one unit too: never keep the CR of a CR LF whose LF is cut off.
    if (pos > 0 && text[pos - 1] == '\r' && text[pos] == '\n')
        --pos;
    return text.substr(0, pos);
}

std::string toUtf8(std::string_view cp932)
{
    std::string out;
    toUtf8(cp932, out);
    return out;
}

void toUtf8(std::string_view cp932, std::string& out)
{
    if (isAscii(cp932)) {
        out.assign(cp932);
        return;
    }
    out.clear();
    Converter& conv = decoder();
    if (conv.valid())
        Charset::decode(conv.get(), cp932, out);
}

EncodeResult fromUtf8(std::string_view utf8)
{
    EncodeResult result;
    if (isAscii(utf8)) {
        result.ok = true;
        result.bytes = std::string(utf8);
        return result;
    }
    Converter& conv = encoder();
    if (!conv.valid())
        return result;
    iconv_t cd = conv.get();
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1)) {
        result.badOffset = static_cast<std::size_t>(in - utf8.data());
        if (result.badOffset < utf8.size())
            result.badChar =
                std::string(utf8.substr(result.badOffset, utf8CharLength(utf8, result.badOffset)));
        return result;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    result.ok = true;
    result.bytes = std::move(out);
    return result;
}

long byteLength(std::string_view utf8)
{
    EncodeResult r = fromUtf8(utf8);
    return r.ok ? static_cast<long>(r.bytes.size()) : -1;
}

std::string fromUtf8Replacing(std::string_view utf8, std::vector<std::string>& replaced)
{
    std::string out;
    fromUtf8Replacing(utf8, out, replaced);
    return out;
}

void fromUtf8Replacing(std::string_view utf8, std::string& out, std::vector<std::string>& replaced)
{
    if (isAscii(utf8)) {
        out.assign(utf8);
        return;
    }
    out.clear();
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += char(c);
            ++i;
            continue;
        }
        const std::size_t len = Utf8::validLength(utf8, i);
        // CP932 holds nothing outside the Basic Multilingual Plane.
        const std::uint16_t code = len == 2 || len == 3 ? encodeChar(utf8.substr(i, len)) : kNone;
        if (code == kNone) {
            // A malformed sequence is one bad byte, shown as U+FFFD.
            replaced.emplace_back(len == 0 ? std::string_view(kReplacement) : utf8.substr(i, len));
            out += Geta;
        } else if (code < 0x100) {
            out += char(code);
        } else {
            out += char(code >> 8);
            out += char(code & 0xFF);
        }
        i += len == 0 ? 1 : len;
    }
}

} // namespace Cp932
