#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

class AddressRecord;

// The edge between the CP932 bytes of the records and Qt's Unicode strings.
namespace Text {

QString fromCp932(std::string_view bytes);
// A record's field as the user wrote it: its whole text when CP932 could not hold it.
QString field(const AddressRecord& record, int field);
// Empty when CP932 cannot hold some character of the text.
std::optional<std::string> toCp932(const QString& text);
// For texts known to be representable (our own literals, validated input): unmappable
// characters would be dropped, so never use it on free user input.
std::string toCp932Lossy(const QString& text);
// CP932 with 〓 for each character it cannot hold: the field's text beside the whole text
// a contact's extras keep.
std::string toCp932Replacing(const QString& text);
// CP932 byte length of the text, or -1 when CP932 cannot hold it.
long cp932Length(const QString& text);
// The text with control characters as their pictures (␀ for NUL): for messages that name a
// character.
QString visible(const QString& text);

} // namespace Text
