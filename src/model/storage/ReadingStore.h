#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

// The readings (フリガナ) the user gave, by name: Readings.txt beside Address.vok, whose format
// stays untouched. A name's reading serves every contact of that name.
//
// The file is UTF-8, one "name<TAB>reading" line per name. A backslash escapes a tab (\t),
// a line feed (\n), a carriage return (\r) and itself (\\), so that no name can break a line.
// Readings are kept as typed (hiragana or katakana); comparisons fold them.
//
//     ReadingStore store;
//     store.Load(dir + "/Readings.txt");                     // a missing file: an empty store
//     store.setReading(record.name(), "やまだ たろう");
//     store.Save(dir + "/Readings.txt", [&](std::string_view name) { return used(name); });
class ReadingStore
{
public:
    static constexpr const char* FileName = "Readings.txt";

    enum class Status
    {
        Ok,
        Missing,    // no file yet: no readings, nothing to report
        ReadError,  // the file exists but could not be read; the store is left empty
        WriteError, // the new file could not be written; the old one is untouched
    };

    // Replaces the store's contents by the file's. Lines without a tab, with an empty name or
    // reading, or with a name CP932 cannot hold (no contact can bear it) are skipped.
    // With ReadError, error tells why (an errno value).
    Status Load(const std::string& path, int* error = nullptr);
    using Map = std::map<std::string, std::string, std::less<>>;

    // Replaces the file atomically with the readings whose name inUse accepts (every one when
    // inUse is empty): names no contact bears any more are dropped.
    Status Save(const std::string& path,
                const std::function<bool(std::string_view name)>& inUse = {}) const;
    static Status Save(const std::string& path, const Map& readings,
                       const std::function<bool(std::string_view name)>& inUse);
    // The readings as they are now, for writing on another thread: the store copies them
    // before its next change while the copy is held.
    std::shared_ptr<const Map> shared() const { return m_readings; }

    // Names are a record's name field, CP932; readings UTF-8.
    std::string_view reading(std::string_view name) const;
    // An empty reading forgets the name.
    void setReading(std::string_view name, std::string_view reading);

    std::size_t size() const { return m_readings->size(); }
    bool empty() const { return m_readings->empty(); }
    void clear() { m_readings = std::make_shared<Map>(); }

private:
    Map& own();

    std::shared_ptr<Map> m_readings = std::make_shared<Map>();
};
