#pragma once

#include "model/exchange/ImportResult.h"
#include "model/io/FileIo.h"

#include <span>
#include <string>
#include <string_view>

class AddressRecord;

// Writes contacts as vCard 3.0 (what phones and web services read best) or 4.0: UTF-8, CR LF,
// lines folded at 75 octets without splitting a character, text escaped as RFC 2426 and RFC 6350
// ask. Every field has its place, so that VCardReader gives back the same sixteen fields, group
// and reading: the name as FN and N, personal values with TYPE=HOME (the mobile number as
// TYPE=CELL), office values with TYPE=WORK, the whole address in ADR's street with the postal
// code in its own component, the memo as NOTE and the office memo as NOTE;TYPE=WORK, the group
// as CATEGORIES, the reading as X-PHONETIC-LAST-NAME/-FIRST-NAME (split at its first space) and
// also as SORT-STRING (3.0) or N;SORT-AS (4.0).
//
//     std::vector<const AddressRecord*> chosen = ...;
//     VCardWriter::write(path, chosen, VCardWriter::Version::V30,
//                        [&](const AddressRecord& r) { return readingOf(r.name()); });
class VCardWriter
{
public:
    enum class Version
    {
        V30,
        V40,
    };

    static std::string format(std::span<const AddressRecord* const> records,
                              Version version = Version::V30, const ReadingLookup& reading = {});
    // Creates or replaces the file.
    static FileIo::WriteStatus write(const std::string& path,
                                     std::span<const AddressRecord* const> records,
                                     Version version = Version::V30,
                                     const ReadingLookup& reading = {});
    // The same for records handed out one at a time.
    static FileIo::WriteStatus writeEach(const std::string& path, const RecordSource& records,
                                         Version version = Version::V30,
                                         const ReadingLookup& reading = {},
                                         const FileIo::Completion& complete = {});
    // One card, appended to out; the reading is UTF-8 (empty for none).
    static void appendCard(std::string& out, const AddressRecord& record, Version version,
                           std::string_view reading);
    // The line with its CR LF, folded into pieces of at most 75 octets, each continuation
    // starting with a space; never inside a UTF-8 character.
    static void appendFolded(std::string& out, std::string_view line);
    // Text with backslash, comma, semicolon and line breaks escaped.
    static void appendEscaped(std::string& out, std::string_view text);
};
