#pragma once

#include "AddressRecord.h"
#include "ContactUid.h"
#include "RecordFingerprint.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ContactExtras;
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
    // The same with the user's groups (UTF-8, in the tree's order); recordsRevision counts the
    // changes of Address.vok's own contents, so that a change of extras or groups alone does
    // not rewrite it.
    BookSnapshot(const RecordList& records, std::uint64_t revision, std::uint64_t recordsRevision,
                 std::vector<std::string> groups);

    std::size_t size() const { return m_starts.size(); }
    std::uint64_t revision() const { return m_revision; }
    std::uint64_t recordsRevision() const { return m_recordsRevision; }
    Fields fields(std::size_t index) const;
    const ContactUid& uid(std::size_t index) const { return m_uids[index]; }
    // Worked out here, on the writer's thread, for the records whose own was not known.
    RecordFingerprint fingerprint(std::size_t index) const;
    const ContactExtras* extras(std::size_t index) const { return m_extras[index].get(); }
    const std::vector<std::string>& groups() const { return m_groups; }

private:
    std::string m_text;
    std::vector<std::size_t> m_starts; // where each record's text begins
    std::vector<std::array<std::uint32_t, AddressRecord::FieldCount>> m_ends;
    std::vector<ContactUid> m_uids;
    std::vector<RecordFingerprint> m_fps;
    std::vector<bool> m_fpKnown;
    std::vector<std::shared_ptr<const ContactExtras>> m_extras;
    std::vector<std::string> m_groups;
    std::uint64_t m_revision = 0;
    std::uint64_t m_recordsRevision = 0;
};
