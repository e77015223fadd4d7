#include "TextFold.h"

#include "Cp932.h"
#include "Kana.h"
#include "Utf8.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace TextFold {
namespace {

// Appends folded code points, joining a voiced or semi-voiced mark with the kana before it.
// Writes through a pointer into room reserved up front: at most maxGrowth bytes.
class Sink
{
public:
    Sink(std::string& out, std::size_t maxGrowth) : m_out(out), m_size(out.size())
    {
        out.resize(m_size + maxGrowth);
    }
    ~Sink() { m_out.resize(m_size); }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    // Printable ASCII (0x20 to 0x7E), capitals made small; len > 0.
    void putAsciiRun(const char* ascii, std::size_t len)
    {
        char* out = m_out.data() + m_size;
        for (std::size_t k = 0; k < len; ++k) {
            const char c = ascii[k];
            out[k] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
        }
        m_size += len;
        m_last = static_cast<unsigned char>(out[len - 1]);
        m_lastAt = m_size - 1;
    }

    void put(char32_t c, const char* utf8, std::size_t len)
    {
        if ((c == Kana::VoicedMark || c == Kana::SemiVoicedMark) && m_last != 0) {
            const char32_t joined = c == Kana::VoicedMark ? Kana::withVoicedMark(m_last)
                                                          : Kana::withSemiVoicedMark(m_last);
            if (joined != 0) {
                m_size = m_lastAt + Utf8::encode(joined, m_out.data() + m_lastAt);
                m_last = 0;
                return;
            }
        }
        m_last = c;
        m_lastAt = m_size;
        std::memcpy(m_out.data() + m_size, utf8, len);
        m_size += len;
    }

    void put(char32_t c)
    {
        char buf[4];
        put(c, buf, Utf8::encode(c, buf));
    }

private:
    std::string& m_out;
    std::size_t m_size;
    char32_t m_last = 0;
    std::size_t m_lastAt = 0;
};

// No input byte grows into more than three bytes (U+FFFD, a half-width kana), and no
// four-byte UTF-8 sequence into more than four.
constexpr std::size_t maxGrowth(std::size_t inputBytes)
{
    return inputBytes * 3 + 4;
}

// A CP932 character, folded: its code point and UTF-8 bytes; len 0 marks a byte pair that is
// not CP932 (only its first byte is consumed, as the iconv decoder does), kUnlearnt one not
// looked up yet.
constexpr std::uint8_t kUnlearnt = 0xFF;

struct Folded
{
    char32_t c = Utf8::Replacement;
    std::uint8_t len = kUnlearnt;
    char bytes[3] = {};
};

Folded foldDecoded(std::string_view cp932)
{
    Folded f;
    f.len = 0;
    const std::string utf8 = Cp932::toUtf8(cp932);
    std::size_t pos = 0;
    if (utf8.empty())
        return f;
    const char32_t decoded = Utf8::next(utf8, pos);
    if (decoded == Utf8::Replacement || pos != utf8.size())
        return f;
    f.c = foldChar(decoded);
    char buf[4];
    f.len = static_cast<std::uint8_t>(Utf8::encode(f.c, buf));
    std::memcpy(f.bytes, buf, f.len); // CP932 lies in the BMP: at most three bytes
    return f;
}

// Each character is learnt from iconv when first met: a short run (a mail program's query over
// a small book) meets a few hundred of the 15,000 pairs, and the table of all of them took
// longer to fill than the rest of the run. Threads may learn one character at once; they
// store the same value, and a relaxed atomic costs no more than a plain load.
static_assert(std::atomic<Folded>::is_always_lock_free);

struct Cp932Table
{
    std::array<std::atomic<Folded>, 256> single;
    std::unique_ptr<std::atomic<Folded>[]> pairs; // indexed by (lead slot << 8) | trail
    std::array<std::int8_t, 256> leadSlot;

    Cp932Table()
    {
        leadSlot.fill(-1);
        int slots = 0;
        for (int lead = 0; lead < 256; ++lead) {
            if (Cp932::isLeadByte(static_cast<unsigned char>(lead)))
                leadSlot[lead] = static_cast<std::int8_t>(slots++);
        }
        pairs = std::make_unique<std::atomic<Folded>[]>(static_cast<std::size_t>(slots) * 256);
        for (int b = 0; b < 256; ++b) {
            Folded f;
            if (leadSlot[b] >= 0)
                f.len = 0; // a lead byte at the end of the text
            single[b].store(f, std::memory_order_relaxed);
        }
    }

