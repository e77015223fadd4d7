#pragma once

#include "model/exchange/ImportResult.h"
#include "model/io/FileIo.h"

#include <span>
#include <string>

class AddressRecord;

// "UTF-8 CSV with a header row (for spreadsheets)": a byte-order mark (so that spreadsheet
// programs on Windows take it as UTF-8), one header row of Japanese column names (名前,
// フリガナ, 電子メール, ... グループ; ExchangeText::FieldNames), then one row per contact, values
// quoted as RFC 4180 asks, line breaks inside a value as LF, rows ending in CR LF. After the
// sixteen fields come the extras (敬称, 役職, 部署, 連名1 to 3 with their 敬称 and readings) and
// the UID. ForeignCsv reads such a file back to the same fields, group, reading and extras.
//
//     SpreadsheetCsv::write(path, chosen, [&](const AddressRecord& r) { return readingOf(r); });
class SpreadsheetCsv
{
public:
    static std::string format(std::span<const AddressRecord* const> records,
                              const ReadingLookup& reading = {});
    static FileIo::WriteStatus write(const std::string& path,
                                     std::span<const AddressRecord* const> records,
                                     const ReadingLookup& reading = {});
    // The same for records handed out one at a time.
    static FileIo::WriteStatus writeEach(const std::string& path, const RecordSource& records,
                                         const ReadingLookup& reading = {},
                                         const FileIo::Completion& complete = {});

private:
    static void appendHeader(std::string& out);
    static void appendRow(std::string& out, const AddressRecord& record,
                          const ReadingLookup& reading);
};
