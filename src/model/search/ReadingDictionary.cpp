#include "ReadingDictionary.h"

#include "model/io/FileIo.h"
#include "model/io/PrivateDir.h"
#include "model/text/TextFold.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// Raise whenever guess() may answer differently for the same files: guesses kept on disk from
// the older rules are then made again.
constexpr int kGuessRules = 1;
constexpr std::size_t kMaxFileSize = 64u << 20; // far above any dictionary; refuses a runaway file
constexpr std::string_view kSurnameNote = "姓";
constexpr std::string_view kGivenNote = "名";
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

enum Marks : std::uint8_t
{
    SurnameMark = 1,
    GivenMark = 2,
};

// One spelling of one reading in the name dictionary.
struct Entry
{
    std::string_view name;
    std::string_view reading;
    std::uint16_t place = 0;     // among the spellings of its reading, 0 first
    std::uint16_t spellings = 0; // how many spellings the reading has
    std::uint8_t marks = 0;
    std::uint32_t asSurname = 0; // full names that start with it, read so
    std::uint32_t asGiven = 0;   // full names that end with it, read so
};

struct FullName
{
    std::string_view name;
    std::string_view reading;
};

bool lessByName(const auto& a, const auto& b)
{
    return a.name < b.name;
}

template <typename T>
std::pair<const T*, const T*> range(const std::vector<T>& v, std::string_view name)
{
    T key;
    key.name = name;
    const auto [lo, hi] = std::equal_range(v.begin(), v.end(), key, lessByName<T, T>);
    return {v.data() + (lo - v.begin()), v.data() + (hi - v.begin())};
}

std::string readFile(const std::string& path)
{
    std::string data;
    if (!path.empty() && FileIo::readFile(path, data, kMaxFileSize) != 0)
        data.clear();
    return data;
}

// EUC-JIS-2004 (a superset of EUC-JP) to UTF-8; a byte that does not decode is dropped.
std::string decodeEuc(std::string_view euc)
{
    std::string out;
    const iconv_t cd = iconv_open("UTF-8", "EUC-JISX0213");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.resize(euc.size() * 2 + 16);
    char* in = const_cast<char*>(euc.data());
    std::size_t inLeft = euc.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        ++in; // EILSEQ or a truncated sequence at the end
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

std::string decodeFile(const std::string& raw)
{
    const std::string_view firstLine = std::string_view(raw).substr(0, raw.find('\n'));
    if (firstLine.find("coding: utf-8") != std::string_view::npos)
        return raw;
    return decodeEuc(raw);
}

// Hiragana and ー only: entries read in Latin letters and okuri-ari keys are no name readings.
bool isKanaReading(std::string_view r)
{
    if (r.empty() || r.size() % 3 != 0)
        return false;
    for (std::size_t i = 0; i < r.size(); i += 3) {
        const auto a = static_cast<unsigned char>(r[i]);
        const auto b = static_cast<unsigned char>(r[i + 1]);
        const auto c = static_cast<unsigned char>(r[i + 2]);
        const bool ok = a == 0xE3 && ((b == 0x81 && c >= 0x81) || (b == 0x82 && c <= 0x96) ||
                                      (b == 0x83 && c == 0xBC));
        if (!ok)
            return false;
    }
    return true;
}

// Calls f(name, reading, place, spellings, annotation) for every candidate of every okuri-nasi
// line: "reading /name;annotation/name/".
template <typename F> void parseDictionary(std::string_view text, F f)
{
    bool okuriAri = false;
    std::vector<std::pair<std::string_view, std::string_view>> line;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view l = text.substr(pos, end - pos);
        pos = end + 1;
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        if (l.starts_with(";")) {
            if (l.find("okuri-ari entries.") != std::string_view::npos)
                okuriAri = true;
            else if (l.find("okuri-nasi entries.") != std::string_view::npos)
                okuriAri = false;
            continue;
        }
        const std::size_t space = l.find(" /");
        if (okuriAri || space == std::string_view::npos)
            continue;
        const std::string_view reading = l.substr(0, space);
        if (!isKanaReading(reading))
            continue;
        line.clear();
        std::string_view rest = l.substr(space + 2);
        while (!rest.empty()) {
            const std::size_t slash = rest.find('/');
            std::string_view cand = rest.substr(0, slash);
            rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
            const std::size_t semi = cand.find(';');
            const std::string_view note =
                semi == std::string_view::npos ? std::string_view() : cand.substr(semi + 1);
            cand = cand.substr(0, semi);
            // Lisp expressions such as (concat ...) are programs, not names.
            if (!cand.empty() && cand.front() != '(')
                line.emplace_back(cand, note);
        }
        const auto spellings =
            static_cast<std::uint16_t>(std::min<std::size_t>(line.size(), 0xFFFF));
        for (std::size_t i = 0; i < line.size(); ++i)
            f(line[i].first, reading, static_cast<std::uint16_t>(std::min<std::size_t>(i, 0xFFFF)),
              spellings, line[i].second);
    }
}

