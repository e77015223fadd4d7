#include "ReadingStore.h"

#include "TabText.h"
#include "model/io/FileIo.h"
#include "model/io/PrivateDir.h"
#include "model/text/Cp932.h"

#include <algorithm>
#include <cerrno>

using TabText::appendEscaped;
using TabText::unescaped;

ReadingStore::Map& ReadingStore::own()
{
    // Held by a save on another thread: that one keeps what it has.
    if (m_readings.use_count() > 1)
        m_readings = std::make_shared<Map>(*m_readings);
    return *m_readings;
}

ReadingStore::Status ReadingStore::Load(const std::string& path, int* error)
{
    clear();
    std::string data;
    if (const int failed = FileIo::readFile(path, data)) {
        if (error)
            *error = failed;
        return failed == ENOENT ? Status::Missing : Status::ReadError;
    }

    std::string_view text = data;
    if (text.starts_with("\xEF\xBB\xBF")) // a byte-order mark left by an editor
        text.remove_prefix(3);
    while (!text.empty()) {
        const std::string_view line = TabText::takeLine(text);
        const std::size_t tab = line.find('\t'); // tabs inside a name are escaped
        if (tab == std::string_view::npos)
            continue;
        const Cp932::EncodeResult name = Cp932::fromUtf8(unescaped(line.substr(0, tab)));
        std::string reading = unescaped(line.substr(tab + 1));
        if (!name.ok || name.bytes.empty() || reading.empty())
            continue;
        (*m_readings)[name.bytes] = std::move(reading);
    }
    return Status::Ok;
}

ReadingStore::Status ReadingStore::Save(const std::string& path,
                                        const std::function<bool(std::string_view)>& inUse) const
{
    return Save(path, *m_readings, inUse);
}

ReadingStore::Status ReadingStore::Save(const std::string& path, const Map& readings,
                                        const std::function<bool(std::string_view)>& inUse)
{
    std::string out;
    for (const auto& [name, reading] : readings) {
        if (inUse && !inUse(name))
            continue;
        appendEscaped(out, Cp932::toUtf8(name));
        out += '\t';
        appendEscaped(out, reading);
        out += '\n';
    }
    // The first save of a new book may come before the data file's, which makes the folder.
    const bool ok = PrivateDir::createFor(path) && FileIo::replaceFile(path, [&out](int fd) {
                        return FileIo::writeAll(fd, out.data(), out.size());
                    });
    return ok ? Status::Ok : Status::WriteError;
}

std::string_view ReadingStore::reading(std::string_view name) const
{
    const auto it = m_readings->find(name);
    return it == m_readings->end() ? std::string_view() : std::string_view(it->second);
}

void ReadingStore::setReading(std::string_view name, std::string_view reading)
{
    Map& readings = own();
    if (reading.empty()) {
        const auto it = readings.find(name);
        if (it != readings.end())
            readings.erase(it);
        return;
    }
    const auto it = readings.find(name);
    if (it != readings.end())
        it->second = reading;
    else
        readings.emplace(std::string(name), std::string(reading));
}
