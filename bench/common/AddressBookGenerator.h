#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AddressRecord;
class RecordList;

// Synthetic address books with realistic Japanese contents (names, addresses, memos in CP932),
// the same for the same seed, so that every run measures the same data.
class AddressBookGenerator
{
public:
    explicit AddressBookGenerator(std::uint32_t seed = 20261207);

    // Names from 20,000 common pairs rather than 256 (each with a reading in the dictionaries).
    void setCommonNames(bool on) { m_commonNames = on; }

    std::unique_ptr<AddressRecord> makeRecord();
    void fill(RecordList& list, std::size_t count);
    // The group names the generator uses: the three fixed groups and a few of the user's own.
    static std::vector<std::string> groupNames();

private:
    std::uint32_t next();
    const std::string& pick(const std::vector<std::string>& from);

    std::uint32_t m_state;
    std::size_t m_serial = 0;
    bool m_commonNames = false;
};
