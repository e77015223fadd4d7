#pragma once

#include "CsvColumn.h"
#include "CsvFile.h"
#include "model/exchange/ImportResult.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// CSV files of other programs: spreadsheets, Google Contacts, Outlook, Thunderbird, web mail
// services. They come as UTF-8 (with or without a byte-order mark), CP932 or UTF-16, with a
// header row, RFC 4180 quoting and line breaks inside quoted values. The import preview lets the
// user check and change what is guessed here; the command line applies the guesses as they are.
//
//     std::string bytes;
//     FileIo::readFile(path, bytes, ForeignCsv::MaxFileBytes);
//     if (ForeignCsv::isOwnFormat(bytes)) { CsvFile::ImportText(bytes) ... }   // as always
//     ForeignCsv::Plan plan = ForeignCsv::guessPlan(bytes);          // encoding, header, columns
//     ForeignCsv::Table first = ForeignCsv::preview(bytes, plan, 20); // the rows as text
//     ImportResult shown = ForeignCsv::apply(bytes, plan, known, 20); // the first contacts
//     ImportResult all = ForeignCsv::apply(bytes, plan, known);       // the whole file
class ForeignCsv
{
public:
    static constexpr std::size_t MaxFileBytes = std::size_t(1) << 30;

    enum class Encoding
    {
        Utf8,
        Utf8Bom,
        Cp932,
        Utf16, // with its byte-order mark, either byte order
    };

    struct Plan
    {
        Encoding encoding = Encoding::Utf8;
        char delimiter = ',';
        bool hasHeader = false; // the first row names the columns and is not a contact
        // One target per column; columns beyond the list are ignored. A column with the
        // target AddressRecord::Group gives each row's group.
        std::vector<CsvColumn> columns;
        // CP932. Contacts go here when no column gives a group, or when it names none that the
        // caller knows (that name then becomes the contact's wanted group).
        std::string targetGroup = "Other";
    };

    struct Table
    {
        std::vector<std::vector<std::string>> rows; // UTF-8 cells
        std::vector<std::size_t> lines;             // 1-based line where each row starts
    };

    // A byte-order mark decides; else UTF-8 when the bytes are UTF-8 (plain ASCII too), else
    // CP932.
    static Encoding detectEncoding(std::string_view bytes);
    // The text as UTF-8, the byte-order mark removed.
    static std::string decode(std::string_view bytes, Encoding encoding);
    // Comma, unless the first line has more tabs or semicolons than commas.
    static char detectDelimiter(std::string_view utf8);
    // The rows of the text (UTF-8) with their line numbers; at most maxRows of them.
    static Table parse(std::string_view utf8, char delimiter, std::size_t maxRows = SIZE_MAX);
    // The same for the file's bytes in their encoding: only what the rows take is read, so the
    // first rows of a large file come at once.
    static Table rows(std::string_view bytes, Encoding encoding, char delimiter,
                      std::size_t maxRows);

    // Everything guessed at once: encoding, delimiter, whether the first row is a header, and
    // the columns' targets (from the header, else from the first rows' contents).
    static Plan guessPlan(std::string_view bytes, std::string_view targetGroup = "Other");
    // The same with the encoding the user chose: the header and columns read again through it.
    static Plan guessPlan(std::string_view bytes, Encoding encoding,
                          std::string_view targetGroup = "Other");
    // The first maxRows rows after the header, decoded as the plan says, for the preview table.
    static Table preview(std::string_view bytes, const Plan& plan, std::size_t maxRows);

    // The contacts of the file as the plan says (at most maxRows rows after the header): rows
    // whose cells are all empty are skipped; a row with nothing to import is refused with its
    // line number. Text is converted to CP932 (characters it cannot hold become 〓 and are
    // listed) and cut to the slots (listed). knownGroups is CP932.
    // Progress comes every thousand rows.
    static ImportResult apply(std::string_view bytes, const Plan& plan,
                              const std::vector<std::string>& knownGroups,
                              std::size_t maxRows = SIZE_MAX,
                              const CsvFile::Progress& progress = {});

    // True for this program's own format, which imports at once without a preview: CP932 (or
    // plain ASCII), no byte-order mark, no header, most of the first lines with sixteen or more
    // fields and a group. An empty file is taken as one too.
    static bool isOwnFormat(std::string_view bytes);
};
