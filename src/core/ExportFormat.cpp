#include "ExportFormat.h"

#include "model/exchange/csv/CsvFile.h"
#include "model/exchange/csv/SpreadsheetCsv.h"
#include "model/exchange/vcard/VCardWriter.h"

#include <algorithm>
#include <cctype>

namespace {

bool endsWithNoCase(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), text.end() - long(tail.size()), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

} // namespace

namespace ExportFormat {

std::optional<Format> fromName(std::string_view name)
{
    if (name == "csv")
        return Format::Legacy;
    if (name == "csv-utf8")
        return Format::Spreadsheet;
    if (name == "vcard3")
        return Format::VCard3;
    if (name == "vcard4")
        return Format::VCard4;
    return std::nullopt;
}

std::optional<Format> fromExtension(std::string_view path)
{
    if (endsWithNoCase(path, ".txt"))
        return Format::Legacy;
    if (endsWithNoCase(path, ".csv"))
        return Format::Spreadsheet;
    if (endsWithNoCase(path, ".vcf"))
        return Format::VCard3;
    return std::nullopt;
}

FileIo::WriteStatus write(const std::string& path, Format format,
                          std::span<const AddressRecord* const> records,
                          const ReadingLookup& reading)
{
    return writeEach(path, format, recordsOf(records), reading);
}

FileIo::WriteStatus writeEach(const std::string& path, Format format, const RecordSource& records,
                              const ReadingLookup& reading, const FileIo::Completion& complete)
{
    switch (format) {
    case Format::Spreadsheet:
        return SpreadsheetCsv::writeEach(path, records, reading, complete);
    case Format::VCard3:
        return VCardWriter::writeEach(path, records, VCardWriter::Version::V30, reading, complete);
    case Format::VCard4:
        return VCardWriter::writeEach(path, records, VCardWriter::Version::V40, reading, complete);
    case Format::Legacy:
        break;
    }
    return CsvFile::WriteEach(path, records, complete);
}

} // namespace ExportFormat
