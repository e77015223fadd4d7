#pragma once

#include <array>

namespace Hex {

namespace Detail {
// By table: digits and letters mixed at random (UIDs, fingerprints) defeat a branch's guess.
constexpr std::array<signed char, 256> kDigitValue = [] {
    std::array<signed char, 256> t{};
    t.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        t[c] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) {
        t[c] = static_cast<signed char>(c - 'a' + 10);
        t[c - 'a' + 'A'] = static_cast<signed char>(c - 'a' + 10);
    }
    return t;
}();
} // namespace Detail

// The value of a hexadecimal digit in either case, or -1.
constexpr int digitValue(char c)
{
    return Detail::kDigitValue[static_cast<unsigned char>(c)];
}

} // namespace Hex
