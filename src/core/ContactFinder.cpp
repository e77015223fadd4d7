#include "ContactFinder.h"

#include "CVOK_AddressDoc.h"
#include "DataLocation.h"
#include "Text.h"
#include "model/book/GroupName.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/SearchQuery.h"
#include "model/text/Cp932.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <limits>

namespace {

// Fewer names are guessed on the spot, fewer records indexed on the spot: it takes less than
// the blink of a frame.
std::size_t s_guessAtOnce = ContactFinder::GuessAtOnce;
std::size_t s_indexAtOnce = ContactFinder::IndexAtOnce;
constexpr std::size_t kReindexAtOnce = 64;
// Readings given to more names than this (an import's) are followed a slice at a time: finding
// the contacts of those names means looking at every contact.
constexpr std::size_t kGivenAtOnce = 64;
// One slice of the index's building; the window answers between slices.
constexpr auto kSlice = std::chrono::milliseconds(8);

// The installed dictionaries, read once however many books the process opens.
std::shared_ptr<const ReadingDictionary> installedDictionary()
{
    static const auto dictionary = std::make_shared<const ReadingDictionary>(
        ReadingDictionary::DefaultJinmeiPath, ReadingDictionary::DefaultFullnamePath,
        QFile::encodeName(DataLocation::compiledDictionaryPath()).toStdString());
    return dictionary;
}

// Tests: the guesser waits after so many new guesses until it is stopped (at most a while).
std::atomic<std::size_t> s_holdAfter = std::numeric_limits<std::size_t>::max();
constexpr auto kLongestHold = std::chrono::seconds(30);

struct Guessed
{
    std::vector<std::string> guesses; // one for each name
    bool stopped = false;             // cancelled: only the names before the stop have theirs
    GuessCache::Map cache;            // what the cache file should hold; empty: unchanged
    std::string fingerprint;
};

// The guesses of the names, from the cache file where it has them; the others are made from
// the dictionaries (read now if they were not) and added to what the file should hold.
Guessed guessAll(const std::vector<std::string>& names, const ReadingDictionary& dictionary,
                 const std::string& cachePath, const std::atomic<bool>* cancel)
{
    Guessed out;
    if (!cachePath.empty()) {
        out.fingerprint = dictionary.fingerprint();
        out.cache = GuessCache::Load(cachePath, out.fingerprint);
    }
    out.guesses.resize(names.size());
    bool learned = false;
    std::size_t made = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (const auto known = out.cache.find(names[i]); known != out.cache.end()) {
            out.guesses[i] = known->second;
            continue;
        }
        if (cancel && made == s_holdAfter.load(std::memory_order_relaxed)) {
            const auto until = std::chrono::steady_clock::now() + kLongestHold;
            while (!cancel->load() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // What was guessed until now is kept all the same.
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            out.stopped = true;
            break;
        }
        out.guesses[i] = dictionary.guess(Cp932::toUtf8(names[i]));
        if (!cachePath.empty())
            out.cache.emplace(names[i], out.guesses[i]);
        learned = true;
        ++made;
    }
    // Names of contacts long gone would pile up: past a bound only these names stay.
    if (learned && !out.stopped &&
        out.cache.size() > std::max<std::size_t>(4 * names.size(), 200000)) {
        out.cache.clear();
        for (std::size_t i = 0; i < names.size(); ++i)
            out.cache.emplace(names[i], out.guesses[i]);
    }
    if (!learned)
        out.cache.clear();
    return out;
}

void keepGuesses(const std::string& path, const Guessed& guessed)
{
    // A cache that cannot be written only costs the next start its guesses again.
    if (!path.empty() && !guessed.cache.empty())
        GuessCache::Save(path, guessed.fingerprint, guessed.cache);
}

} // namespace

void ContactFinder::setAtOnceForTesting(std::size_t names, std::size_t records)
{
    s_guessAtOnce = names;
    s_indexAtOnce = records;
}

void ContactFinder::holdGuessingForTesting(std::size_t afterNames)
{
    s_holdAfter = afterNames;
}

ContactFinder::ContactFinder(CVOK_AddressDoc& doc) : m_doc(doc)
{
    connect(&doc, &CVOK_AddressDoc::recordsAdded, this,
            [this](const std::vector<AddressRecord*>& records, bool) { onRecordsAdded(records); });
    connect(&doc, &CVOK_AddressDoc::recordsChanged, this, &ContactFinder::onRecordsChanged);
    connect(&doc, &CVOK_AddressDoc::recordsRemoving, this, &ContactFinder::onRecordsRemoving);
    connect(&doc, &CVOK_AddressDoc::groupRenamed, this, &ContactFinder::onGroupRenamed);
    connect(&doc, &CVOK_AddressDoc::readingChanged, this,
            [this](const std::string& name) { onReadingsGiven({name}); });
    connect(&doc, &CVOK_AddressDoc::readingsGiven, this, &ContactFinder::onReadingsGiven);
    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &ContactFinder::indexSlice);
}

