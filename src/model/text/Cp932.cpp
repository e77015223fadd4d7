#include "Cp932.h"

#include "Charset.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
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

// The UTF-8 of each CP932 character (a single byte from 0x80 up, or a lead and a trail byte), as
// iconv gives it: learnt once per character and thread, the way encodeChar learns the other
// direction. Packed as its length in the top byte and up to three bytes below, the first lowest;
// 0 means not asked yet, kInvalid that iconv refuses the bytes.
constexpr std::uint32_t kInvalid = 0xFF000000;

using DecodeTable = std::array<std::uint32_t, 0x10000>;

DecodeTable& decodeTable()
{
    thread_local std::unique_ptr<DecodeTable> known;
    if (!known)
        known = std::make_unique<DecodeTable>();
    return *known;
}

std::uint32_t learnChar(DecodeTable& known, unsigned code)
{
    std::uint32_t& utf8 = known[code];
    utf8 = kInvalid;
    Converter& conv = decoder();
    if (!conv.valid())
        return utf8;
    char bytes[2] = {char(code >> 8), char(code & 0xFF)};
    char* in = code > 0xFF ? bytes : bytes + 1;
    std::size_t inLeft = code > 0xFF ? 2 : 1;
    char out[8];
    char* dst = out;
    std::size_t outLeft = sizeof out;
    if (iconv(conv.get(), &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1) &&
        inLeft == 0) {
        const auto n = std::size_t(dst - out);
        if (n >= 1 && n <= 3) {
            utf8 = std::uint32_t(n) << 24;
            for (std::size_t k = 0; k < n; ++k)
                utf8 |= std::uint32_t(static_cast<unsigned char>(out[k])) << (8 * k);
        }
    }
    return utf8;
}

// Text made only of characters iconv takes, converted through the table and appended to out
// from `from` on; false for anything else (a byte iconv refuses, a lead byte at the end), which
// the caller leaves to iconv itself, out then as it was.
bool decodeKnown(std::string_view cp932, std::string& out, std::size_t from)
{
    DecodeTable& known = decodeTable();
    // At most three UTF-8 bytes for each CP932 byte (a half-width kana), and room for the
    // fourth byte that each character's store writes beyond itself.
    out.resize(from + cp932.size() * 3 + 1);
    char* dst = out.data() + from;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto c = static_cast<unsigned char>(cp932[i]);
        if (c < 0x80) {
            *dst++ = char(c);
            continue;
        }
        unsigned code = c;
        if (isLeadByte(c)) {
            if (i + 1 >= cp932.size()) {
                out.resize(from);
                return false;
            }
            code = code << 8 | static_cast<unsigned char>(cp932[++i]);
        }
        std::uint32_t utf8 = known[code];
        if (utf8 == 0)
            utf8 = learnChar(known, code);
        if (utf8 == kInvalid) {
            out.resize(from);
            return false;
        }
        // The character's bytes in memory order, then its length.
        const std::array<char, 4> bytes = {char(utf8 & 0xFF), char((utf8 >> 8) & 0xFF),
                                           char((utf8 >> 16) & 0xFF), char(utf8 >> 24)};
        std::memcpy(dst, bytes.data(), bytes.size());
        dst += utf8 >> 24;
    }
    out.resize(std::size_t(dst - out.data()));
    return true;
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
    if (decodeKnown(cp932, out, 0))
        return;
    out.clear();
    Converter& conv = decoder();
    if (conv.valid())
        Charset::decode(conv.get(), cp932, out);
}

void appendUtf8(std::string_view cp932, std::string& out)
{
    if (isAscii(cp932)) {
        out += cp932;
        return;
    }
    if (!decodeKnown(cp932, out, out.size()))
        out += toUtf8(cp932);
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
