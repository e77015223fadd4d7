#include "SyncState.h"

#include "model/io/AtomicFile.h"
#include "model/io/FileIo.h"
#include "model/storage/TabText.h"

#include <cerrno>
#include <charconv>
#include <sys/stat.h>

namespace {

constexpr std::string_view kHeader = "VOK-SYNC 1";

void column(std::string& out, std::string_view text)
{
    out += '\t';
    TabText::appendEscaped(out, text);
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
        } else if (c[0] == "conflict" && c.size() == 2) {
            read.conflicts.push_back(TabText::unescaped(c[1]));
        } else if (c[0] == "entry" && c.size() == 5 + SyncFields::SlotCount) {
            Entry e;
            e.uid = TabText::unescaped(c[1]);
            e.href = TabText::unescaped(c[2]);
            e.etag = TabText::unescaped(c[3]);
            e.card = TabText::unescaped(c[4]);
            for (int s = 0; s < SyncFields::SlotCount; ++s)
                e.base.value[s] = TabText::unescaped(c[5 + std::size_t(s)]);
            read.entries.push_back(std::move(e));
        } else if (c[0] == "end" && c.size() == 2) {
            std::size_t count = 0;
            const std::string_view n = c[1];
            if (std::from_chars(n.data(), n.data() + n.size(), count).ec != std::errc() ||
                count != read.entries.size())
                return Status::Damaged;
            *this = std::move(read);
            return Status::Ok;
        }
    }
    return Status::Damaged;
}

bool SyncState::save(const std::string& path) const
{
    std::string out(kHeader);
    out += "\ncollection";
    column(out, collection);
    out += "\ntoken";
    column(out, token);
    out += '\n';
    for (const std::string& c : conflicts) {
        out += "conflict";
        column(out, c);
        out += '\n';
    }
    for (const Entry& e : entries) {
        out += "entry";
        for (const std::string* s : {&e.uid, &e.href, &e.etag, &e.card})
            column(out, *s);
        for (const std::string& v : e.base.value)
            column(out, v);
        out += '\n';
    }
    out += "end\t" + std::to_string(entries.size()) + '\n';
    const bool ok = AtomicFile::replace(
        path, [&out](int fd) { return FileIo::writeAll(fd, out.data(), out.size()); });
    if (ok)
        ::chmod(path.c_str(), 0600);
    return ok;
}
