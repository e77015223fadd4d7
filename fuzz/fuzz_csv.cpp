// libFuzzer target: any bytes as an imported CSV file. Every record taken must fit the data
// file's slots and name a group; its exported line must read back as the same record.
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/exchange/csv/CsvFile.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RecordList list;
    const CsvFile::ReadResult r = CsvFile::ReadText(text, list);
    if (r.added != list.size())
        __builtin_trap();
    if (r.status == CsvFile::ReadStatus::FormatError && r.line <= r.added)
        __builtin_trap();
    for (const auto& rec : list) {
        if (rec->group().empty())
            __builtin_trap();
        for (int i = 0; i < AddressRecord::FieldCount; ++i) {
            const std::string_view f = rec->field(i);
            if (f.size() >= AddressRecord::SlotWidth[std::size_t(i)])
                __builtin_trap();
            (void)Cp932::toUtf8(f);
        }
        // A line written from a record holds exactly one line end, at its end.
        const std::string line = CsvFile::FormatLine(*rec);
        if (line.find('\n') != line.size() - 1)
            __builtin_trap();
        // Records without commas, quotes, backslashes or line breaks come back unchanged.
        bool plain = true;
        for (int i = 0; i < AddressRecord::FieldCount && plain; ++i)
            plain = rec->field(i).find_first_of(",\"\\\r\n") == std::string_view::npos;
        if (plain) {
            AddressRecord back;
            if (!CsvFile::ParseLine(std::string_view(line).substr(0, line.size() - 2), back) ||
                !(back == *rec))
                __builtin_trap();
        }
    }
    return 0;
}
