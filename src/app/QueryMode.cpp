#include "QueryMode.h"

#include "CommandLineText.h"
#include "MailQuery.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordFingerprint.h"
#include "model/search/GuessCache.h"
#include "model/search/NameMemo.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/RecordPrefilter.h"
#include "model/search/SearchIndex.h"
#include "model/search/SearchQuery.h"
#include "model/storage/AddressFile.h"
#include "model/storage/AddressFileReader.h"
#include "model/storage/CompanionLookup.h"
#include "model/storage/ReadingStore.h"
#include "model/storage/TabText.h"
#include "model/text/Cp932.h"
#include "model/text/Romaji.h"
#include "model/text/TextFold.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

bool hasAddress(const std::array<std::string_view, AddressRecord::FieldCount>& fields)
{
    constexpr std::string_view kBlank = ",; \t\r\n";
    return fields[AddressRecord::Email].find_first_not_of(kBlank) != std::string_view::npos ||
           fields[AddressRecord::OfficeEmail].find_first_not_of(kBlank) != std::string_view::npos;
}

// The fingerprint keeps a full slot (one without its terminator) only up to the last character
// boundary before the slot's final byte, so records of one fingerprint may differ in that
// field: only records whose field is a slot's width less at most 2 bytes can.
bool nearlyFillsASlot(const std::array<std::string_view, AddressRecord::FieldCount>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].size() + 2 >= AddressRecord::SlotWidth[i])
            return true;
    }
    return false;
}

std::string encoded(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// A guess is hiragana and ー: only a word made of them alone can be found in one.
bool mayBeInGuess(std::string_view folded)
{
    if (folded.empty() || folded.size() % 3 != 0)
        return false;
    for (std::size_t i = 0; i < folded.size(); i += 3) {
        const auto a = static_cast<unsigned char>(folded[i]);
        const auto b = static_cast<unsigned char>(folded[i + 1]);
        const auto c = static_cast<unsigned char>(folded[i + 2]);
        const bool kana = a == 0xE3 && ((b == 0x81 && c >= 0x81) || (b == 0x82 && c <= 0x96) ||
                                        (b == 0x83 && c == 0xBC));
        if (!kana)
            return false;
    }
    return true;
}

bool matches(const SearchQuery& query, const AddressRecord& record, std::string_view reading)
{
    std::size_t phoneStart = 0;
    std::size_t joinedStart = 0;
    const std::string text = SearchIndex::searchText(record, reading, phoneStart, joinedStart);
    return query.matches(text, phoneStart, joinedStart);
}

// The words (a bit each, as query.words() orders them) that a reading holds as the search text
// holds it (SearchIndex::searchText): folded, as romaji, and either joined.
std::uint64_t heldByReading(const SearchQuery& query, std::string_view reading)
{
    const std::string folded = TextFold::fromUtf8(reading);
    if (folded.empty())
        return 0;
    const auto joined = [](std::string_view s) {
        std::string out;
        if (s.find(' ') == std::string_view::npos)
            return out;
        out += SearchQuery::JoinedMark;
        for (char c : s) {
            if (c != ' ')
                out += c;
        }
        return out;
    };
    const std::string joinedFolded = joined(folded);
    // The romaji is spelled only for a word that could be in it: it is ASCII letters and spaces.
    std::optional<std::string> romaji;
    std::string joinedRomaji;
    const auto isAscii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    std::uint64_t held = 0;
    const auto& words = query.words();
    for (std::size_t i = 0; i < words.size() && i < 64; ++i) {
        const SearchQuery::Word& w = words[i];
        const auto in = [&w](std::string_view text, std::string_view joinedText) {
            return SearchQuery::holds(w, std::string(text) + '\0' + std::string(joinedText),
                                      text.size() + 1, text.size() + 1);
        };
        bool found = in(folded, joinedFolded);
        if (!found && (isAscii(w.folded) || (!w.romaji.empty() && isAscii(w.romaji)))) {
            if (!romaji) {
                romaji = Romaji::fromReading(folded);
                joinedRomaji = joined(*romaji);
            }
            found = !romaji->empty() && in(*romaji, joinedRomaji);
        }
        if (found)
            held |= std::uint64_t(1) << i;
    }
    return held;
}

// The words (bits as heldByReading's) that an entry's extras may hold, told from its property
// lines before they are decoded: every value folded, as the search text holds the extras it
// searches (values it does not search are looked in too, which only lets more through).
std::uint64_t mayBeInExtras(const SearchQuery& query, std::string_view properties)
{
    const auto& words = query.words();
    const std::size_t count = std::min<std::size_t>(words.size(), 64);
    std::uint64_t held = 0;
    std::string folded;
    while (!properties.empty()) {
        std::string_view line = TabText::takeLine(properties);
        if (line.empty() || line.front() != '\t')
            continue;
        line.remove_prefix(1);
        // The key is no value.
        for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;) {
            line.remove_prefix(tab + 1);
            tab = line.find('\t');
            const std::string_view value = line.substr(0, tab);
            folded.clear();
            if (value.find('\\') == std::string_view::npos)
                TextFold::appendUtf8(folded, value);
            else
                TextFold::appendUtf8(folded, TabText::unescaped(value));
            for (std::size_t i = 0; i < count; ++i) {
                const SearchQuery::Word& w = words[i];
                if (folded.find(w.folded) != std::string::npos ||
                    (!w.romaji.empty() && folded.find(w.romaji) != std::string::npos))
                    held |= std::uint64_t(1) << i;
            }
        }
    }
    return held;
}

} // namespace

