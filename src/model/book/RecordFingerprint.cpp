#include "RecordFingerprint.h"

#include "AddressRecord.h"
#include "model/text/Cp932.h"
#include "model/text/Hex.h"

#include <cstring>

namespace {

constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;

std::uint64_t mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

std::string_view slot(const std::array<std::string_view, 16>& f, int i)
{
    return Cp932::cutAtBoundary(f[std::size_t(i)], AddressRecord::SlotWidth[std::size_t(i)] - 1);
}

} // namespace

std::uint64_t RecordFingerprint::hash(std::string_view bytes, std::uint64_t seed)
{
    std::uint64_t h = seed ^ (bytes.size() * kMul);
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ mix(w)) * kMul;
    }
    if (n != 0) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, n);
        h = (h ^ mix(w ^ (std::uint64_t(n) << 59))) * kMul;
    }
    return mix(h);
}

std::uint64_t RecordFingerprint::nameHalf(std::string_view name)
{
    return hash(Cp932::cutAtBoundary(name, AddressRecord::SlotWidth[0] - 1), 0x4E414D45ull);
}

RecordFingerprint RecordFingerprint::of(const std::array<std::string_view, 16>& f)
{
    RecordFingerprint fp;
    fp.name = nameHalf(f[0]);
    std::uint64_t h = 0x52455354ull;
    for (int i = 1; i < 16; ++i)
        h = hash(slot(f, i), h + std::uint64_t(i)); // the seed carries every field before
    fp.rest = h;
    return fp;
}

RecordFingerprint RecordFingerprint::of(const AddressRecord& record)
{
    std::array<std::string_view, 16> f;
    for (int i = 0; i < AddressRecord::FieldCount; ++i)
        f[std::size_t(i)] = record.field(i);
    return of(f);
}

void RecordFingerprint::appendHex(std::string& out) const
{
    static constexpr char digits[] = "0123456789abcdef";
    for (const std::uint64_t v : {name, rest}) {
        for (int shift = 60; shift >= 0; shift -= 4)
            out += digits[(v >> shift) & 0xF];
    }
}

std::string RecordFingerprint::toHex() const
{
    std::string out;
    out.reserve(32);
    appendHex(out);
    return out;
}

std::optional<RecordFingerprint> RecordFingerprint::parseHex(std::string_view text)
{
    if (text.size() != 32)
        return std::nullopt;
    RecordFingerprint fp;
    for (std::size_t i = 0; i < 32; ++i) {
        const int d = Hex::digitValue(text[i]);
        if (d < 0)
            return std::nullopt;
        std::uint64_t& half = i < 16 ? fp.name : fp.rest;
        half = half << 4 | std::uint64_t(d);
    }
    return fp;
}
