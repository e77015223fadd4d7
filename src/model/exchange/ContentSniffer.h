#pragma once

#include <string_view>

// Tells a vCard file from a CSV file by its first bytes, not by its name: for files dropped on
// the window and for the command line's import.
//
//     switch (ContentSniffer::sniff(firstBytes)) { case ContentSniffer::Kind::VCard: ... }
namespace ContentSniffer {

enum class Kind
{
    VCard,   // "BEGIN:VCARD" first, after a byte-order mark and blank lines (UTF-16 too)
    Csv,     // text
    Unknown, // binary: zero bytes or control characters
};

// A few kilobytes of the file's start are enough.
Kind sniff(std::string_view head);

} // namespace ContentSniffer
