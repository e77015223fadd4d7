#include "SpreadsheetCsv.h"

#include "AddressRecord.h"
#include "Cp932.h"
#include "ExchangeText.h"
#include "Utf8.h"

#include <algorithm>

namespace {

void appendCell(std::string& out, std::string_view value)
{
    const bool plain = std::none_of(value.begin(), value.end(), [](char c) {
        return c == ',' || c == '"' || c == '\r' || c == '\n';
    });
    if (plain) {
        out += value;
        return;
    }
    out += '"';
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\r') {
            // Spreadsheets break lines inside a cell with LF alone.
            if (i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            out += '\n';
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace

std::string SpreadsheetCsv::format(std::span<const AddressRecord* const> records,
                                   const ReadingLookup& reading)
{
    using R = AddressRecord;
    std::string out = "\xEF\xBB\xBF";
    out.reserve(records.size() * 300 + 256);
    // Name, reading, then the other fields in record order.
    const auto header = [&](std::string_view name, bool first) {
        if (!first)
            out += ',';
        appendCell(out, name);
    };
    header(ExchangeText::FieldNames[R::Name], true);
    header(ExchangeText::Reading, false);
    for (int f = R::Name + 1; f < R::FieldCount; ++f)
        header(ExchangeText::FieldNames[std::size_t(f)], false);
    out += "\r\n";
    for (const AddressRecord* r : records) {
        appendCell(out, Cp932::toUtf8(r->name()));
        out += ',';
        if (reading)
            appendCell(out, Utf8::sanitize(reading(*r)));
        for (int f = R::Name + 1; f < R::FieldCount; ++f) {
            out += ',';
            appendCell(out, Cp932::toUtf8(r->field(f)));
        }
        out += "\r\n";
    }
    return out;
}

FileIo::WriteStatus SpreadsheetCsv::write(const std::string& path,
                                          std::span<const AddressRecord* const> records,
                                          const ReadingLookup& reading)
{
    return FileIo::writeFile(path, format(records, reading));
}
