#include "CsvFile.h"

#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/exchange/CsvTokenizer.h"
#include "model/exchange/ExchangeText.h"
#include "model/io/FileIo.h"
#include "model/text/Cp932.h"
#include "model/text/PostalCode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

bool contains(std::string_view text, char c)
{
    return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
}

// A postal code written by hand (〒, full-width digits, no hyphen) in the book's NNN-NNNN; the
// usual code is looked at byte by byte only.
bool postalCodeInShape(std::string_view v)
{
    return v.empty() ||
           (v.size() == 8 && v[3] == '-' && std::all_of(v.begin(), v.end(), [](char c) {
                return c == '-' || (c >= '0' && c <= '9');
            }));
}

bool needsQuotes(std::string_view value)
{
    return contains(value, ',') || contains(value, '"');
}

// Appends the text with every line break (CR LF, CR, LF) written as backslash and "n".
void escapeInto(std::string& out, std::string_view text)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        out.append(text.data() + start, i - start);
        out += "\\n";
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    out.append(text.data() + start, text.size() - start);
}

// Line breaks that came inside a quoted value: CR LF in a multi-line field, a space elsewhere.
std::string normalizeBreaks(std::string_view v, bool multiLine)
{
    std::string out;
    out.reserve(v.size() + 4);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const std::size_t n = CsvTokenizer::lineEndLength(v, i);
        if (n == 0) {
            out += v[i];
            continue;
        }
        out += multiLine ? "\r\n" : " ";
        i += n - 1;
    }
    return out;
}

enum class Outcome
{
    Record,
    Blank,
    TooFew,
    EmptyGroup,
    TooLong,
};

std::string_view reasonOf(Outcome o)
{
    switch (o) {
    case Outcome::EmptyGroup:
        return ExchangeText::EmptyGroup;
    case Outcome::TooLong:
        return ExchangeText::LineTooLong;
    default:
        return ExchangeText::TooFewFields;
    }
}

// Takes the records of a text one after another.
class LegacyReader
{
public:
    explicit LegacyReader(std::string_view text) : m_tokens(text, ',', true) {}

    // The next line's outcome, the record filled when it is one; false at the end.
    bool next(AddressRecord& record, Outcome& outcome, std::vector<int>* cutFields = nullptr)
    {
        if (m_tokens.atEnd())
            return false;
        const std::string_view line = m_tokens.peekLine();
        std::array<std::string_view, AddressRecord::FieldCount> views;
        std::size_t count = 0;
        if (line.size() > CsvFile::MaxLineBytes) {
            m_tokens.skipLine();
            outcome = Outcome::TooLong;
            return true;
        }
        if (line.empty()) {
            m_tokens.skipLine();
            outcome = Outcome::Blank;
            return true;
        }
        const bool quoted = contains(line, '"');
        if (!quoted) {
            // The usual line: views into the text, split at each comma.
            m_tokens.skipLine();
            const char* p = line.data();
            const char* const end = p + line.size();
            while (count < views.size()) {
                const auto* comma =
                    static_cast<const char*>(std::memchr(p, ',', std::size_t(end - p)));
                if (!comma) {
                    views[count++] = std::string_view(p, std::size_t(end - p));
                    break;
                }
                views[count++] = std::string_view(p, std::size_t(comma - p));
                p = comma + 1;
            }
        } else {
            std::size_t n = 0;
            m_tokens.next(m_values, n);
            count = std::min(n, views.size());
            for (std::size_t i = 0; i < count; ++i)
                views[i] = m_values[i];
        }
        if (count < views.size()) {
            outcome = Outcome::TooFew;
            return true;
        }
        // Backslashes and breaks inside quotes are rare: look at each value only when needed.
        const bool anyBackslash = contains(line, '\\') || quoted;
        for (int i = 0; i < AddressRecord::FieldCount; ++i) {
            std::string_view v = views[std::size_t(i)];
            const bool multi = AddressRecord::IsMultiLine(i);
            if (anyBackslash && multi && contains(v, '\\')) {
                m_owned[std::size_t(i)] = CsvFile::UnescapeLineBreaks(v);
                v = m_owned[std::size_t(i)];
            }
            if (quoted && (contains(v, '\r') || contains(v, '\n'))) {
                m_owned2[std::size_t(i)] = normalizeBreaks(v, multi);
                v = m_owned2[std::size_t(i)];
            }
            if ((i == AddressRecord::PostalCode || i == AddressRecord::OfficePostalCode) &&
                !postalCodeInShape(v)) {
                const std::string utf8 = Cp932::toUtf8(v);
                const std::string code = PostalCode::normalized(utf8);
                if (code != utf8) {
                    m_owned[std::size_t(i)] = code; // ASCII, the same in CP932
                    v = m_owned[std::size_t(i)];
                }
            }
            const std::string_view cut =
                Cp932::cutAtBoundary(v, AddressRecord::SlotWidth[std::size_t(i)] - 1);
            if (cutFields && cut.size() < v.size())
                cutFields->push_back(i);
            views[std::size_t(i)] = cut;
        }
        if (views[AddressRecord::Group].empty()) {
            outcome = Outcome::EmptyGroup;
            return true;
        }
        record.assign(views);
        outcome = Outcome::Record;
        return true;
    }

    std::size_t line() const { return m_tokens.line(); }
    std::size_t position() const { return m_tokens.position(); }

private:
    CsvTokenizer m_tokens;
    std::vector<std::string> m_values;
    std::array<std::string, AddressRecord::FieldCount> m_owned;
    std::array<std::string, AddressRecord::FieldCount> m_owned2;
};

