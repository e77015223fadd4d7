#include "CompanionLookup.h"

CompanionLookup::CompanionLookup(CompanionFile::Contents contents)
    : m_contents(std::move(contents)), m_used(m_contents.entries.size(), false)
{
}

const CompanionFile::Entry* CompanionLookup::find(std::size_t index,
                                                  const RecordFingerprint& fingerprint)
{
    auto& entries = m_contents.entries;
    if (index < entries.size() && !m_used[index] && entries[index].fingerprint == fingerprint) {
        m_used[index] = true;
        return &entries[index];
    }
    if (!m_indexed) {
        m_indexed = true;
        std::unordered_map<std::uint64_t, std::size_t> seen;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const RecordFingerprint& fp = entries[i].fingerprint;
            const std::uint64_t key = fp.name ^ (fp.rest * 0x9E3779B97F4A7C15ull);
            if (!seen.emplace(key, i).second)
                seen[key] = ~std::size_t(0); // twins: none of them is certain
        }
        for (const auto& [key, i] : seen) {
            if (i != ~std::size_t(0))
                m_unique.emplace(key, i);
        }
    }
    const std::uint64_t key = fingerprint.name ^ (fingerprint.rest * 0x9E3779B97F4A7C15ull);
    const auto it = m_unique.find(key);
    if (it == m_unique.end() || m_used[it->second] ||
        !(entries[it->second].fingerprint == fingerprint))
        return nullptr;
    m_used[it->second] = true;
    return &entries[it->second];
}
