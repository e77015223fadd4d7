#include "Kana.h"

#include <array>

namespace Kana {
namespace {

constexpr char32_t HiraganaFirst = 0x3041; // ぁ
constexpr char32_t HiraganaLast = 0x3096;  // ゖ
constexpr char32_t IterationMark = 0x309D; // ゝ
constexpr char32_t VoicedIterationMark = 0x309E;

// あいうえお order of the plain large kana.
constexpr char32_t kOrder[] = {
    0x3042, 0x3044, 0x3046, 0x3048, 0x304A, // あいうえお
    0x304B, 0x304D, 0x304F, 0x3051, 0x3053, // かきくけこ
    0x3055, 0x3057, 0x3059, 0x305B, 0x305D, // さしすせそ
    0x305F, 0x3061, 0x3064, 0x3066, 0x3068, // たちつてと
    0x306A, 0x306B, 0x306C, 0x306D, 0x306E, // なにぬねの
    0x306F, 0x3072, 0x3075, 0x3078, 0x307B, // はひふへほ
    0x307E, 0x307F, 0x3080, 0x3081, 0x3082, // まみむめも
    0x3084, 0x3086, 0x3088,                 // やゆよ
    0x3089, 0x308A, 0x308B, 0x308C, 0x308D, // らりるれろ
    0x308F, 0x3090, 0x3091, 0x3092, 0x3093, // わゐゑをん
};
constexpr std::uint8_t kBaseN = 48;

// The large kana of each small one.
constexpr std::array<std::array<char32_t, 2>, 12> kSmall = {{
    {0x3041, 0x3042},
    {0x3043, 0x3044},
    {0x3045, 0x3046},
    {0x3047, 0x3048},
    {0x3049, 0x304A},
    {0x3063, 0x3064},
    {0x3083, 0x3084},
    {0x3085, 0x3086},
    {0x3087, 0x3088},
    {0x308E, 0x308F},
    {0x3095, 0x304B},
    {0x3096, 0x3051},
}};

bool takesVoicedMark(char32_t c) // か to ち, then つ て と: the small っ shifts the pattern
{
    return (c >= 0x304B && c <= 0x3061 && (c - 0x304B) % 2 == 0) ||
           (c >= 0x3064 && c <= 0x3068 && (c - 0x3064) % 2 == 0);
}

bool isHa(char32_t c) // は ひ ふ へ ほ
{
    return c >= 0x306F && c <= 0x307B && (c - 0x306F) % 3 == 0;
}

struct Table
{
    std::array<Collation, HiraganaLast - HiraganaFirst + 1> entries{};

    Table()
    {
        for (std::uint8_t i = 0; i < kBaseN; ++i) {
            const char32_t c = kOrder[i];
            const std::uint8_t base = i + 1;
            at(c) = {base, 0, false};
            if (const char32_t v = withVoicedMark(c))
                at(v) = {base, 1, false};
            if (const char32_t s = withSemiVoicedMark(c))
                at(s) = {base, 2, false};
        }
        for (const auto& [small, large] : kSmall)
            at(small) = {at(large).base, 0, true};
    }
    Collation& at(char32_t c) { return entries[c - HiraganaFirst]; }
};

} // namespace

char32_t toHiragana(char32_t c)
{
    if (c >= 0x30A1 && c <= 0x30F6)
        return c - 0x60;
    if (c == 0x30FD || c == 0x30FE) // ヽ ヾ
        return c - 0x60;
    return c;
}

char32_t fromHalfWidth(char32_t c)
{
    // ｦ ｧ ｨ ｩ ｪ ｫ ｬ ｭ ｮ ｯ ｰ, then ｱ to ﾝ in あいうえお order
    static constexpr char32_t kLow[] = {0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
                                        0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC};
    static constexpr char32_t kPunct[] = {0x3002, 0x300C, 0x300D, 0x3001, 0x30FB}; // ｡｢｣､･
    if (c >= 0xFF61 && c <= 0xFF65)
        return kPunct[c - 0xFF61];
    if (c >= 0xFF66 && c <= 0xFF70)
        return kLow[c - 0xFF66];
    if (c == 0xFF9D)
        return 0x30F3; // ﾝ: half-width lacks ヰ and ヱ, so it does not follow kOrder
    if (c >= 0xFF71 && c <= 0xFF9C) {
        return kOrder[c - 0xFF71] + 0x60;
    }
    if (c == 0xFF9E)
        return VoicedMark;
    if (c == 0xFF9F)
        return SemiVoicedMark;
    return 0;
}

char32_t withVoicedMark(char32_t c)
{
    if (takesVoicedMark(c) || isHa(c))
        return c + 1;
    if (c == 0x3046) // う
        return 0x3094;
    if (c == IterationMark)
        return VoicedIterationMark;
    return 0;
}

char32_t withSemiVoicedMark(char32_t c)
{
    return isHa(c) ? c + 2 : 0;
}

Collation collation(char32_t c)
{
    static const Table table;
    if (c < HiraganaFirst || c > HiraganaLast)
        return {};
    return table.entries[c - HiraganaFirst];
}

std::uint8_t vowelOf(std::uint8_t base)
{
    if (base == 0 || base >= kBaseN)
        return 0; // not kana, or ん
    if (base <= 35)
        return static_cast<std::uint8_t>((base - 1) % 5 + 1);
    if (base <= 38) // や ゆ よ
        return static_cast<std::uint8_t>(base == 36 ? 1 : base == 37 ? 3 : 5);
    if (base <= 43) // ら-ろ
        return static_cast<std::uint8_t>(base - 38);
    // わ ゐ ゑ を
    static constexpr std::uint8_t kWa[] = {1, 2, 4, 5};
    return kWa[base - 44];
}

} // namespace Kana
