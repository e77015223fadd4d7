#pragma once

#include "model/exchange/ImportResult.h"
#include "model/io/FileIo.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

class AddressRecord;

// The file types an export can write, and how the command line names them.
//
//     const auto format = ExportFormat::fromExtension(path).value_or(ExportFormat::Format::Legacy);
//     ExportFormat::write(path, format, chosen, readingOf);
namespace ExportFormat {

enum class Format
{
    Legacy,      // CP932 without a header, as older copies of the program read it
    Spreadsheet, // UTF-8 with a header row
    VCard3,
    VCard4,
};

// "csv" (the legacy file), "csv-utf8", "vcard3", "vcard4".
std::optional<Format> fromName(std::string_view name);
// ".txt" the legacy file, ".csv" UTF-8 with a header, ".vcf" vCard 3.0; any letter case.
std::optional<Format> fromExtension(std::string_view path);

// Creates or replaces the file, atomically: a failed export leaves the file that stood there, and
// a new file is readable by the user alone. The legacy file has no place for readings.
FileIo::WriteStatus write(const std::string& path, Format format,
                          std::span<const AddressRecord* const> records,
                          const ReadingLookup& reading = {});
// The same for records handed out one at a time.
FileIo::WriteStatus writeEach(const std::string& path, Format format, const RecordSource& records,
                              const ReadingLookup& reading = {},
                              const FileIo::Completion& complete = {});

} // namespace ExportFormat
