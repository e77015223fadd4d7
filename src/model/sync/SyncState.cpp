#include "SyncState.h"

#include "model/io/AtomicFile.h"
#include "model/io/FileIo.h"
#include "model/storage/TabText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

constexpr std::string_view kHeader = "VOK-SYNC 1";
// Batches beyond this share of the whole-file part: the next save compacts.
constexpr std::uint64_t kBatchShare = 4;

void column(std::string& out, std::string_view text)
{
    out += '\t';
    TabText::appendEscaped(out, text);
}

void entryLine(std::string& out, const SyncState::Entry& e)
{
    out += "entry";
    for (const std::string* s : {&e.uid, &e.href, &e.etag, &e.card})
        column(out, *s);
    for (const std::string& v : e.base.value)
        column(out, v);
    out += '\n';
}

bool isEntry(const std::vector<std::string_view>& c)
{
    return c[0] == "entry" && c.size() == 5 + SyncFields::SlotCount;
}

SyncState::Entry entryOf(const std::vector<std::string_view>& c)
{
    SyncState::Entry e;
    e.uid = TabText::unescaped(c[1]);
    e.href = TabText::unescaped(c[2]);
    e.etag = TabText::unescaped(c[3]);
    e.card = TabText::unescaped(c[4]);
    for (int s = 0; s < SyncFields::SlotCount; ++s)
        e.base.value[s] = TabText::unescaped(c[5 + std::size_t(s)]);
    return e;
}

bool number(std::string_view n, std::size_t& value)
{
    return std::from_chars(n.data(), n.data() + n.size(), value).ec == std::errc();
}

// Applies the whole batches after the end line; returns where the last one ends.
std::size_t applyBatches(SyncState& s, std::string_view text, std::size_t offset)
{
    std::unordered_map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < s.entries.size(); ++i)
        at[s.entries[i].href] = i;
    std::vector<bool> gone(s.entries.size(), false);
    std::vector<std::vector<std::string_view>> batch;
    const std::size_t total = offset + text.size();
    std::size_t whole = offset;
    while (!text.empty()) {
        std::vector<std::string_view> c = TabText::split(TabText::takeLine(text));
        if (c.empty())
            continue;
        std::size_t lines = 0;
        if (c[0] != "commit" || c.size() != 2) {
            batch.push_back(std::move(c));
            continue;
        }
        if (!number(c[1], lines) || lines != batch.size())
            break;
        for (const std::vector<std::string_view>& b : batch) {
            if (isEntry(b)) {
                SyncState::Entry e = entryOf(b);
                const auto [it, added] = at.try_emplace(e.href, s.entries.size());
                if (added) {
                    s.entries.push_back(std::move(e));
                    gone.push_back(false);
                } else {
                    s.entries[it->second] = std::move(e);
                }
            } else if (b[0] == "removed" && b.size() == 2) {
                if (const auto it = at.find(TabText::unescaped(b[1])); it != at.end()) {
                    gone[it->second] = true;
                    at.erase(it);
                }
            } else if (b[0] == "token" && b.size() == 2) {
                s.token = TabText::unescaped(b[1]);
            } else if (b[0] == "groups" && b.size() == 2) {
                s.groups = TabText::unescaped(b[1]);
            } else if (b[0] == "ctag" && b.size() == 2) {
                s.ctag = TabText::unescaped(b[1]);
            } else if (b[0] == "conflict" && b.size() == 2) {
                s.conflicts.push_back(TabText::unescaped(b[1]));
            }
        }
        batch.clear();
        whole = total - text.size();
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < s.entries.size(); ++i) {
        if (gone[i])
            continue;
        if (kept != i)
            s.entries[kept] = std::move(s.entries[i]);
        ++kept;
    }
    s.entries.resize(kept);
    return whole;
}

} // namespace