std::vector<std::size_t> charBounds(std::string_view s)
{
    std::vector<std::size_t> bounds{0};
    for (std::size_t pos = 0; pos < s.size();) {
        Utf8::next(s, pos);
        bounds.push_back(pos);
    }
    return bounds;
}

// A part written in kana reads as itself, in hiragana; the middle dot of a foreign name
// (ジョン・スミス) parts it like a space.
std::string kanaReading(std::string_view part)
{
    constexpr std::string_view kMiddleDot = "\xE3\x83\xBB";
    std::string folded = TextFold::fromUtf8(part);
    for (std::size_t at = 0; (at = folded.find(kMiddleDot, at)) != std::string::npos;)
        folded.replace(at, kMiddleDot.size(), " ");
    std::string_view rest = folded;
    while (!rest.empty()) {
        const std::size_t space = rest.find(' ');
        if (!isKanaReading(rest.substr(0, space)))
            return {};
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
    return folded;
}

} // namespace

struct ReadingDictionary::Data
{
    std::string text;           // both files in UTF-8; every view below points into it
    std::vector<Entry> names;   // by name, in file order within a name
    std::vector<Entry> learned; // spellings met only in full names, with their counts
    std::vector<FullName> full; // by name, in file order within a name
    // Where each name's spellings lie in names: a hash lookup instead of a binary search.
    std::unordered_map<std::string_view, std::pair<std::uint32_t, std::uint32_t>> byName;

    void indexNames();
    std::string compiled(std::string_view fingerprint) const;
    bool readCompiled(std::string bytes, std::string_view fingerprint);
    std::pair<const Entry*, const Entry*> spellings(std::string_view name) const;
    void align();
    double score(const Entry& e, bool asSurname) const;
    bool isSurname(std::string_view part) const;
    const Entry* find(std::string_view name, std::string_view reading) const;
    std::vector<std::string> readings(std::string_view part, bool asSurname) const;
    std::string best(std::string_view part, bool asSurname) const;
    std::string guessWhole(std::string_view name) const;
};

void ReadingDictionary::Data::indexNames()
{
    byName.reserve(names.size());
    for (std::uint32_t lo = 0; lo < names.size();) {
        std::uint32_t hi = lo + 1;
        while (hi < names.size() && names[hi].name == names[lo].name)
            ++hi;
        byName.emplace(names[lo].name, std::make_pair(lo, hi));
        lo = hi;
    }
}