ContactFinder::~ContactFinder()
{
    stopGuessing();
    joinLoader();
}

void ContactFinder::joinLoader()
{
    if (m_loader.joinable())
        m_loader.join();
}

void ContactFinder::stopGuessing()
{
    if (m_cancel)
        m_cancel->store(true);
    if (m_guesser.joinable())
        m_guesser.join();
    m_guessing = false;
    ++m_run;
}

bool ContactFinder::endGuessing()
{
    // A run that was done before it heard of the stop has its guesses on the way: taken in.
    // Guesses asked for meanwhile may start one more run, which stops too.
    for (int run = 0; run < 3 && m_guessing; ++run) {
        if (m_cancel)
            m_cancel->store(true);
        if (m_guesser.joinable())
            m_guesser.join();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    const bool whole = !m_guessing && m_late.empty();
    stopGuessing();
    return whole;
}

void ContactFinder::setDictionary(std::shared_ptr<const ReadingDictionary> dictionary)
{
    const bool wasGuessing = m_guessing;
    stopGuessing();
    joinLoader();
    m_dictionary = std::move(dictionary);
    m_guesses.clear();
    m_late.clear();
    if (m_built || !m_queue.empty()) { // the readings in the index were guessed by the old one
        reset();
        prepare();
    }
    if (wasGuessing)
        guessInBackground();
}

void ContactFinder::setGuessCache(std::string path)
{
    m_cachePath = std::move(path);
}

std::shared_ptr<const ReadingDictionary> ContactFinder::sharedDictionary() const
{
    if (!m_dictionary)
        m_dictionary = installedDictionary();
    return m_dictionary;
}

void ContactFinder::preloadDictionary()
{
    const std::shared_ptr<const ReadingDictionary> dictionary = sharedDictionary();
    if (m_loader.joinable() || dictionary->isLoaded())
        return;
    // The thread owns a share of the dictionary: it may outlive a replacement.
    m_loader = std::thread([dictionary] { dictionary->load(); });
}

const ReadingDictionary& ContactFinder::dictionary() const
{
    return *sharedDictionary();
}

std::vector<std::string> ContactFinder::unguessed(std::span<AddressRecord* const> records) const
{
    std::vector<std::string> names;
    std::unordered_set<std::string_view> seen;
    seen.reserve(records.size());
    for (const AddressRecord* record : records) {
        const std::string_view name = record->name();
        if (name.empty() || m_guesses.count(name) || !m_doc.storedReading(name).empty() ||
            !seen.insert(name).second)
            continue;
        names.emplace_back(name);
    }
    return names;
}

void ContactFinder::guessInBackground()
{
    m_aside = true;
    std::vector<AddressRecord*> all;
    all.reserve(m_doc.records().size());
    for (const auto& record : m_doc.records())
        all.push_back(record.get());
    guessNames(unguessed(all));
}

void ContactFinder::guessInBackground(std::vector<std::string> unread)
{
    m_aside = true;
    if (!m_guesses.empty())
        std::erase_if(unread, [this](const std::string& name) { return m_guesses.count(name); });
    guessNames(std::move(unread));
}

void ContactFinder::guessNames(std::vector<std::string> names, bool loadHere)
{
    if (names.empty())
        return;
    if (m_guessing) {
        for (std::string& name : names)
            m_late.insert(std::move(name));
        return;
    }
    const std::shared_ptr<const ReadingDictionary> dict = sharedDictionary();
    if (names.size() <= s_guessAtOnce && (loadHere || dict->isLoaded())) {
        // The cache file holds the whole book's guesses: reading and writing it for a few
        // names would hold the window up longer than guessing them, so it learns them aside.
        const Guessed guessed = guessAll(names, *dict, {}, nullptr);
        for (std::size_t i = 0; i < names.size(); ++i)
            m_guesses.insert_or_assign(names[i], guessed.guesses[i]);
        if (!m_cachePath.empty())
            m_guesser = std::thread([dict, path = m_cachePath, names = std::move(names),
                                     last = std::move(m_guesser)]() mutable {
                if (last.joinable())
                    last.join();
                keepGuesses(path, guessAll(names, *dict, path, nullptr));
            });
        return;
    }
    m_guessing = true;
    const std::uint64_t run = ++m_run;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    // The last run may still be writing the cache file: the new one waits for it, not the
    // window, and then reads what it wrote.
    m_guesser = std::thread([this, run, cancel = m_cancel, dict, path = m_cachePath,
                             names = std::move(names), last = std::move(m_guesser)]() mutable {
        if (last.joinable())
            last.join();
        Guessed guessed = guessAll(names, *dict, path, cancel.get());
        if (guessed.stopped || cancel->load()) {
            keepGuesses(path, guessed);
            return;
        }
        // The table is made here: a hundred thousand insertions would stop the window.
        Guesses arrived;
        arrived.reserve(names.size());
        for (std::size_t i = 0; i < names.size(); ++i)
            arrived.insert_or_assign(std::move(names[i]), std::move(guessed.guesses[i]));
        // The window gets the guesses first; the file can wait for them.
        QMetaObject::invokeMethod(
            this,
            [this, run, arrived = std::move(arrived)]() mutable {
                takeGuesses(run, std::move(arrived));
            },
            Qt::QueuedConnection);
        keepGuesses(path, guessed);
    });
}

void ContactFinder::takeGuesses(std::uint64_t run, Guesses arrived)
{
    if (run != m_run)
        return;
    m_guessing = false;
    // The index learns the readings that came.
    if (m_built || !m_queue.empty()) {
        std::vector<AddressRecord*> changed;
        for (const auto& record : m_doc.records()) {
            if (arrived.count(record->name()))
                changed.push_back(record.get());
        }
        reindex(changed);
    }
    std::erase_if(m_late, [&arrived](const std::string& name) { return arrived.count(name); });
    if (m_guesses.empty()) {
        m_guesses = std::move(arrived);
    } else {
        while (!arrived.empty()) {
            auto node = arrived.extract(arrived.begin());
            m_guesses.insert_or_assign(std::move(node.key()), std::move(node.mapped()));
        }
    }
    if (!m_late.empty()) {
        std::vector<std::string> late(m_late.begin(), m_late.end());
        m_late.clear();
        guessNames(std::move(late), false);
    }
    emit readingsGuessed();
    if (!m_queue.empty() || !m_given.empty())
        m_slices.start();
    else if (isReady())
        emit searchReady();
}

std::string_view ContactFinder::guessedReading(std::string_view name) const
{
    auto found = m_guesses.find(name);
    if (found == m_guesses.end())
        found = m_guesses.emplace(name, dictionary().guess(Cp932::toUtf8(name))).first;
    return found->second;
}

ContactFinder::Reading ContactFinder::readingOf(std::string_view name) const
{
    const std::string_view stored = m_doc.storedReading(name);
    if (!stored.empty())
        return {stored, false};
    if (const auto found = m_guesses.find(name); found != m_guesses.end())
        return {found->second, !found->second.empty()};
    if (m_guessing) { // the guesser answers for it, late but without holding up the window
        m_late.emplace(name);
        return {};
    }
    const std::string_view guess = guessedReading(name);
    return {guess, !guess.empty()};
}

void ContactFinder::prepare()
{
    if (m_built || !m_queue.empty())
        return;
    m_index.clear();
    m_queue.reserve(m_doc.records().size());
    for (const auto& record : m_doc.records())
        m_queue.push_back(record.get());
    if (m_queue.size() <= s_indexAtOnce && !m_guessing) {
        for (const AddressRecord* record : m_queue)
            index(record);
        finishQueue();
    } else {
        m_slices.start();
    }
}

void ContactFinder::indexSlice()
{
    if (m_guessing) // the readings come first; takeGuesses() goes on
        return;
    const auto deadline = std::chrono::steady_clock::now() + kSlice;
    if (!scanGiven(deadline)) {
        m_slices.start();
        return;
    }
    while (m_queueAt < m_queue.size()) {
        const AddressRecord* record = m_queue[m_queueAt++];
        if (!m_dropped.count(record))
            index(record);
        if (m_queueAt % 32 == 0 && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    if (m_queueAt < m_queue.size()) {
        m_slices.start();
        return;
    }
    finishQueue();
}

void ContactFinder::finishQueue()
{
    m_queue.clear();
    m_queue.shrink_to_fit();
    m_queueAt = 0;
    m_dropped.clear();
    m_built = true;
    if (isReady())
        emit searchReady();
}

void ContactFinder::reset()
{
    m_slices.stop();
    m_given.clear();
    m_givenAt = 0;
    m_index.clear();
    m_queue.clear();
    m_queueAt = 0;
    m_dropped.clear();
    m_built = false;
}

std::vector<AddressRecord*> ContactFinder::filter(const SearchQuery& query,
                                                  std::span<AddressRecord* const> candidates)
{
    if (query.empty())
        return {candidates.begin(), candidates.end()};
    if (!m_built && m_queue.empty())
        prepare();
    // Whatever is still queued is indexed now: this caller waits.
    scanGiven(std::chrono::steady_clock::time_point::max());
    while (m_queueAt < m_queue.size()) {
        const AddressRecord* record = m_queue[m_queueAt++];
        if (!m_dropped.count(record))
            index(record);
    }
    if (!m_queue.empty())
        finishQueue();
    return m_index.filter(query, candidates);
}

std::optional<std::vector<AddressRecord*>>
ContactFinder::filterWhenReady(const SearchQuery& query, std::span<AddressRecord* const> candidates)
{
    if (query.empty())
        return std::vector<AddressRecord*>(candidates.begin(), candidates.end());
    if (!isReady()) {
        prepare();
        if (!isReady())
            return std::nullopt;
    }
    return m_index.filter(query, candidates);
}

void ContactFinder::index(const AddressRecord* record)
{
    m_index.update(record, readingOf(record->name()).text);
}

void ContactFinder::reindex(std::span<AddressRecord* const> records)
{
    if (!m_built && m_queue.empty())
        return; // no index yet
    if (records.size() <= kReindexAtOnce) {
        for (const AddressRecord* record : records) {
            m_dropped.erase(record);
            index(record);
        }
        return;
    }
    for (const AddressRecord* record : records) {
        m_dropped.erase(record);
        m_queue.push_back(record);
    }
    m_slices.start();
}

void ContactFinder::onRecordsAdded(const std::vector<AddressRecord*>& records)
{
    // Many new names (an import into the window) are guessed aside: the list shows the rows at
    // once. Without a window nobody asks for them. So are a few new names among many contacts
    // (people of one name) while the dictionaries are not in yet: loading them here would hold
    // the window up when a sync brings its first contacts into an empty book.
    if (m_aside && !m_guessing && records.size() > s_guessAtOnce)
        guessNames(unguessed(records), false);
    reindex(records);
}

void ContactFinder::onRecordsChanged(const std::vector<AddressRecord*>& records)
{
    reindex(records);
}

void ContactFinder::onRecordsRemoving(const std::vector<const AddressRecord*>& records)
{
    if (!m_built && m_queue.empty())
        return;
    if (!m_given.empty())
        m_givenAt = 0; // the places move: the look starts again
    for (const AddressRecord* record : records) {
        m_index.remove(record);
        if (!m_queue.empty())
            m_dropped.insert(record);
    }
}

void ContactFinder::onGroupRenamed(const QString&, const QString& newName)
{
    const auto group = Text::toCp932(newName);
    if ((!m_built && m_queue.empty()) || !group)
        return;
    std::vector<AddressRecord*> renamed;
    for (const auto& record : m_doc.records()) {
        if (GroupName::equals(*group, record->group()))
            renamed.push_back(record.get());
    }
    reindex(renamed);
}

void ContactFinder::onReadingsGiven(const std::vector<std::string>& names)
{
    if (!m_built && m_queue.empty())
        return;
    if (names.size() > kGivenAtOnce || !m_given.empty()) {
        m_given.insert(names.begin(), names.end());
        m_givenAt = 0; // every contact may bear one of the new names
        m_slices.start();
        return;
    }
    const std::unordered_set<std::string_view> given(names.begin(), names.end());
    std::vector<AddressRecord*> named;
    for (const auto& record : m_doc.records()) {
        if (given.count(record->name()))
            named.push_back(record.get());
    }
    reindex(named);
}

bool ContactFinder::scanGiven(std::chrono::steady_clock::time_point deadline)
{
    const RecordList& records = m_doc.records();
    while (!m_given.empty() && m_givenAt < records.size()) {
        const AddressRecord* record = records.at(m_givenAt++);
        if (m_given.count(record->name())) {
            m_dropped.erase(record);
            m_queue.push_back(record);
        }
        if (m_givenAt % 256 == 0 && m_givenAt < records.size() &&
            std::chrono::steady_clock::now() >= deadline)
            return false;
    }
    m_given.clear();
    m_givenAt = 0;
    return true;
}
