#include "SortCompare.h"

#include "model/text/Cp932.h"
#include "model/text/Kana.h"
#include "model/text/TextFold.h"
#include "model/text/Utf8.h"

namespace SortCompare {
namespace {

unsigned char fold(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

int compare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    // Both texts share their character boundaries up to the first difference, so one walk over
    // the common prefix decides where each byte stands.
    bool trail = false;
    for (; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (!trail) {
            ca = fold(ca);
            cb = fold(cb);
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        trail = !trail && Cp932::isLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size();
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

void appendKey(std::string& out, std::string_view text)
{
    const std::size_t at = out.size();
    out.resize(at + text.size());
    char* dst = out.data() + at;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (Cp932::isLeadByte(c) && i + 1 < text.size()) {
            dst[i] = static_cast<char>(c);
            dst[i + 1] = text[i + 1]; // a trail byte is never folded
            ++i;
        } else {
            dst[i] = static_cast<char>(fold(c));
        }
    }
}

std::string key(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    appendKey(out, text);
    return out;
}

std::string nameKey(std::string_view reading, std::string_view name)
{
    // Three levels, each closed by 0x00, which no unit starts with: the letters (three bytes a
    // unit: class, then the place within it), their voicing, their size; then the name.
    enum Class : char
    {
        Separator = 0x01,
        Symbol = 0x04,
        Latin = 0x08, // digits and letters
        KanaClass = 0x10,
        Other = 0x18, // kanji and the rest, by code point
    };
    std::string folded = TextFold::fromUtf8(reading);
    // Spaces at either end or doubled would misplace the name.
    const std::size_t from = folded.find_first_not_of(' ');
    if (from == std::string::npos) {
        std::string out(1, '\x02');
        appendKey(out, name);
        return out;
    }
    folded = folded.substr(from, folded.find_last_not_of(' ') + 1 - from);
    std::string primary;
    std::string voicing;
    std::string size;
    std::uint8_t lastBase = 0; // the kana before, for ー and ゝ
    for (std::size_t pos = 0; pos < folded.size();) {
        const char32_t c = Utf8::next(folded, pos);
        if (c == ' ' && !primary.empty() && primary[primary.size() - 3] == Separator)
            continue;
        Kana::Collation k = Kana::collation(c);
        std::uint8_t sizeLevel = k.small ? 2 : 1;
        if (c == Kana::LongVowel && Kana::vowelOf(lastBase) != 0) {
            k = {Kana::vowelOf(lastBase), 0, false};
            sizeLevel = 3;
        } else if ((c == 0x309D || c == 0x309E) && lastBase != 0) { // ゝ ゞ
            k = {lastBase, static_cast<std::uint8_t>(c == 0x309E ? 1 : 0), false};
            sizeLevel = 3;
        }
        char unit[3] = {Other, static_cast<char>((c >> 8) & 0xFF), static_cast<char>(c & 0xFF)};
        if (k.base != 0) {
            unit[0] = KanaClass;
            unit[1] = static_cast<char>(k.base);
            unit[2] = 0;
            lastBase = k.base;
        } else {
            lastBase = 0;
            if (c == ' ')
                unit[0] = Separator;
            else if (c < 0x80)
                unit[0] = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ? Latin : Symbol;
            else if (c > 0xFFFF)
                unit[1] = unit[2] = static_cast<char>(0xFF);
        }
        primary.append(unit, 3);
        voicing += static_cast<char>(k.voicing + 1);
        size += static_cast<char>(sizeLevel);
    }
    std::string out;
    out.reserve(primary.size() + voicing.size() + size.size() + name.size() + 4);
    out += '\x01';
    out += primary;
    out += '\0';
    out += voicing;
    out += '\0';
    out += size;
    out += '\0';
    appendKey(out, name);
    return out;
}

} // namespace SortCompare