// Runs the reader over the text; `take` gets each record and says whether to go on, `refuse`
// each refused line and says the same.
template <typename Take, typename Refuse>
void readAll(std::string_view text, const CsvFile::Progress& progress, std::size_t every,
             bool blankIsError, std::vector<int>* cutFields, Take take, Refuse refuse)
{
    LegacyReader reader(text);
    if (every == 0)
        every = 1;
    std::size_t records = 0;
    for (;;) {
        auto record = std::make_unique<AddressRecord>();
        Outcome outcome;
        if (cutFields)
            cutFields->clear();
        if (!reader.next(*record, outcome, cutFields))
            return;
        if (outcome == Outcome::Blank && !blankIsError)
            continue;
        if (outcome != Outcome::Record) {
            if (!refuse(reader.line(), outcome))
                return;
            continue;
        }
        take(std::move(record));
        ++records;
        if (progress && records % every == 0)
            progress(records, reader.position(), text.size());
    }
}

CsvFile::ReadResult appendTo(RecordList& list, std::string_view text,
                             const CsvFile::Progress& progress, std::size_t every)
{
    CsvFile::ReadResult result;
    // The older entry keeps stopping at a blank line, as its callers expect.
    readAll(
        text, progress, every, true, nullptr,
        [&](std::unique_ptr<AddressRecord> r) {
            list.AppendRecord(std::move(r));
            ++result.added;
        },
        [&](std::size_t line, Outcome) {
            result.status = CsvFile::ReadStatus::FormatError;
            result.line = line;
            return false;
        });
    return result;
}

} // namespace

std::string CsvFile::EscapeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    escapeInto(out, text);
    return out;
}

std::string CsvFile::UnescapeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            i += 2;
            continue;
        }
        const std::size_t len = Cp932::charLength(text, i);
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

std::string CsvFile::FormatLine(const AddressRecord& record)
{
    std::string line;
    line.reserve(512);
    appendLine(line, record);
    return line;
}

void CsvFile::appendLine(std::string& line, const AddressRecord& record)
{
    const std::string_view all = record.text();
    if (!contains(all, '\r') && !contains(all, '\n') && !needsQuotes(all)) {
        // The usual case: the fields go out as they are, copied straight into place.
        const std::size_t at = line.size();
        line.resize(at + all.size() + AddressRecord::FieldCount - 1 + 2);
        char* out = line.data() + at;
        for (int i = 0; i < AddressRecord::FieldCount; ++i) {
            if (i > 0)
                *out++ = ',';
            const std::string_view f = record.field(i);
            std::memcpy(out, f.data(), f.size());
            out += f.size();
        }
        *out++ = '\r';
        *out = '\n';
        return;
    }
    std::string escaped;
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        if (i > 0)
            line += ',';
        const std::string_view f = record.field(i);
        if (!needsQuotes(f)) {
            // A line break in any field would start a new contact in the file.
            escapeInto(line, f);
            continue;
        }
        escaped.clear();
        escapeInto(escaped, f);
        line += '"';
        for (char c : escaped) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    line += "\r\n";
}

bool CsvFile::ParseLine(std::string_view line, AddressRecord& record)
{
    LegacyReader reader(line);
    Outcome outcome;
    return reader.next(record, outcome) && outcome == Outcome::Record;
}

ImportResult CsvFile::ImportText(std::string_view text, const Progress& progress,
                                 std::size_t progressEvery)
{
    ImportResult result;
    std::vector<int> cutFields;
    readAll(
        text, progress, progressEvery, false, &cutFields,
        [&](std::unique_ptr<AddressRecord> r) {
            for (int f : cutFields)
                result.cut.push_back({result.records.size(), f});
            result.add(std::move(r));
        },
        [&](std::size_t line, Outcome o) {
            result.refused.push_back({line, reasonOf(o)});
            return true;
        });
    return result;
}

ImportResult CsvFile::ImportFile(const std::string& path, const Progress& progress,
                                 std::size_t progressEvery)
{
    std::string text;
    if (FileIo::readFile(path, text, MaxFileBytes) != 0)
        return ImportResult::openFailed();
    return ImportText(text, progress, progressEvery);
}

CsvFile::ReadResult CsvFile::ReadText(std::string_view text, RecordList& list,
                                      const Progress& progress, std::size_t progressEvery)
{
    return appendTo(list, text, progress, progressEvery);
}

CsvFile::ReadResult CsvFile::Read(const std::string& path, RecordList& list,
                                  const Progress& progress, std::size_t progressEvery)
{
    std::string text;
    if (FileIo::readFile(path, text, MaxFileBytes) != 0) {
        ReadResult failed;
        failed.status = ReadStatus::OpenFailed;
        return failed;
    }
    return appendTo(list, text, progress, progressEvery);
}

std::string CsvFile::Format(std::span<const AddressRecord* const> records)
{
    std::string text;
    text.reserve(records.size() * 256);
    for (const AddressRecord* r : records)
        appendLine(text, *r);
    return text;
}

CsvFile::WriteStatus CsvFile::Write(const std::string& path,
                                    std::span<const AddressRecord* const> records)
{
    return WriteEach(path, recordsOf(records));
}

CsvFile::WriteStatus CsvFile::WriteEach(const std::string& path, const RecordSource& records,
                                        const FileIo::Completion& complete)
{
    return FileIo::writeStreamed(
        path,
        [&records](std::string& out) {
            const AddressRecord* record = records();
            if (record)
                appendLine(out, *record);
            return record != nullptr;
        },
        complete);
}

CsvFile::WriteStatus CsvFile::Write(const std::string& path, const RecordList& list,
                                    std::string_view group)
{
    return Write(path, RecordSelection::ofGroup(list, group));
}
