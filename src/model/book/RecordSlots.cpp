#include "RecordSlots.h"

#include <bit>

std::size_t RecordSlots::home(const AddressRecord* record) const
{
    // Fibonacci hashing: records lie 16 or more bytes apart, the product spreads them.
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(record));
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32) & (m_slots.size() - 1);
}

std::uint32_t RecordSlots::find(const AddressRecord* record) const
{
    if (m_slots.empty() || !record)
        return None;
    for (std::size_t i = home(record);; i = (i + 1) & (m_slots.size() - 1)) {
        if (m_slots[i].key == record)
            return m_slots[i].value;
        if (!m_slots[i].key)
            return None;
    }
}

void RecordSlots::set(const AddressRecord* record, std::uint32_t value)
{
    if ((m_size + 1) * 2 > m_slots.size())
        rehash(std::max<std::size_t>(16, m_slots.size() * 2));
    std::size_t i = home(record);
    while (m_slots[i].key && m_slots[i].key != record)
        i = (i + 1) & (m_slots.size() - 1);
    if (!m_slots[i].key)
        ++m_size;
    m_slots[i] = {record, value};
}

void RecordSlots::erase(const AddressRecord* record)
{
    if (m_slots.empty())
        return;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = home(record);
    while (m_slots[i].key != record) {
        if (!m_slots[i].key)
            return;
        i = (i + 1) & mask;
    }
    // Shift the later members of the run back, so that no lookup stops at the hole too early.
    for (std::size_t j = (i + 1) & mask; m_slots[j].key; j = (j + 1) & mask) {
        const std::size_t h = home(m_slots[j].key);
        if (((j - h) & mask) >= ((j - i) & mask)) {
            m_slots[i] = m_slots[j];
            i = j;
        }
    }
    m_slots[i] = {};
    --m_size;
}

void RecordSlots::clear()
{
    m_slots.clear();
    m_size = 0;
}

void RecordSlots::reserve(std::size_t count)
{
    if (count * 2 > m_slots.size())
        rehash(std::bit_ceil(count * 2));
}

void RecordSlots::prefetch(const AddressRecord* record) const
{
    if (!m_slots.empty())
        __builtin_prefetch(&m_slots[home(record)]);
}

void RecordSlots::rehash(std::size_t capacity)
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(capacity, Slot{});
    m_size = 0;
    for (const Slot& s : old) {
        if (s.key)
            set(s.key, s.value);
    }
}
