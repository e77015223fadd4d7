#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A number remembered by name for one pass over a book (what a name's reading holds of a
// query): one flat table, so that a look-up costs about one cache miss where a node-based
// map of tens of thousands of names costs several.
//
//     NameMemo memo;
//     if (const std::uint64_t* v = memo.find(name)) ...
//     else memo.add(name, value);
class NameMemo
{
public:
    NameMemo();

    // Null when the name was not added.
    const std::uint64_t* find(std::string_view name) const;
    // A name already there keeps its value.
    void add(std::string_view name, std::uint64_t value);

private:
    struct Slot
    {
        std::uint64_t hash = 0;
        std::uint64_t value = 0;
        std::uint32_t at = 0;     // of the name in m_names
        std::uint32_t size = ~0u; // ~0u: empty slot
    };
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;

    std::vector<Slot> m_slots; // a power of two, at most half full
    std::string m_names;
    std::size_t m_count = 0;
};
