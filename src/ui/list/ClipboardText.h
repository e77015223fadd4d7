#pragma once

#include <string>
#include <vector>

class AddressRecord;

// The clipboard texts about contacts, in CP932 bytes, without a line end.
namespace ClipboardText {

enum Format
{
    Personal = 2, // the nine personal fields
    Office = 3,   // the seven office fields
};

// Addresses joined by ";" in the given order; empty ones before the first are skipped, later
// empty ones leave an empty element.
std::string JoinMailAddresses(const std::vector<const AddressRecord*>& records, bool office);
// One line of the personal or office fields, separated by commas, values as stored.
std::string FormatInfo(const AddressRecord& record, Format format);

} // namespace ClipboardText
