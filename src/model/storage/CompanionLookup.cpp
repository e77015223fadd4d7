#include "CompanionLookup.h"

#include "model/io/FileIo.h"

CompanionLookup::CompanionLookup(const std::string& path)
{
    if (FileIo::readFile(path, m_text) == 0)
        CompanionFile::Scan(m_text, m_layout);
    m_used.assign(m_layout.entries.size(), false);
}

std::shared_ptr<const ContactExtras> CompanionLookup::extras(const CompanionFile::Place& place)
{
    std::shared_ptr<const ContactExtras> x;
    CompanionFile::DecodeProperties(place.properties, x);
    return x;
}

const CompanionFile::Place* CompanionLookup::find(std::size_t index,
                                                  const RecordFingerprint& fingerprint)
{
    const auto& entries = m_layout.entries;
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
