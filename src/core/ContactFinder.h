#pragma once

#include "model/search/SearchIndex.h"

#include <QObject>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

class AddressRecord;
class CVOK_AddressDoc;
class ReadingDictionary;
class SearchQuery;

// Finds contacts for the search field and the command line, and knows the reading of every
// name: the one the user stored, else the one guessed from the name dictionaries. A guess is
// only offered; it is never stored.
//
// The search index is built on the first search (or prepare()) and from then on follows the
// book's announcements one record at a time; a book loaded anew drops it (reset()).
//
//     ContactFinder& finder = doc.finder();
//     const auto shown = finder.filter(SearchQuery("やまだ"), groupRecords);
//     finder.readingOf(record->name()).text;     // "やまだ たろう"
class ContactFinder : public QObject
{
    Q_OBJECT
public:
    struct Reading
    {
        std::string_view text; // UTF-8; valid until the next change of readings
        bool guessed = false;
    };

    explicit ContactFinder(CVOK_AddressDoc& doc);
    ~ContactFinder() override;

    // The dictionaries behind the guesses: the installed ones unless told otherwise.
    void setDictionary(std::shared_ptr<const ReadingDictionary> dictionary);
    // Reads the dictionaries on a worker thread, so that the first guess need not wait for them.
    void preloadDictionary();

    // The reading of a name (CP932): the stored one, else the guess; empty when neither.
    Reading readingOf(std::string_view name) const;
    // The guess alone (UTF-8), whatever is stored; empty when the dictionaries know no reading.
    std::string_view guessedReading(std::string_view name) const;

    // The candidates that match every word of the query, in their order.
    std::vector<AddressRecord*> filter(const SearchQuery& query,
                                       std::span<AddressRecord* const> candidates);
    // Builds the index now rather than on the first search.
    void prepare();
    bool isPrepared() const { return m_built; }
    // The book's records were replaced: the index is built again when next needed.
    void reset();

private:
    struct NameHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const
        {
            return std::hash<std::string_view>{}(s);
        }
    };
    using Guesses = std::unordered_map<std::string, std::string, NameHash, std::equal_to<>>;

    const ReadingDictionary& dictionary() const;
    void joinLoader();
    void index(const AddressRecord* record);
    void onRecordsChanged(const std::vector<AddressRecord*>& records);
    void onRecordsRemoving(const std::vector<const AddressRecord*>& records);
    void onGroupRenamed(const QString& oldName, const QString& newName);
    void onReadingChanged(const std::string& name);

    CVOK_AddressDoc& m_doc;
    mutable std::shared_ptr<const ReadingDictionary> m_dictionary;
    std::thread m_loader;
    mutable Guesses m_guesses; // by name: the dictionaries never change during a run
    SearchIndex m_index;
    bool m_built = false;
};
