#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class AddressRecord;
class RecordList;

// The exchange file for other programs and other copies of the address book: CP932 text, one
// contact per line, its sixteen fields in AddressRecord order separated by single commas, no
// quoting, no header. Line breaks inside a field travel as the two characters backslash and "n".
//
// Import (the frame's OnImport):
//     const std::size_t before = list.size();
//     const CsvFile::ReadResult r = CsvFile::Read(path, list, progress);
//     // the new records are list.at(before) .. list.at(before + r.added - 1), in file order;
//     // they are appended even when r.status is FormatError (the lines before the bad one).
//     switch (r.status) { Ok; OpenFailed: nothing added; FormatError: r.line is the bad line }
//
// Export (the group tree's ExportGroupCsv):
//     CsvFile::Write(path, list, currentGroupName) -> Ok / CreateFailed / WriteFailed
//     currentGroupName "VOK_Address" (the root, any letter case) writes every contact.
//
// Paths are file-system paths in the local encoding (QFile::encodeName).
class CsvFile
{
public:
    // The root of the group tree: exporting it writes every contact.
    static constexpr std::string_view RootGroup = "VOK_Address";
    static constexpr int FieldsPerLine = 16;
    // A longer line is the format error rather than a contact.
    static constexpr std::size_t MaxLineBytes = std::size_t(16) << 20;

    enum class ReadStatus
    {
        Ok,
        OpenFailed,  // the file cannot be opened or read (`added` lines before a read error stay)
        FormatError, // line `line` has fewer than sixteen fields, an empty group, or is absurdly
                     // long (MaxLineBytes)
    };
    struct ReadResult
    {
        ReadStatus status = ReadStatus::Ok;
        std::size_t line = 0;  // 1-based number of the refused line, with FormatError
        std::size_t added = 0; // records appended to the list, also before an error
    };
    // Called every `progressEvery` lines with the lines read so far, the bytes read so far and
    // the file size (0 when unknown), so that the caller can show progress.
    using Progress =
        std::function<void(std::size_t lines, std::uint64_t bytesRead, std::uint64_t totalBytes)>;

    enum class WriteStatus
    {
        Ok,
        CreateFailed, // nothing written
        WriteFailed,  // the lines written before the failure stay in the file
    };

    // Appends one record per line to the list, in file order. Lines end in CR LF or LF and may
    // be of any length. Double quotes are removed from every value; a line with more than
    // sixteen fields keeps the first sixteen; text longer than its slot in the data file is cut
    // at a character boundary. Stops at the first line with fewer than sixteen fields or an
    // empty group (a blank line, too): the records of the lines before it stay.
    static ReadResult Read(const std::string& path, RecordList& list, const Progress& progress = {},
                           std::size_t progressEvery = 1000);
    // The same for text already in memory.
    static ReadResult ReadText(std::string_view text, RecordList& list,
                               const Progress& progress = {}, std::size_t progressEvery = 1000);

    // Writes, in list order, every record whose group equals `group` (GroupName::equals), or
    // every record when `group` is the root. Each line ends with CR LF. Replaces the file.
    static WriteStatus Write(const std::string& path, const RecordList& list,
                             std::string_view group);

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
    // Fields whose line breaks are escaped on import: address, memo, office address and memo.
    static bool IsMultiLine(int field);

private:
    static void appendLine(std::string& line, const AddressRecord& record);
};
