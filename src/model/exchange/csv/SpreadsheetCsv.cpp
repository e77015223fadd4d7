#include "SpreadsheetCsv.h"

#include "CsvColumn.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/ExtrasText.h"
#include "model/book/RecordText.h"
#include "model/exchange/ExchangeText.h"
#include "model/text/Cp932.h"
#include "model/text/Utf8.h"

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

void SpreadsheetCsv::appendHeader(std::string& out)
{
    using R = AddressRecord;
    out += "\xEF\xBB\xBF";
    // Name, reading, then the other fields in record order.
    appendCell(out, ExchangeText::FieldNames[R::Name]);
    out += ',';
    appendCell(out, ExchangeText::Reading);
    for (int f = R::Name + 1; f < R::FieldCount; ++f) {
        out += ',';
        appendCell(out, ExchangeText::FieldNames[std::size_t(f)]);
    }
    // What Address.vok cannot hold, after the sixteen fields older readers expect.
    for (std::string_view name :
         {ExtrasText::Honorific, ExtrasText::Title, ExtrasText::Department}) {
        out += ',';
        appendCell(out, name);
    }
    for (int n = 1; n <= int(ContactExtras::MaxJointNames); ++n) {
        for (int f : {CsvColumn::JointName, CsvColumn::JointHonorific, CsvColumn::JointReading}) {
            out += ',';
            appendCell(out, CsvColumn::jointLabel(n, f));
        }
    }
    out += ',';
    appendCell(out, ExchangeText::Uid);
    out += "\r\n";
}

void SpreadsheetCsv::appendRow(std::string& out, const AddressRecord& r,
                               const ReadingLookup& reading)
{
    using R = AddressRecord;
    appendCell(out, RecordText::utf8(r, R::Name));
    out += ',';
    if (reading)
        appendCell(out, Utf8::sanitize(reading(r)));
    for (int f = R::Name + 1; f < R::FieldCount; ++f) {
        out += ',';
        appendCell(out, RecordText::utf8(r, f));
    }
    static const ContactExtras none;
    const ContactExtras& x = r.extras() ? *r.extras() : none;
    for (const std::string* v : {&x.honorific, &x.title, &x.department}) {
        out += ',';
        appendCell(out, *v);
    }
    for (std::size_t n = 0; n < ContactExtras::MaxJointNames; ++n) {
        const ContactExtras::JointName* j = n < x.jointNames.size() ? &x.jointNames[n] : nullptr;
        for (const std::string ContactExtras::JointName::*part :
             {&ContactExtras::JointName::name, &ContactExtras::JointName::honorific,
              &ContactExtras::JointName::reading}) {
            out += ',';
            if (j)
                appendCell(out, j->*part);
        }
    }
    out += ',';
    if (!x.foreignUid.empty())
        appendCell(out, x.foreignUid);
    else if (!r.uid().isNull())
        out += r.uid().toString();
    out += "\r\n";
}

std::string SpreadsheetCsv::format(std::span<const AddressRecord* const> records,
                                   const ReadingLookup& reading)
{
    std::string out;
    out.reserve(records.size() * 300 + 256);
    appendHeader(out);
    for (const AddressRecord* r : records)
        appendRow(out, *r, reading);
    return out;
}

FileIo::WriteStatus SpreadsheetCsv::write(const std::string& path,
                                          std::span<const AddressRecord* const> records,
                                          const ReadingLookup& reading)
{
    return writeEach(path, recordsOf(records), reading);
}

FileIo::WriteStatus SpreadsheetCsv::writeEach(const std::string& path, const RecordSource& records,
                                              const ReadingLookup& reading,
                                              const FileIo::Completion& complete)
{
    bool header = true;
    return FileIo::writeStreamed(
        path,
        [&](std::string& out) {
            if (header) {
                header = false;
                appendHeader(out);
                return true;
            }
            const AddressRecord* record = records();
            if (record)
                appendRow(out, *record, reading);
            return record != nullptr;
        },
        complete);
}
