#pragma once

#include "model/search/GuessCache.h"
#include "model/search/SearchIndex.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

class AddressRecord;
class CVOK_AddressDoc;
class ReadingDictionary;
class SearchQuery;

// Finds contacts for the search field and the command line, and knows the reading of every
// name: the one the user stored, else the one guessed from the name dictionaries. A guess is
// only offered; it is never stored.
//
// Many names at once (the book at the start, a large import) are guessed on a worker thread,
// from the guesses kept in the cache file when they are there: until readingsGuessed() such a
// name has no reading. The search index is built on the first search (or prepare()), at once
// for a small book, else a slice at a time on the interface thread, and from then on follows
// the book's announcements; a book loaded anew drops it (reset()).
//
//     ContactFinder& finder = doc.finder();
//     finder.guessInBackground();                       // readingsGuessed() follows
//     const auto shown = finder.filter(SearchQuery("やまだ"), groupRecords);
//     finder.readingOf(record->name()).text;            // "やまだ たろう"
class ContactFinder : public QObject
{
    Q_OBJECT
public:
    struct Reading
    {
        std::string_view text; // UTF-8; valid until the next change of readings
        bool guessed = false;
    };

    // More names than this are guessed aside, more records indexed a slice at a time.
    static constexpr std::size_t GuessAtOnce = 200;
    static constexpr std::size_t IndexAtOnce = 2000;

    explicit ContactFinder(CVOK_AddressDoc& doc);
    ~ContactFinder() override;

    // The dictionaries behind the guesses: the installed ones unless told otherwise.
    void setDictionary(std::shared_ptr<const ReadingDictionary> dictionary);
    // The file that keeps guesses between runs (GuessCache); empty: none.
    void setGuessCache(std::string path);
    // Reads the dictionaries on a worker thread, so that the first guess need not wait for them.
    void preloadDictionary();

    // Guesses the readings of the book's names that have none yet: on a worker thread when they
    // are many, else at once.
    void guessInBackground();
    // The same for a book just read, with its names that have no stored reading (each once),
    // found on the thread that read it.
    void guessInBackground(std::vector<std::string> unread);
    bool isGuessing() const { return m_guessing; }
    // The end of a run: guesses already made are taken in, a guesser still at work stops and
    // keeps what it guessed in the cache file. True when every name asked for has its guess.
    bool endGuessing();
    // Tests: how many names are guessed, and records indexed, on the spot (more go aside).
    static void setAtOnceForTesting(std::size_t names, std::size_t records);
    // Tests: the guesser waits after so many new guesses until it is stopped.
    static void holdGuessingForTesting(std::size_t afterNames);

    // The reading of a name (CP932): the stored one, else the guess; empty when neither, or
    // while the name waits for its guess.
    Reading readingOf(std::string_view name) const;
    // The guess alone (UTF-8), whatever is stored; empty when the dictionaries know no reading.
    std::string_view guessedReading(std::string_view name) const;

    // The candidates that match every word of the query, in their order; builds what is
    // missing of the index first.
    std::vector<AddressRecord*> filter(const SearchQuery& query,
                                       std::span<AddressRecord* const> candidates);
    // The same without waiting: nothing while the index or the readings are still coming
    // (searchReady() follows).
    std::optional<std::vector<AddressRecord*>>
    filterWhenReady(const SearchQuery& query, std::span<AddressRecord* const> candidates);
    // Starts building the index rather than on the first search.
    void prepare();
    bool isPrepared() const { return m_built; }
    // The index holds every record with its reading.
    bool isReady() const { return m_built && m_queue.empty() && m_given.empty() && !m_guessing; }
    // The book's records were replaced: the index is built again when next needed.
    void reset();

signals:
    // Names that had no reading have their guesses now.
    void readingsGuessed();
    // The index is whole again: a search that could not be answered can be now.
    void searchReady();

private:
    using Guesses = GuessCache::Map;

    const ReadingDictionary& dictionary() const;
    std::shared_ptr<const ReadingDictionary> sharedDictionary() const;
    void joinLoader();
    void stopGuessing();
    // Names of these records that have neither a stored reading nor a guess yet.
    std::vector<std::string> unguessed(std::span<AddressRecord* const> records) const;
    // loadHere: a few names may be guessed on this thread even when that loads the
    // dictionaries first.
    void guessNames(std::vector<std::string> names, bool loadHere = true);
    void takeGuesses(std::uint64_t run, Guesses arrived);
    void index(const AddressRecord* record);
    // Indexes the records at once when they are few, else queues them for the slices.
    void reindex(std::span<AddressRecord* const> records);
    void indexSlice();
    // Queues the contacts whose names were given readings, until the deadline; true when all
    // are queued.
    bool scanGiven(std::chrono::steady_clock::time_point deadline);
    void finishQueue();
    void onRecordsChanged(const std::vector<AddressRecord*>& records);
    void onRecordsAdded(const std::vector<AddressRecord*>& records);
    void onRecordsRemoving(const std::vector<const AddressRecord*>& records);
    void onGroupRenamed(const QString& oldName, const QString& newName);
    void onReadingsGiven(const std::vector<std::string>& names);

    CVOK_AddressDoc& m_doc;
    mutable std::shared_ptr<const ReadingDictionary> m_dictionary;
    std::string m_cachePath;
    std::thread m_loader;
    std::thread m_guesser;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::uint64_t m_run = 0; // which run of the guesser an answer belongs to
    bool m_guessing = false;
    bool m_aside = false;      // a window wants the readings of many names guessed aside
    mutable Guesses m_guesses; // by name: the dictionaries never change during a run
    // Names asked for while the guesser ran that it was not told of.
    mutable std::unordered_set<std::string, GuessCache::NameHash, std::equal_to<>> m_late;

    SearchIndex m_index;
    bool m_built = false;
    // Records still to be indexed, a slice at a time; those removed meanwhile are skipped.
    std::vector<const AddressRecord*> m_queue;
    std::size_t m_queueAt = 0;
    std::unordered_set<const AddressRecord*> m_dropped;
    // Names given readings whose contacts are still to be found, from the book's m_givenAt on.
    std::unordered_set<std::string, GuessCache::NameHash, std::equal_to<>> m_given;
    std::size_t m_givenAt = 0;
    QTimer m_slices;
};
