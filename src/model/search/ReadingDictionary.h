#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Guesses the reading (フリガナ) of a person's name from the name dictionaries of the Debian
// package skkdic-extra, read backwards: SKK-JISYO.jinmei maps readings to surnames and given
// names, SKK-JISYO.fullname readings to full names of people in the news.
//
// The reading of a part is chosen by evidence: how often the full-name dictionary writes that
// part with that reading (in the place of a surname or of a given name), whether the name
// dictionary marks the entry as a surname (姓) or a given name (名), the place of the name
// among the spellings of its reading, and how many names share the reading (a common reading
// has many spellings).
//
// The files are read on first use, from any thread; without them every guess is empty. Given a
// compiled path, what reading them built is kept there and read back in a few milliseconds
// while the files stay the same (their sizes and times of change, and the guessing rules).
//
//     ReadingDictionary dict;              // the installed dictionaries
//     dict.guess("山田 太郎");              // "やまだ たろう"
//     dict.guess("佐々木正一");             // "ささき しょういち"
class ReadingDictionary
{
public:
    static constexpr const char* DefaultJinmeiPath = "/usr/share/skk/SKK-JISYO.jinmei";
    static constexpr const char* DefaultFullnamePath = "/usr/share/skk/SKK-JISYO.fullname";

    ReadingDictionary();
    // Either path may be empty or name a missing file. Files are EUC-JIS-2004 (EUC-JP) unless
    // their first line says "coding: utf-8".
    ReadingDictionary(std::string jinmeiPath, std::string fullnamePath,
                      std::string compiledPath = {});
    ~ReadingDictionary();
    ReadingDictionary(const ReadingDictionary&) = delete;
    ReadingDictionary& operator=(const ReadingDictionary&) = delete;

    // Reads the files unless done before; true when at least one of them gave entries.
    bool load() const;
    bool isLoaded() const { return m_loaded.load(std::memory_order_acquire); }
    // After load(): whether the compiled form served, instead of the files.
    bool loadedCompiled() const { return m_fromCompiled; }

    // Changes whenever a guess might: the files' paths, sizes and times of change, and the
    // version of the guessing rules. Guesses kept on disk are valid while it stays the same.
    std::string fingerprint() const;

    // The hiragana reading a Japanese reader gives first for a name (UTF-8), surname and given
    // name separated by one space; empty when a part of the name is unknown. The name is
    // split at a space (half-width or full-width) or, without one, after the surname that
    // leaves a known given name, preferring names marked as surnames and the longest of them.
    std::string guess(std::string_view name) const;

    // Every reading the dictionaries give for one name part, likeliest first, taken as a
    // surname (asSurname) or as a given name.
    std::vector<std::string> readings(std::string_view part, bool asSurname) const;

private:
    struct Data;

    std::string m_jinmeiPath;
    std::string m_fullnamePath;
    std::string m_compiledPath;
    mutable std::once_flag m_once;
    mutable std::unique_ptr<Data> m_data;
    mutable std::atomic<bool> m_loaded{false};
    mutable bool m_fromCompiled = false;
};
