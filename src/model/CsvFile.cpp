#include "CsvFile.h"

#include "AddressFile.h"
#include "AddressRecord.h"
#include "Cp932.h"
#include "FileIo.h"
#include "GroupName.h"
#include "RecordList.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kChunk = 1 << 20;

bool contains(std::string_view text, char c)
{
    return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
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

// Splits the input into lines and turns each into a record.
class Importer
{
public:
    Importer(RecordList& list, const CsvFile::Progress& progress, std::size_t every,
             std::uint64_t total)
        : m_list(list), m_progress(progress), m_every(every ? every : 1), m_total(total)
    {
    }

    // Takes the next piece of the file; false once a line was refused.
    bool feed(std::string_view data)
    {
        m_bytes += data.size();
        while (!data.empty()) {
            const auto lf = data.find('\n');
            if (lf == std::string_view::npos) {
                m_pending.append(data);
                // No contact is that long: a binary file chosen by mistake must not fill memory.
                if (m_pending.size() > CsvFile::MaxLineBytes)
                    return refuse();
                return true;
            }
            if (m_pending.size() + lf > CsvFile::MaxLineBytes)
                return refuse();
            bool ok;
            if (m_pending.empty()) {
                ok = line(data.substr(0, lf));
            } else {
                m_pending.append(data.substr(0, lf));
                ok = line(m_pending);
                m_pending.clear();
            }
            if (!ok)
                return false;
            data.remove_prefix(lf + 1);
        }
        return true;
    }

    // The end of the file: a last line without its line end still counts.
    bool finish()
    {
        if (m_pending.empty())
            return true;
        const std::string last = std::move(m_pending);
        m_pending.clear();
        return line(last);
    }

    CsvFile::ReadResult result;

private:
    bool refuse()
    {
        result.status = CsvFile::ReadStatus::FormatError;
        result.line = ++m_lines;
        m_pending.clear();
        return false;
    }

    bool line(std::string_view text)
    {
        ++m_lines;
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        auto record = std::make_unique<AddressRecord>();
        if (!CsvFile::ParseLine(text, *record)) {
            --m_lines;
            return refuse();
        }
        m_list.AppendRecord(std::move(record));
        ++result.added;
        if (m_progress && m_lines % m_every == 0)
            m_progress(m_lines, m_bytes, m_total);
        return true;
    }

    RecordList& m_list;
    const CsvFile::Progress& m_progress;
    std::size_t m_every;
    std::uint64_t m_total;
    std::uint64_t m_bytes = 0;
    std::size_t m_lines = 0;
    std::string m_pending;
};

} // namespace

bool CsvFile::IsMultiLine(int field)
{
    return field == AddressRecord::Address || field == AddressRecord::Memo ||
           field == AddressRecord::OfficeAddress || field == AddressRecord::OfficeMemo;
}

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
    if (!contains(all, '\r') && !contains(all, '\n')) {
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
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        if (i > 0)
            line += ',';
        // A line break in any field would start a new contact in the file.
        escapeInto(line, record.field(i));
    }
    line += "\r\n";
}

bool CsvFile::ParseLine(std::string_view line, AddressRecord& record)
{
    std::array<std::string_view, AddressRecord::FieldCount> views;
    int count = 0;
    const char* p = line.data();
    const char* const end = p + line.size();
    while (count < AddressRecord::FieldCount) {
        const auto* comma = static_cast<const char*>(std::memchr(p, ',', std::size_t(end - p)));
        if (!comma) {
            views[count++] = std::string_view(p, std::size_t(end - p));
            break;
        }
        views[count++] = std::string_view(p, std::size_t(comma - p));
        p = comma + 1;
    }
    if (count < AddressRecord::FieldCount)
        return false;
    // Quotes and backslashes are rare: look at each value only when the line holds any.
    const bool anyQuote = contains(line, '"');
    const bool anyBackslash = contains(line, '\\');

    // Most values need neither quote removal nor unescaping: they stay views into the line.
    std::array<std::string, AddressRecord::FieldCount> owned;
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        std::string_view v = views[i];
        if (anyQuote && contains(v, '"')) {
            std::string& o = owned[i];
            o.reserve(v.size());
            for (char c : v) {
                if (c != '"')
                    o += c;
            }
            v = o;
        }
        if (anyBackslash && IsMultiLine(i) && contains(v, '\\')) {
            owned[i] = UnescapeLineBreaks(v);
            v = owned[i];
        }
        views[i] = Cp932::cutAtBoundary(v, AddressFile::SlotWidth[i] - 1);
    }
    if (views[AddressRecord::Group].empty())
        return false;
    record.assign(views);
    return true;
}

CsvFile::ReadResult CsvFile::ReadText(std::string_view text, RecordList& list,
                                      const Progress& progress, std::size_t progressEvery)
{
    Importer importer(list, progress, progressEvery, text.size());
    if (importer.feed(text))
        importer.finish();
    return importer.result;
}

CsvFile::ReadResult CsvFile::Read(const std::string& path, RecordList& list,
                                  const Progress& progress, std::size_t progressEvery)
{
    ReadResult failed;
    failed.status = ReadStatus::OpenFailed;
    // Non-blocking open: a FIFO chosen by mistake must not hang the window.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failed;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed;
    }

    Importer importer(list, progress, progressEvery, static_cast<std::uint64_t>(st.st_size));
    std::vector<char> buffer(kChunk);
    bool more = true;
    while (more) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // The lines already taken stay, as before a format error; `added` says how many.
            importer.result.status = ReadStatus::OpenFailed;
            break;
        }
        if (n == 0) {
            importer.finish();
            break;
        }
        more = importer.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    ::close(fd);
    return importer.result;
}

CsvFile::WriteStatus CsvFile::Write(const std::string& path, const RecordList& list,
                                    std::string_view group)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return WriteStatus::CreateFailed;
    const bool all = GroupName::equals(group, RootGroup);
    std::string buffer;
    buffer.reserve(kChunk + 4096);
    bool ok = true;
    for (const auto& record : list) {
        if (!all && !GroupName::equals(record->group(), group))
            continue;
        appendLine(buffer, *record);
        if (buffer.size() >= kChunk) {
            ok = FileIo::writeAll(fd, buffer.data(), buffer.size());
            buffer.clear();
            if (!ok)
                break;
        }
    }
    if (ok && !buffer.empty())
        ok = FileIo::writeAll(fd, buffer.data(), buffer.size());
    if (::close(fd) != 0)
        ok = false;
    return ok ? WriteStatus::Ok : WriteStatus::WriteFailed;
}
