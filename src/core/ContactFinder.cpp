#include "ContactFinder.h"

#include "CVOK_AddressDoc.h"
#include "Text.h"
#include "model/book/GroupName.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/SearchQuery.h"
#include "model/text/Cp932.h"

namespace {

// The installed dictionaries, read once however many books the process opens.
std::shared_ptr<const ReadingDictionary> installedDictionary()
{
    static const auto dictionary = std::make_shared<const ReadingDictionary>();
    return dictionary;
}

} // namespace

ContactFinder::ContactFinder(CVOK_AddressDoc& doc) : m_doc(doc)
{
    connect(
        &doc, &CVOK_AddressDoc::recordsAdded, this,
        [this](const std::vector<AddressRecord*>& records, bool) { onRecordsChanged(records); });
    connect(&doc, &CVOK_AddressDoc::recordsChanged, this, &ContactFinder::onRecordsChanged);
    connect(&doc, &CVOK_AddressDoc::recordsRemoving, this, &ContactFinder::onRecordsRemoving);
    connect(&doc, &CVOK_AddressDoc::groupRenamed, this, &ContactFinder::onGroupRenamed);
    connect(&doc, &CVOK_AddressDoc::readingChanged, this, &ContactFinder::onReadingChanged);
}

ContactFinder::~ContactFinder()
{
    joinLoader();
}

void ContactFinder::joinLoader()
{
    if (m_loader.joinable())
        m_loader.join();
}

void ContactFinder::setDictionary(std::shared_ptr<const ReadingDictionary> dictionary)
{
    joinLoader();
    m_dictionary = std::move(dictionary);
    m_guesses.clear();
    if (m_built) // the readings in the index were guessed by the old one
        prepare();
}

void ContactFinder::preloadDictionary()
{
    if (m_loader.joinable())
        return;
    // The thread owns a share of the dictionary: it may outlive a replacement.
    std::shared_ptr<const ReadingDictionary> dictionary =
        m_dictionary ? m_dictionary : installedDictionary();
    m_dictionary = dictionary;
    m_loader = std::thread([dictionary] { dictionary->load(); });
}

const ReadingDictionary& ContactFinder::dictionary() const
{
    if (!m_dictionary)
        m_dictionary = installedDictionary();
    return *m_dictionary;
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
    const std::string_view guess = guessedReading(name);
    return {guess, !guess.empty()};
}

void ContactFinder::prepare()
{
    m_index.build(m_doc.records(),
                  [this](const AddressRecord& r) { return std::string(readingOf(r.name()).text); });
    m_built = true;
}

void ContactFinder::reset()
{
    m_index.clear();
    m_built = false;
}

std::vector<AddressRecord*> ContactFinder::filter(const SearchQuery& query,
                                                  std::span<AddressRecord* const> candidates)
{
    if (query.empty())
        return {candidates.begin(), candidates.end()};
    if (!m_built)
        prepare();
    return m_index.filter(query, candidates);
}

void ContactFinder::index(const AddressRecord* record)
{
    m_index.update(record, readingOf(record->name()).text);
}

void ContactFinder::onRecordsChanged(const std::vector<AddressRecord*>& records)
{
    if (!m_built)
        return;
    for (const AddressRecord* record : records)
        index(record);
}

void ContactFinder::onRecordsRemoving(const std::vector<const AddressRecord*>& records)
{
    if (!m_built)
        return;
    for (const AddressRecord* record : records)
        m_index.remove(record);
}

void ContactFinder::onGroupRenamed(const QString&, const QString& newName)
{
    const auto group = Text::toCp932(newName);
    if (!m_built || !group)
        return;
    for (const auto& record : m_doc.records()) {
        if (GroupName::equals(*group, record->group()))
            index(record.get());
    }
}

void ContactFinder::onReadingChanged(const std::string& name)
{
    if (!m_built)
        return;
    for (const auto& record : m_doc.records()) {
        if (record->name() == name)
            index(record.get());
    }
}
