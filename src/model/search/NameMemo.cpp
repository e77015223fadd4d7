#include "NameMemo.h"

#include "model/book/RecordFingerprint.h"

namespace {

constexpr std::uint64_t kSeed = 0x4E414D45ull;

} // namespace

NameMemo::NameMemo() : m_slots(1 << 12) {}

std::size_t NameMemo::slotOf(std::string_view name, std::uint64_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = m_slots[i];
        if (s.size == ~0u ||
            (s.hash == hash && std::string_view(m_names).substr(s.at, s.size) == name))
            return i;
    }
}

const std::uint64_t* NameMemo::find(std::string_view name) const
{
    const Slot& s = m_slots[slotOf(name, RecordFingerprint::hash(name, kSeed))];
    return s.size == ~0u ? nullptr : &s.value;
}

void NameMemo::add(std::string_view name, std::uint64_t value)
{
    const std::uint64_t hash = RecordFingerprint::hash(name, kSeed);
    if (m_slots[slotOf(name, hash)].size != ~0u)
        return;
    if ((m_count + 1) * 2 > m_slots.size()) {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot& s : old) {
            if (s.size != ~0u)
                m_slots[slotOf(std::string_view(m_names).substr(s.at, s.size), s.hash)] = s;
        }
    }
    Slot& s = m_slots[slotOf(name, hash)];
    s.hash = hash;
    s.value = value;
    s.at = static_cast<std::uint32_t>(m_names.size());
    s.size = static_cast<std::uint32_t>(name.size());
    m_names.append(name);
    ++m_count;
}