namespace QueryMode {

// The saved book streams past once; the name dictionaries are read only when a word of the
// query could be found in a guessed reading that the cache of guesses does not hold.
CommandLine::Result run(const QStringList& options)
{
    const QString text = options.join(u' ');
    if (text.trimmed().isEmpty())
        return {1, {}, (CommandLineText::QueryPrefix + CommandLineText::QueryMissingText).toUtf8()};
    const QString bookPath = DataLocation::addressFilePath();
    const auto unreadable = [&bookPath]() -> CommandLine::Result {
        return {1,
                {},
                (CommandLineText::QueryPrefix + CommandLineText::BookUnreadable.arg(bookPath))
                    .toUtf8()};
    };
    AddressFileReader reader(encoded(bookPath));
    if (reader.status() == AddressFile::Status::ReadError)
        return unreadable();
    ReadingStore readings;
    readings.Load(encoded(DataLocation::readingsFilePath(bookPath)));
    CompanionLookup companion(encoded(DataLocation::companionFilePath(bookPath)));
    const SearchQuery query(text.toStdString());

    // The companion's entries are laid out, not decoded: an entry's extras are decoded for a
    // record that may match. Records of one fingerprint are alike in fields, name and reading,
    // and only they can take an entry of that fingerprint: so whether they look for their entry
    // at all may depend on what the fields and the name tell, as long as all of them do alike.
    const auto& entries = companion.entries();
    std::vector<std::uint64_t> extrasMayHold(entries.size(), 0);
    std::unordered_set<std::uint64_t> namesWithProperties;
    std::unordered_set<std::uint64_t> namesWithWords; // whose extras may hold a word
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].properties.empty())
            continue;
        namesWithProperties.insert(entries[i].fingerprint.name);
        extrasMayHold[i] = mayBeInExtras(query, entries[i].properties);
        if (extrasMayHold[i])
            namesWithWords.insert(entries[i].fingerprint.name);
    }

    // A word in romaji may be the spelling of a guess, as the search field finds it.
    const bool needsGuesses =
        std::any_of(query.words().begin(), query.words().end(), [](const auto& w) {
            return mayBeInGuess(w.folded) || !Romaji::fromTyped(w.folded).empty();
        });
    const std::string cachePath = encoded(DataLocation::guessCachePath());
    const ReadingDictionary dictionary(ReadingDictionary::DefaultJinmeiPath,
                                       ReadingDictionary::DefaultFullnamePath,
                                       encoded(DataLocation::compiledDictionaryPath()));
    std::optional<GuessCache::Map> guesses;
    std::string fingerprint;

    // Most records are ruled out from their bytes: a word their fields cannot hold must be in
    // their reading, which the name decides (what it holds is worked out once a name), or in
    // their extras.
    const RecordPrefilter prefilter(query);
    NameMemo readingHolds; // words, by name

    std::vector<std::pair<std::size_t, std::unique_ptr<AddressRecord>>> found;
    std::vector<std::pair<std::size_t, std::unique_ptr<AddressRecord>>> unguessed;
    AddressRecord decoded;
    std::size_t index = 0;
    while (const char* bytes = reader.nextBytes()) {
        const std::size_t at = index++;
        const auto fields = AddressFile::RecordFields(bytes);
        const std::string_view name = fields[AddressRecord::Name];
        const std::uint64_t nameHalf =
            namesWithProperties.empty() ? 0 : RecordFingerprint::nameHalf(name);
        const CompanionFile::Place* entry = nullptr;
        bool lookedUp = false;
        // Such a record may share its fingerprint with one that differs: it takes its entry
        // whatever it holds, so that the other's entry is the one a whole reading gives.
        if (!namesWithProperties.empty() && nearlyFillsASlot(fields) &&
            namesWithProperties.count(nameHalf)) {
            lookedUp = true;
            entry = companion.find(at, RecordFingerprint::of(fields));
        }
        // A contact without an address completes nothing.
        if (!hasAddress(fields))
            continue;
        if (std::uint64_t missing = prefilter.missingWords(fields)) {
            std::uint64_t held = 0; // by the reading
            if (const std::uint64_t* known = readingHolds.find(name)) {
                held = *known;
            } else if (!readings.empty() || needsGuesses) {
                std::string_view reading =
                    readings.empty() ? std::string_view() : readings.reading(name);
                if (reading.empty() && needsGuesses) {
                    if (!guesses) {
                        fingerprint = dictionary.fingerprint();
                        guesses = GuessCache::Load(cachePath, fingerprint);
                    }
                    const auto guess = guesses->find(name);
                    // Not guessed yet: matched below with its guess.
                    if (guess == guesses->end())
                        held = ~std::uint64_t(0);
                    else
                        reading = guess->second;
                }
                if (held == 0 && !reading.empty())
                    held = heldByReading(query, reading);
                if (held != ~std::uint64_t(0))
                    readingHolds.add(name, held);
            }
            missing &= ~held;
            if (missing) {
                if (!lookedUp) {
                    if (!namesWithWords.count(nameHalf))
                        continue;
                    lookedUp = true;
                    entry = companion.find(at, RecordFingerprint::of(fields));
                }
                if (!entry || (missing & ~extrasMayHold[std::size_t(entry - entries.data())]))
                    continue;
            }
        }
        if (!lookedUp && namesWithProperties.count(nameHalf))
            entry = companion.find(at, RecordFingerprint::of(fields));
        AddressFile::DecodeRecord(bytes, decoded);
        std::unique_ptr<AddressRecord> withExtras;
        if (entry) {
            if (auto extras = CompanionLookup::extras(*entry)) {
                withExtras = std::make_unique<AddressRecord>(decoded);
                withExtras->setExtras(std::move(extras));
            }
        }
        const AddressRecord& record = withExtras ? *withExtras : decoded;
        std::string_view reading = readings.reading(record.name());
        if (reading.empty() && needsGuesses) {
            if (!guesses) {
                fingerprint = dictionary.fingerprint();
                guesses = GuessCache::Load(cachePath, fingerprint);
            }
            const auto known = guesses->find(record.name());
            if (known == guesses->end()) {
                unguessed.emplace_back(at, std::make_unique<AddressRecord>(record));
                continue;
            }
            reading = known->second;
        }
        if (matches(query, record, reading))
            found.emplace_back(at, std::make_unique<AddressRecord>(record));
    }
    if (reader.status() == AddressFile::Status::ReadError)
        return unreadable();
    if (!unguessed.empty()) {
        for (auto& [at, record] : unguessed) {
            auto known = guesses->find(record->name());
            if (known == guesses->end())
                known =
                    guesses
                        ->emplace(record->name(), dictionary.guess(Cp932::toUtf8(record->name())))
                        .first;
            if (matches(query, *record, known->second))
                found.emplace_back(at, std::move(record));
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        // The next query, or the next start of the window, finds them made.
        GuessCache::Save(cachePath, fingerprint, *guesses);
    }
    std::vector<AddressRecord*> shown;
    shown.reserve(found.size());
    for (const auto& [at, record] : found)
        shown.push_back(record.get());
    const std::string answer = MailQuery::format(shown);
    return {shown.empty() ? 1 : 0, QByteArray(answer.data(), qsizetype(answer.size())), {}};
}

} // namespace QueryMode
