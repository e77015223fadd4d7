#pragma once

#include "model/book/RecordSelection.h"
#include "model/exchange/ImportResult.h"
#include "model/io/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

class AddressRecord;
class RecordList;

// The exchange file for other programs and other copies of the address book: CP932 text, one
// contact per line, its sixteen fields in AddressRecord order separated by single commas, no
// header. Line breaks inside a field travel as the two characters backslash and "n". A value
// that holds a comma or a double quote is enclosed in double quotes, a quote inside doubled
// (RFC 4180); every other value is written as it is, so files without such values are the same
// bytes older copies of the program write and read.
//
// Reading: a value that starts with a double quote is a quoted value (it may even span lines);
// from any other value every double quote is removed, as older copies did. Lines end in CR LF,
// LF, a lone CR or CR CR LF; ImportText and ImportFile skip blank lines.
//
// Import into new records (the document adds them as one step):
//     ImportResult r = CsvFile::ImportFile(path, progress);
//     // r.records in file order, r.refused: lines that gave no contact, with line and reason
//
// The older entry, appending to the list and stopping at the first bad line:
//     const CsvFile::ReadResult r = CsvFile::Read(path, list, progress);
//     switch (r.status) { Ok; OpenFailed: nothing added; FormatError: r.line is the bad line }
//
// Export of chosen records, or of a group:
//     CsvFile::Write(path, std::span<const AddressRecord* const>(chosen)) -> Ok / CreateFailed /
//     WriteFailed CsvFile::Write(path, list, currentGroupName)  // "VOK_Address" (any case) writes
//     everyone
//
// Paths are file-system paths in the local encoding (QFile::encodeName).
class CsvFile
{
public:
    // The root of the group tree: exporting it writes every contact.
    static constexpr std::string_view RootGroup = RecordSelection::RootGroup;
    static constexpr int FieldsPerLine = 16;
    // A longer line is the format error rather than a contact.
    static constexpr std::size_t MaxLineBytes = std::size_t(16) << 20;
    // A larger file is not an address book.
    static constexpr std::size_t MaxFileBytes = std::size_t(1) << 30;

    enum class ReadStatus
    {
        Ok,
        OpenFailed,  // the file cannot be opened or read; nothing added
        FormatError, // line `line` has fewer than sixteen fields, an empty group, or is absurdly
                     // long (MaxLineBytes)
    };
    struct ReadResult
    {
        ReadStatus status = ReadStatus::Ok;
        std::size_t line = 0;  // 1-based number of the refused line, with FormatError
        std::size_t added = 0; // records appended to the list, also before an error
    };
    // Called every `progressEvery` contacts with the contacts read so far, the bytes read so far
    // and the file size, so that the caller can show progress.
    using Progress =
        std::function<void(std::size_t lines, std::uint64_t bytesRead, std::uint64_t totalBytes)>;

    using WriteStatus = FileIo::WriteStatus;

    // Every contact of the text as a new record, in file order. Lines with fewer than sixteen
    // fields, an empty group or absurd length are refused (listed with line and reason) and the
    // reading goes on; a line with more than sixteen fields keeps the first sixteen; text longer
    // than its slot in the data file is cut at a character boundary (listed in `cut`).
    static ImportResult ImportText(std::string_view text, const Progress& progress = {},
                                   std::size_t progressEvery = 1000);
    // The same for a file; status OpenFailed when it cannot be read.
    static ImportResult ImportFile(const std::string& path, const Progress& progress = {},
                                   std::size_t progressEvery = 1000);

    // Appends one record per line to the list, in file order, and stops at the first refused
    // line, a blank one too: the records of the lines before it stay.
    static ReadResult Read(const std::string& path, RecordList& list, const Progress& progress = {},
                           std::size_t progressEvery = 1000);
    // The same for text already in memory.
    static ReadResult ReadText(std::string_view text, RecordList& list,
                               const Progress& progress = {}, std::size_t progressEvery = 1000);

    // Writes the records in the given order, each line ending with CR LF. Replaces the file.
    static WriteStatus Write(const std::string& path,
                             std::span<const AddressRecord* const> records);
    // The same for records handed out one at a time.
    static WriteStatus WriteEach(const std::string& path, const RecordSource& records,
                                 const FileIo::Completion& complete = {});
    // Writes, in list order, every record whose group equals `group` (GroupName::equals), or
    // every record when `group` is the root.
    static WriteStatus Write(const std::string& path, const RecordList& list,
                             std::string_view group);
    // The text Write puts into the file.
    static std::string Format(std::span<const AddressRecord* const> records);

    // One record as its line, CR LF included.
    static std::string FormatLine(const AddressRecord& record);
    // One line (without its line end) as a record; false when it has fewer than sixteen fields
    // or an empty group.
    static bool ParseLine(std::string_view line, AddressRecord& record);

    // Every line break (CR LF, CR alone, LF alone) becomes backslash and "n".
    static std::string EscapeLineBreaks(std::string_view text);
    // Backslash and "n" at a character boundary becomes CR LF; the trail byte of a double-byte
    // character (表 is 0x95 0x5C) never starts an escape.
    static std::string UnescapeLineBreaks(std::string_view text);

private:
    static void appendLine(std::string& line, const AddressRecord& record);
};
