#include "BookSnapshot.h"

#include "RecordList.h"

BookSnapshot::BookSnapshot(const RecordList& records, std::uint64_t revision)
    : BookSnapshot(records, revision, revision, {})
{
}

BookSnapshot::BookSnapshot(const RecordList& records, std::uint64_t revision,
                           std::uint64_t recordsRevision, std::vector<std::string> groups)
    : m_groups(std::move(groups)), m_revision(revision), m_recordsRevision(recordsRevision)
{
    // One pass over the records: each is a separate allocation, and visiting them twice costs
    // more than a buffer that sometimes grows. Pages reserved but not filled cost nothing.
    m_text.reserve(records.size() * 256);
    m_starts.reserve(records.size());
    m_ends.reserve(records.size());
    m_uids.reserve(records.size());
    m_fps.reserve(records.size());
    m_fpKnown.reserve(records.size());
    m_extras.reserve(records.size());
    const std::size_t count = records.size();
    for (std::size_t i = 0; i < count; ++i) {
        // The records lie scattered on the heap: ask for the next ones while copying this one.
        if (i + 16 < count)
            __builtin_prefetch(records.at(i + 16));
        if (i + 8 < count)
            __builtin_prefetch(records.at(i + 8)->text().data());
        const AddressRecord& record = *records.at(i);
        m_starts.push_back(m_text.size());
        m_text.append(record.text());
        m_ends.push_back(record.fieldEnds());
        m_uids.push_back(record.uid());
        const RecordFingerprint* fp = record.knownFingerprint();
        m_fps.push_back(fp ? *fp : RecordFingerprint{});
        m_fpKnown.push_back(fp != nullptr);
        m_extras.push_back(record.sharedExtras());
    }
}

BookSnapshot::Fields BookSnapshot::fields(std::size_t index) const
{
    const auto& ends = m_ends[index];
    const char* text = m_text.data() + m_starts[index];
    Fields out;
    std::uint32_t begin = 0;
    for (int f = 0; f < AddressRecord::FieldCount; ++f) {
        out[f] = std::string_view(text + begin, ends[f] - begin);
        begin = ends[f];
    }
    return out;
}

RecordFingerprint BookSnapshot::fingerprint(std::size_t index) const
{
    return m_fpKnown[index] ? m_fps[index] : RecordFingerprint::of(fields(index));
}
