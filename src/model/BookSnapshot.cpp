#include "BookSnapshot.h"

#include "RecordList.h"

#include <cstring>

BookSnapshot::BookSnapshot(const RecordList& records, std::uint64_t revision)
    : m_revision(revision)
{
    std::size_t total = 0;
    m_starts.reserve(records.size());
    for (const auto& record : records) {
        m_starts.push_back(total);
        total += record->text().size();
    }
    // Not zero-filled: every byte is copied over below.
    m_text.reset(new char[total == 0 ? 1 : total]);
    m_ends.resize(records.size());
    char* out = m_text.get();
    std::size_t i = 0;
    for (const auto& record : records) {
        const std::string_view text = record->text();
        std::memcpy(out, text.data(), text.size());
        out += text.size();
        m_ends[i++] = record->fieldEnds();
    }
}

BookSnapshot::Fields BookSnapshot::fields(std::size_t index) const
{
    const auto& ends = m_ends[index];
    const char* text = m_text.get() + m_starts[index];
    Fields out;
    std::uint32_t begin = 0;
    for (int f = 0; f < AddressRecord::FieldCount; ++f) {
        out[f] = std::string_view(text + begin, ends[f] - begin);
        begin = ends[f];
    }
    return out;
}
