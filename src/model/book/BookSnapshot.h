#pragma once

#include "AddressRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RecordList;

// The book as it stood at one moment, for a save on another thread: every record's text one
// after another in a single buffer, with where each field ends. Taking it is one pass of plain
// copies, quick enough for the interface thread even with 100,000 contacts; the slow part (the
// file's fixed layout, the disk) is left to whoever writes it.
class BookSnapshot
{
public:
    using Fields = std::array<std::string_view, AddressRecord::FieldCount>;

    BookSnapshot() = default;
    // revision: the book's change count at this moment; a writer never lets an older snapshot
    // replace a newer one.
    BookSnapshot(const RecordList& records, std::uint64_t revision);

    std::size_t size() const { return m_starts.size(); }
    std::uint64_t revision() const { return m_revision; }
    Fields fields(std::size_t index) const;

private:
    std::string m_text;
    std::vector<std::size_t> m_starts; // where each record's text begins
    std::vector<std::array<std::uint32_t, AddressRecord::FieldCount>> m_ends;
    std::uint64_t m_revision = 0;
};
