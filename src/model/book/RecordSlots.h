#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class AddressRecord;

// A map from a record's address to a number (its place in an index): open addressing, so that
// a lookup costs one cache line and a loop over many records can fetch the next ones ahead.
class RecordSlots
{
public:
    static constexpr std::uint32_t None = ~std::uint32_t(0);

    std::uint32_t find(const AddressRecord* record) const;
    // Inserts the record or gives it the new value.
    void set(const AddressRecord* record, std::uint32_t value);
    void erase(const AddressRecord* record);
    void clear();
    void reserve(std::size_t count);
    std::size_t size() const { return m_size; }
    // Asks the processor for the line a later find() of the record will read.
    void prefetch(const AddressRecord* record) const;

private:
    struct Slot
    {
        const AddressRecord* key = nullptr;
        std::uint32_t value = 0;
    };

    std::size_t home(const AddressRecord* record) const;
    void rehash(std::size_t capacity);

    std::vector<Slot> m_slots; // a power of two in size, at most half full
    std::size_t m_size = 0;
};
