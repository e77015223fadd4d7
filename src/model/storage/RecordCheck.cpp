#include "RecordCheck.h"

#include "model/book/AddressRecord.h"
#include "model/text/Cp932.h"

#include <cstring>

namespace {

bool isSingleByteChar(unsigned char c)
{
    return c < 0x80 || (c >= 0xA1 && c <= 0xDF);
}

bool isTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

bool isControl(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

// Text as a writer leaves it: CP932 characters and line breaks. A slot that ran full may end
// in the first byte of a character cut in two.
bool isWrittenText(const unsigned char* text, std::size_t size, bool cutOff)
{
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = text[i];
        if (Cp932::isLeadByte(c)) {
            if (i + 1 == size)
                return cutOff;
            if (!isTrailByte(text[++i]))
                return false;
        } else if (!isSingleByteChar(c) || isControl(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace RecordCheck {

int faultySlots(const char* record)
{
    int faulty = 0;
    const auto* in = reinterpret_cast<const unsigned char*>(record);
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        const std::size_t width = AddressRecord::SlotWidth[i];
        const void* zero = std::memchr(in, 0, width);
        const std::size_t size =
            zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - in) : width;
        if (!zero || !isWrittenText(in, size, !zero))
            ++faulty;
        in += width;
    }
    return faulty;
}

bool isOdd(const char* record)
{
    // No text in any slot: no writer stores a contact without its group.
    bool empty = true;
    const char* slot = record;
    for (int i = 0; i < AddressRecord::FieldCount && empty; ++i) {
        empty = *slot == 0;
        slot += AddressRecord::SlotWidth[i];
    }
    return empty || faultySlots(record) >= OddFromSlots;
}

} // namespace RecordCheck
