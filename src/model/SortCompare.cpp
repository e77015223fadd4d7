#include "SortCompare.h"

#include "Cp932.h"

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

} // namespace SortCompare