SyncState::Status SyncState::load(const std::string& path)
{
    *this = SyncState();
    std::string data;
    const int error = FileIo::readFile(path, data);
    if (error == ENOENT)
        return Status::Missing;
    if (error != 0)
        return Status::Damaged;
    std::string_view text = data;
    if (TabText::takeLine(text) != kHeader)
        return Status::Damaged;
    SyncState read;
    while (!text.empty()) {
        const std::vector<std::string_view> c = TabText::split(TabText::takeLine(text));
        if (c.empty())
            continue;
        if (c[0] == "collection" && c.size() == 2) {
            read.collection = TabText::unescaped(c[1]);
        } else if (c[0] == "token" && c.size() == 2) {
            read.token = TabText::unescaped(c[1]);
        } else if (c[0] == "groups" && c.size() == 2) {
            read.groups = TabText::unescaped(c[1]);
        } else if (c[0] == "ctag" && c.size() == 2) {
            read.ctag = TabText::unescaped(c[1]);
        } else if (c[0] == "conflict" && c.size() == 2) {
            read.conflicts.push_back(TabText::unescaped(c[1]));
        } else if (isEntry(c)) {
            read.entries.push_back(entryOf(c));
        } else if (c[0] == "end" && c.size() == 2) {
            std::size_t count = 0;
            if (!number(c[1], count) || count != read.entries.size())
                return Status::Damaged;
            read.m_baseSize = data.size() - text.size();
            read.m_fileSize = applyBatches(read, text, read.m_baseSize);
            read.m_savedConflicts = read.conflicts.size();
            read.m_wholeFile = false;
            *this = std::move(read);
            return Status::Ok;
        }
    }
    return Status::Damaged;
}

void SyncState::changedEntry(std::size_t index)
{
    if (m_wholeFile)
        return;
    entryLine(m_batch, entries[index]);
    ++m_batchLines;
    if ((m_fileSize - m_baseSize + m_batch.size()) * kBatchShare > m_baseSize)
        forgetChanges();
}

void SyncState::removedEntry(const std::string& href)
{
    if (m_wholeFile)
        return;
    m_batch += "removed";
    column(m_batch, href);
    m_batch += '\n';
    ++m_batchLines;
}

void SyncState::forgetChanges()
{
    m_wholeFile = true;
    m_batch.clear();
    m_batchLines = 0;
}

bool SyncState::save(const std::string& path)
{
    // Token-only batches add up too.
    const bool small = (m_fileSize - m_baseSize + m_batch.size()) * kBatchShare <= m_baseSize;
    if (!m_wholeFile && m_fileSize > 0 && small && conflicts.size() >= m_savedConflicts &&
        append(path))
        return true;
    return rewrite(path);
}

bool SyncState::append(const std::string& path)
{
    std::string out = std::move(m_batch);
    std::size_t lines = m_batchLines + 3;
    out += "token";
    column(out, token);
    out += "\nctag";
    column(out, ctag);
    out += "\ngroups";
    column(out, groups);
    out += '\n';
    for (std::size_t i = m_savedConflicts; i < conflicts.size(); ++i, ++lines) {
        out += "conflict";
        column(out, conflicts[i]);
        out += '\n';
    }
    out += "commit\t" + std::to_string(lines) + '\n';
    forgetChanges();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    // Appended only where this state left the file: after anything else, the batch would
    // follow bytes it does not know.
    struct stat st = {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              std::uint64_t(st.st_size) == m_fileSize && ::fchmod(fd, 0600) == 0 &&
              FileIo::writeAll(fd, out.data(), out.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        return false;
    m_fileSize += out.size();
    m_savedConflicts = conflicts.size();
    m_wholeFile = false;
    return true;
}

bool SyncState::rewrite(const std::string& path)
{
    forgetChanges();
    m_fileSize = 0;
    std::string out(kHeader);
    out += "\ncollection";
    column(out, collection);
    out += "\ntoken";
    column(out, token);
    out += "\nctag";
    column(out, ctag);
    out += "\ngroups";
    column(out, groups);
    out += '\n';
    for (const std::string& c : conflicts) {
        out += "conflict";
        column(out, c);
        out += '\n';
    }
    for (const Entry& e : entries)
        entryLine(out, e);
    out += "end\t" + std::to_string(entries.size()) + '\n';
    const bool ok = AtomicFile::replace(
        path, [&out](int fd) { return FileIo::writeAll(fd, out.data(), out.size()); });
    if (!ok)
        return false;
    ::chmod(path.c_str(), 0600);
    m_fileSize = m_baseSize = out.size();
    m_savedConflicts = conflicts.size();
    m_wholeFile = false;
    return true;
}