    Folded one(unsigned char b)
    {
        Folded f = single[b].load(std::memory_order_relaxed);
        if (f.len == kUnlearnt) {
            const char one = static_cast<char>(b);
            f = foldDecoded(std::string_view(&one, 1));
            single[b].store(f, std::memory_order_relaxed);
        }
        return f;
    }

    Folded pair(unsigned char lead, unsigned char trail)
    {
        std::atomic<Folded>& slot = pairs[(static_cast<std::size_t>(leadSlot[lead]) << 8) | trail];
        Folded f = slot.load(std::memory_order_relaxed);
        if (f.len == kUnlearnt) {
            const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            f = foldDecoded(std::string_view(two, 2));
            slot.store(f, std::memory_order_relaxed);
        }
        return f;
    }
};

Cp932Table& cp932Table()
{
    static Cp932Table table;
    return table;
}

bool isPhoneFiller(char32_t c)
{
    return c == ' ' || c == '-' || c == '(' || c == ')' || c == Kana::LongVowel ||
           c == 0x3012; // 〒
}

} // namespace

char32_t foldChar(char32_t c)
{
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z')
            return c + ('a' - 'A');
        return c < 0x20 || c == 0x7F ? U' ' : c; // control bytes never match a typed word
    }
    if (c >= 0xFF01 && c <= 0xFF5E)
        return foldChar(c - 0xFEE0);
    if (c >= 0x30A1 && c <= 0x30FE)
        return Kana::toHiragana(c);
    if (c >= 0xFF61 && c <= 0xFF9F)
        return foldChar(Kana::fromHalfWidth(c));
    switch (c) {
    case 0x3000:
        return U' ';
    case 0x3099:
        return Kana::VoicedMark;
    case 0x309A:
        return Kana::SemiVoicedMark;
    case 0x2010: // ‐
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2015: // ―
    case 0x2212: // −
    case 0xFE63:
        return U'-';
    case 0x301C: // 〜, typed where CP932 keeps ～
        return U'~';
    case 0x0401: // Ё
        return 0x0451;
    default:
        break;
    }
    if ((c >= 0x0391 && c <= 0x03A9) || (c >= 0x0410 && c <= 0x042F))
        return c + 0x20; // Greek and Cyrillic capitals, as CP932 holds them
    return c;
}

void appendUtf8(std::string& out, std::string_view utf8)
{
    Sink sink(out, maxGrowth(utf8.size()));
    for (std::size_t pos = 0; pos < utf8.size();)
        sink.put(foldChar(Utf8::next(utf8, pos)));
}

std::string fromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    appendUtf8(out, utf8);
    return out;
}

void appendCp932(std::string& out, std::string_view text)
{
    Cp932Table& table = cp932Table();
    Sink sink(out, maxGrowth(text.size()));
    static const char kReplacement[] = "\xEF\xBF\xBD";
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(text[i]);
        // The common case, kept out of the tables. DEL is a control byte: the table makes it
        // a space, as it does in UTF-8.
        if (b < 0x7F && b >= 0x20) {
            std::size_t end = i + 1;
            while (end < n && static_cast<unsigned char>(text[end]) < 0x7F &&
                   static_cast<unsigned char>(text[end]) >= 0x20)
                ++end;
            sink.putAsciiRun(text.data() + i, end - i);
            i = end;
            continue;
        }
        Folded f;
        std::size_t used = 1;
        if (table.leadSlot[b] >= 0) {
            // A lead byte alone, at the end or before a byte that makes no pair, is no character.
            f.len = 0;
            if (i + 1 < n) {
                f = table.pair(b, static_cast<unsigned char>(text[i + 1]));
                if (f.len != 0)
                    used = 2;
            }
        } else {
            f = table.one(b);
        }
        if (f.len == 0)
            sink.put(Utf8::Replacement, kReplacement, 3);
        else
            sink.put(f.c, f.bytes, f.len);
        i += used;
    }
}

std::string fromCp932(std::string_view cp932)
{
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 2);
    appendCp932(out, cp932);
    return out;
}

void appendPhoneForm(std::string& out, std::string_view folded)
{
    for (std::size_t pos = 0; pos < folded.size();) {
        const auto b = static_cast<unsigned char>(folded[pos]);
        if (b < 0x80) { // digits, mostly: no need to decode them
            if (!isPhoneFiller(b))
                out += static_cast<char>(b);
            ++pos;
            continue;
        }
        const std::size_t at = pos;
        const char32_t c = Utf8::next(folded, pos);
        if (!isPhoneFiller(c))
            out.append(folded.substr(at, pos - at));
    }
}

std::string phoneForm(std::string_view folded)
{
    std::string out;
    appendPhoneForm(out, folded);
    return out;
}

} // namespace TextFold