namespace {

// The compiled form: a header naming the files it was built from, the text every entry points
// into, then the entries as offsets into that text. Native byte order: the file is a cache of
// this machine's, rebuilt whenever anything about it does not fit.
constexpr std::string_view kCompiledMagic = "VOKRDIC1";

struct PackedEntry
{
    std::uint32_t name, nameSize, reading, readingSize, asSurname, asGiven;
    std::uint16_t place, spellings;
    std::uint8_t marks, pad[3];
};

struct PackedName
{
    std::uint32_t name, nameSize, reading, readingSize;
};

template <typename T> void put(std::string& out, const T& value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T> bool take(std::string_view& in, T& value)
{
    if (in.size() < sizeof value)
        return false;
    std::memcpy(&value, in.data(), sizeof value);
    in.remove_prefix(sizeof value);
    return true;
}

} // namespace

std::string ReadingDictionary::Data::compiled(std::string_view fingerprint) const
{
    auto at = [this](std::string_view v) {
        return v.empty() ? 0u : std::uint32_t(v.data() - text.data());
    };
    std::string out(kCompiledMagic);
    put(out, std::uint32_t(fingerprint.size()));
    out += fingerprint;
    put(out, std::uint64_t(text.size()));
    out += text;
    put(out, std::uint32_t(names.size()));
    put(out, std::uint32_t(learned.size()));
    put(out, std::uint32_t(full.size()));
    for (const std::vector<Entry>* list : {&names, &learned}) {
        for (const Entry& e : *list) {
            PackedEntry p{};
            p.name = at(e.name);
            p.nameSize = std::uint32_t(e.name.size());
            p.reading = at(e.reading);
            p.readingSize = std::uint32_t(e.reading.size());
            p.asSurname = e.asSurname;
            p.asGiven = e.asGiven;
            p.place = e.place;
            p.spellings = e.spellings;
            p.marks = e.marks;
            put(out, p);
        }
    }
    for (const FullName& f : full)
        put(out, PackedName{at(f.name), std::uint32_t(f.name.size()), at(f.reading),
                            std::uint32_t(f.reading.size())});
    return out;
}

bool ReadingDictionary::Data::readCompiled(std::string bytes, std::string_view fingerprint)
{
    std::string_view in = bytes;
    if (!in.starts_with(kCompiledMagic))
        return false;
    in.remove_prefix(kCompiledMagic.size());
    std::uint32_t fingerprintSize = 0;
    std::uint64_t textSize = 0;
    if (!take(in, fingerprintSize) || in.substr(0, fingerprintSize) != fingerprint)
        return false;
    in.remove_prefix(fingerprintSize);
    if (!take(in, textSize) || in.size() < textSize)
        return false;
    text.assign(in.data(), textSize);
    in.remove_prefix(textSize);
    std::uint32_t counts[3] = {};
    for (std::uint32_t& n : counts)
        if (!take(in, n))
            return false;
    if (in.size() != (std::uint64_t(counts[0]) + counts[1]) * sizeof(PackedEntry) +
                         std::uint64_t(counts[2]) * sizeof(PackedName))
        return false;
    // A view outside the text means a damaged file, never a crash.
    const std::string_view all = text;
    bool inside = true;
    auto view = [&](std::uint32_t from, std::uint32_t size) {
        if (from > all.size() || size > all.size() - from) {
            inside = false;
            return std::string_view();
        }
        return all.substr(from, size);
    };
    for (std::vector<Entry>* list : {&names, &learned}) {
        list->resize(list == &names ? counts[0] : counts[1]);
        for (Entry& e : *list) {
            PackedEntry p;
            take(in, p);
            e.name = view(p.name, p.nameSize);
            e.reading = view(p.reading, p.readingSize);
            e.asSurname = p.asSurname;
            e.asGiven = p.asGiven;
            e.place = p.place;
            e.spellings = p.spellings;
            e.marks = p.marks;
        }
    }
    full.resize(counts[2]);
    for (FullName& f : full) {
        PackedName p;
        take(in, p);
        f.name = view(p.name, p.nameSize);
        f.reading = view(p.reading, p.readingSize);
    }
    if (!inside)
        return false;
    indexNames();
    return true;
}

std::pair<const Entry*, const Entry*>
ReadingDictionary::Data::spellings(std::string_view name) const
{
    const auto it = byName.find(name);
    if (it == byName.end())
        return {nullptr, nullptr};
    return {names.data() + it->second.first, names.data() + it->second.second};
}

// Every full name that starts with a known spelling read as that spelling's reading counts
// once for that reading as a surname, and its remainder once for its reading as a given name.
void ReadingDictionary::Data::align()
{
    std::vector<Entry> seen;
    for (const FullName& f : full) {
        const std::vector<std::size_t> bounds = charBounds(f.name);
        for (std::size_t k = 1; k + 1 < bounds.size(); ++k) {
            const std::string_view surname = f.name.substr(0, bounds[k]);
            const auto [lo, hi] = spellings(surname);
            for (auto* e = const_cast<Entry*>(lo); e != hi; ++e) {
                if (f.reading.size() <= e->reading.size() || !f.reading.starts_with(e->reading))
                    continue;
                ++e->asSurname;
                const std::string_view given = f.name.substr(bounds[k]);
                const std::string_view givenReading = f.reading.substr(e->reading.size());
                if (auto* g = const_cast<Entry*>(find(given, givenReading))) {
                    ++g->asGiven;
                } else {
                    Entry l;
                    l.name = given;
                    l.reading = givenReading;
                    l.asGiven = 1;
                    seen.push_back(l);
                }
            }
        }
    }
    std::sort(seen.begin(), seen.end(), [](const Entry& a, const Entry& b) {
        return a.name != b.name ? a.name < b.name : a.reading < b.reading;
    });
    for (const Entry& e : seen) {
        if (!learned.empty() && learned.back().name == e.name &&
            learned.back().reading == e.reading)
            ++learned.back().asGiven;
        else
            learned.push_back(e);
    }
}

double ReadingDictionary::Data::score(const Entry& e, bool asSurname) const
{
    const double own = asSurname ? e.asSurname : e.asGiven;
    const double other = asSurname ? e.asGiven : e.asSurname;
    const bool marked = (e.marks & (asSurname ? SurnameMark : GivenMark)) != 0;
    return 2.0 * own + other + (marked ? 0.5 : 0.0) - std::log1p(e.place) +
           0.5 * std::log(std::max<double>(e.spellings, 1));
}

const Entry* ReadingDictionary::Data::find(std::string_view name, std::string_view reading) const
{
    const auto [lo, hi] = spellings(name);
    const Entry* e = std::find_if(lo, hi, [&](const Entry& x) { return x.reading == reading; });
    return e == hi ? nullptr : e;
}

bool ReadingDictionary::Data::isSurname(std::string_view part) const
{
    const auto [lo, hi] = spellings(part);
    return std::any_of(lo, hi,
                       [](const Entry& e) { return (e.marks & SurnameMark) || e.asSurname; });
}

std::vector<std::string> ReadingDictionary::Data::readings(std::string_view part,
                                                           bool asSurname) const
{
    std::vector<std::pair<double, std::string_view>> ranked;
    auto [lo, hi] = spellings(part);
    const bool fromFullNames = lo == hi;
    if (fromFullNames)
        std::tie(lo, hi) = range(learned, part);
    for (const Entry* e = lo; e != hi; ++e) {
        const double s = fromFullNames ? e->asGiven : score(*e, asSurname);
        const auto same = std::find_if(ranked.begin(), ranked.end(),
                                       [&](const auto& r) { return r.second == e->reading; });
        if (same == ranked.end())
            ranked.emplace_back(s, e->reading);
        else
            same->first = std::max(same->first, s);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> out;
    for (const auto& r : ranked)
        out.emplace_back(r.second);
    if (out.empty()) {
        std::string kana = kanaReading(part);
        if (!kana.empty())
            out.push_back(std::move(kana));
    }
    return out;
}

std::string ReadingDictionary::Data::best(std::string_view part, bool asSurname) const
{
    std::vector<std::string> r = readings(part, asSurname);
    return r.empty() ? std::string() : std::move(r.front());
}

// A name written without a space between surname and given name.
std::string ReadingDictionary::Data::guessWhole(std::string_view name) const
{
    const std::vector<std::size_t> bounds = charBounds(name);
    // A person of that very name: keep the reading, and put the space where the full names
    // agree most on a surname and a given name read that way.
    const auto [flo, fhi] = range(full, name);
    if (flo != fhi) {
        const std::string_view reading = flo->reading;
        std::size_t bestAt = 0;
        std::uint32_t bestEvidence = 0;
        for (std::size_t k = 1; k + 1 < bounds.size(); ++k) {
            const std::string_view given = name.substr(bounds[k]);
            const auto [lo, hi] = spellings(name.substr(0, bounds[k]));
            for (const Entry* e = lo; e != hi; ++e) {
                if (reading.size() <= e->reading.size() || !reading.starts_with(e->reading))
                    continue;
                const Entry* g = find(given, reading.substr(e->reading.size()));
                // A surname counts only beside a given name read the rest of the way: 高 (たか)
                // starts many full names, yet 高橋清 is no 高 with a given name 橋清.
                const std::uint32_t evidence = g ? 2 + e->asSurname + g->asGiven : 1;
                if (evidence > bestEvidence) {
                    bestEvidence = evidence;
                    bestAt = e->reading.size();
                }
            }
        }
        if (bestAt == 0)
            return std::string(reading);
        return std::string(reading.substr(0, bestAt)) + ' ' + std::string(reading.substr(bestAt));
    }
    const auto [lo, hi] = spellings(name);
    if (lo != hi)
        return best(name, isSurname(name));
    std::string bestSurname;
    std::string bestGiven;
    std::pair<bool, std::size_t> bestRank{false, 0};
    for (std::size_t k = 1; k + 1 < bounds.size(); ++k) {
        const std::string_view surname = name.substr(0, bounds[k]);
        const auto [slo, shi] = spellings(surname);
        if (slo == shi)
            continue;
        std::string given = best(name.substr(bounds[k]), false);
        if (given.empty())
            continue;
        const std::pair<bool, std::size_t> rank{isSurname(surname), k};
        if (bestGiven.empty() || rank > bestRank) {
            bestRank = rank;
            bestSurname = best(surname, true);
            bestGiven = std::move(given);
        }
    }
    if (!bestGiven.empty())
        return bestSurname + ' ' + bestGiven;
    return best(name, false);
}

ReadingDictionary::ReadingDictionary() : ReadingDictionary(DefaultJinmeiPath, DefaultFullnamePath)
{
}

ReadingDictionary::ReadingDictionary(std::string jinmeiPath, std::string fullnamePath,
                                     std::string compiledPath)
    : m_jinmeiPath(std::move(jinmeiPath)), m_fullnamePath(std::move(fullnamePath)),
      m_compiledPath(std::move(compiledPath))
{
}

ReadingDictionary::~ReadingDictionary() = default;

bool ReadingDictionary::load() const
{
    std::call_once(m_once, [this] {
        auto data = std::make_unique<Data>();
        const std::string print = m_compiledPath.empty() ? std::string() : fingerprint();
        std::string bytes;
        if (!m_compiledPath.empty() && FileIo::readFile(m_compiledPath, bytes, kMaxFileSize) == 0) {
            if (data->readCompiled(std::move(bytes), print)) {
                m_data = std::move(data);
                m_fromCompiled = true;
                m_loaded.store(true, std::memory_order_release);
                return;
            }
            data = std::make_unique<Data>();
        }
        const std::string jinmei = decodeFile(readFile(m_jinmeiPath));
        const std::string fullname = decodeFile(readFile(m_fullnamePath));
        // SKK writes ゔ as う゛; one spelling of each reading keeps lookups simple.
        data->text = jinmei + '\n' + fullname;
        std::string& t = data->text;
        for (std::size_t at = 0;
             (at = t.find("\xE3\x81\x86\xE3\x82\x9B", at)) != std::string::npos;)
            t.replace(at, 6, "\xE3\x82\x94");
        const std::string_view all = t;
        data->names.reserve(all.size() / 24);
        parseDictionary(all.substr(0, jinmei.size()),
                        [&](std::string_view name, std::string_view reading, std::uint16_t place,
                            std::uint16_t spellings, std::string_view note) {
                            Entry e;
                            e.name = name;
                            e.reading = reading;
                            e.place = place;
                            e.spellings = spellings;
                            if (note.find(kSurnameNote) != std::string_view::npos)
                                e.marks |= SurnameMark;
                            if (note.find(kGivenNote) != std::string_view::npos &&
                                !note.starts_with(kSurnameNote))
                                e.marks |= GivenMark;
                            data->names.push_back(e);
                        });
        parseDictionary(all.substr(jinmei.size()),
                        [&](std::string_view name, std::string_view reading, std::uint16_t,
                            std::uint16_t, std::string_view) {
                            data->full.push_back({name, reading});
                        });
        std::stable_sort(data->names.begin(), data->names.end(), lessByName<Entry, Entry>);
        std::stable_sort(data->full.begin(), data->full.end(), lessByName<FullName, FullName>);
        data->indexNames();
        data->align();
        // Kept for the next process; a cache folder that cannot be written costs only time.
        if (!m_compiledPath.empty() && (!data->names.empty() || !data->full.empty())) {
            const std::string out = data->compiled(print);
            if (PrivateDir::createFor(m_compiledPath))
                FileIo::replaceFile(m_compiledPath, [&out](int fd) {
                    return FileIo::writeAll(fd, out.data(), out.size());
                });
        }
        m_data = std::move(data);
        m_loaded.store(true, std::memory_order_release);
    });
    return !m_data->names.empty() || !m_data->full.empty();
}

std::string ReadingDictionary::fingerprint() const
{
    std::string out = "rules " + std::to_string(kGuessRules);
    for (const std::string* path : {&m_jinmeiPath, &m_fullnamePath}) {
        struct stat st
        {
        };
        out += '|';
        out += *path;
        if (path->empty() || ::stat(path->c_str(), &st) != 0)
            continue;
        out += ' ' + std::to_string(st.st_size) + ' ' + std::to_string(st.st_mtim.tv_sec) + '.' +
               std::to_string(st.st_mtim.tv_nsec);
    }
    return out;
}

std::string ReadingDictionary::guess(std::string_view name) const
{
    load();
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    auto flush = [&](std::size_t end) {
        if (end > start)
            parts.push_back(name.substr(start, end - start));
    };
    for (std::size_t pos = 0; pos < name.size();) {
        if (name[pos] == ' ' || name[pos] == '\t') {
            flush(pos);
            start = ++pos;
        } else if (name.substr(pos).starts_with(kIdeographicSpace)) {
            flush(pos);
            start = pos += kIdeographicSpace.size();
        } else {
            ++pos;
        }
    }
    flush(name.size());
    if (parts.empty())
        return {};
    if (parts.size() == 1)
        return m_data->guessWhole(parts.front());
    std::string out = m_data->best(parts.front(), true);
    if (out.empty())
        return {};
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string given = m_data->best(parts[i], false);
        if (given.empty())
            return {};
        out += ' ';
        out += given;
    }
    return out;
}

std::vector<std::string> ReadingDictionary::readings(std::string_view part, bool asSurname) const
{
    load();
    return m_data->readings(part, asSurname);
}
