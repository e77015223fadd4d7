#pragma once

#include <string>
#include <string_view>

class AddressRecord;

// A field as the user wrote it, in UTF-8: its whole text from the contact's extras when CP932
// could not hold it (the record keeps 〓 there for other programs), else the record's own text.
namespace RecordText {

std::string utf8(const AddressRecord& record, int field);
// The whole text when the extras hold one for the field, else empty (then the CP932 field is
// the text).
std::string_view fullText(const AddressRecord& record, int field);

} // namespace RecordText
