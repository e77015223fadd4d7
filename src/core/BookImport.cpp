#include "BookImport.h"

#include "CVOK_AddressDoc.h"
#include "ContactFinder.h"
#include "Text.h"
#include "model/book/GroupName.h"
#include "model/exchange/ContentSniffer.h"
#include "model/exchange/ExchangeText.h"
#include "model/exchange/vcard/VCardReader.h"
#include "model/io/FileIo.h"
#include "model/match/ContactMatcher.h"
#include "model/match/ContactMerge.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <unordered_map>
#include <unordered_set>

namespace {

std::unordered_set<std::string> keysOf(const std::vector<std::string>& names)
{
    std::unordered_set<std::string> keys;
    for (const std::string& name : names)
        keys.insert(GroupName::foldedKey(name));
    return keys;
}

QString fieldName(int field)
{
    const std::string_view name = ExchangeText::FieldNames.at(std::size_t(field));
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// A group name the tree can show and give back as the same bytes.
bool representable(const std::string& cp932)
{
    return Text::toCp932(Text::fromCp932(cp932)) == cp932;
}

std::size_t s_importSlice = BookImport::ImportSlice;
std::size_t s_mostSlices = BookImport::MostSlices;
std::size_t s_largestSlice = BookImport::LargestSlice;

std::size_t sliceOf(std::size_t count, bool sliced)
{
    return sliced ? BookImport::SliceOf(count, s_importSlice, s_mostSlices, s_largestSlice)
                  : std::max<std::size_t>(count, 1);
}

} // namespace

std::size_t BookImport::SliceOf(std::size_t count, std::size_t least, std::size_t most,
                                std::size_t largest)
{
    most = std::max<std::size_t>(most, 1);
    const std::size_t slice = std::max(least, (count + most - 1) / most);
    return std::clamp<std::size_t>(slice, 1, std::max<std::size_t>(largest, 1));
}

void BookImport::setImportSliceForTesting(std::size_t records, std::size_t mostSlices,
                                          std::size_t largest)
{
    s_importSlice = std::max<std::size_t>(records, 1);
    s_mostSlices = std::max<std::size_t>(mostSlices, 1);
    s_largestSlice = std::max<std::size_t>(largest, 1);
}

BookImport::BookImport(CVOK_AddressDoc& doc) : m_doc(doc)
{
    // An import compares with the whole book, never with one still being read.
    doc.FinishLoad();
    // A contact taken out of the book meanwhile is not moved later.
    m_removing = QObject::connect(&doc, &CVOK_AddressDoc::recordsRemoving,
                                  [this](const std::vector<const AddressRecord*>& gone) {
                                      const std::unordered_set<const AddressRecord*> set(
                                          gone.begin(), gone.end());
                                      for (Added& a : m_added) {
                                          if (set.count(a.record))
                                              a.record = nullptr;
                                      }
                                  });
}

BookImport::~BookImport()
{
    QObject::disconnect(m_removing);
}

BookImport::Kind BookImport::load(const QString& path, const LoadProgress& progress)
{
    m_bytes.clear();
    if (FileIo::readFile(QFile::encodeName(path).toStdString(), m_bytes, ForeignCsv::MaxFileBytes,
                         progress) != 0)
        return m_kind = Kind::Unreadable;
    switch (ContentSniffer::sniff(std::string_view(m_bytes).substr(0, 4096))) {
    case ContentSniffer::Kind::VCard:
        return m_kind = Kind::VCard;
    case ContentSniffer::Kind::Unknown:
        return m_kind = Kind::NotText;
    case ContentSniffer::Kind::Csv:
        break;
    }
    return m_kind = ForeignCsv::isOwnFormat(m_bytes) ? Kind::OwnCsv : Kind::ForeignCsv;
}

std::vector<std::string> BookImport::knownGroups() const
{
    std::vector<std::string> known;
    for (const QString& name : m_doc.groupNames()) {
        if (auto bytes = Text::toCp932(name))
            known.push_back(std::move(*bytes));
    }
    return known;
}

ImportResult BookImport::parse(const ForeignCsv::Plan* plan, const std::vector<std::string>& known,
                               const CsvFile::Progress& progress) const
{
    switch (m_kind) {
    case Kind::VCard:
        return VCardReader::read(m_bytes, known);
    case Kind::OwnCsv:
        return CsvFile::ImportText(m_bytes, progress);
    case Kind::ForeignCsv:
        return ForeignCsv::apply(m_bytes, plan ? *plan : ForeignCsv::guessPlan(m_bytes), known,
                                 SIZE_MAX, progress);
    case Kind::Unreadable:
    case Kind::NotText:
        break;
    }
    return ImportResult();
}

const ImportResult& BookImport::read(const ForeignCsv::Plan* plan,
                                     const CsvFile::Progress& progress,
                                     const std::function<void()>& waiting)
{
    const std::vector<std::string> known = knownGroups();
    if (!waiting) {
        m_result = parse(plan, known, progress);
    } else {
        // The reader touches only the bytes and its own result; progress crosses over by value.
        std::atomic<std::size_t> lines{0};
        std::atomic<std::uint64_t> done{0};
        std::atomic<std::uint64_t> total{0};
        const CsvFile::Progress note = [&](std::size_t l, std::uint64_t d, std::uint64_t t) {
            lines = l;
            done = d;
            total = t;
        };
        std::future<ImportResult> reader =
            std::async(std::launch::async, [&] { return parse(plan, known, note); });
        while (reader.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
            if (progress && total > 0)
                progress(lines, done, total);
            waiting();
        }
        m_result = reader.get();
    }
    // The contacts are what the book takes; the file's bytes are not needed beside them.
    std::string().swap(m_bytes);
    if (!findInBook(waiting))
        findInBook({});
    return m_result;
}

void BookImport::putAllInto(const QString& group)
{
    m_allInto = group;
}

std::unordered_set<const AddressRecord*> BookImport::foundInBook() const
{
    // One pass over the book: asking it for each of thousands would be a pass each.
    std::unordered_set<const AddressRecord*> found;
    for (const Found& f : m_found)
        found.insert(f.existing);
    std::unordered_set<const AddressRecord*> there;
    if (found.empty())
        return there;
    for (const auto& record : m_doc.records()) {
        if (found.count(record.get()))
            there.insert(record.get());
    }
    return there;
}

std::size_t BookImport::add(const std::function<void()>& between)
{
    // The window answers before anything is decided, and again before the readings.
    if (between)
        between();
    const std::unordered_set<std::string> known = keysOf(knownGroups());
    const std::string root = Text::toCp932Lossy(CVOK_AddressDoc::RootName);
    const std::string other = Text::toCp932Lossy(CVOK_AddressDoc::OtherGroup);
    const std::string into = Text::toCp932(m_allInto).value_or(std::string());
    std::vector<std::unique_ptr<AddressRecord>>& records = m_result.records;
    const auto nameOf = [&](std::size_t contact) {
        return contact < records.size() ? Text::fromCp932(records[contact]->name()) : QString();
    };
    for (const ImportResult::Replacement& r : m_result.replaced)
        m_replaced.append(
            {nameOf(r.contact), fieldName(r.field), QString::fromStdString(r.character)});
    for (const ImportResult::Cut& c : m_result.cut)
        m_cut.append({nameOf(c.contact), fieldName(c.field), {}});
    for (const ImportResult::InMemo& m : m_result.inMemo)
        m_inMemo.append(
            {nameOf(m.contact), fieldName(AddressRecord::Memo), QString::fromStdString(m.lines)});

    // Merges and updates first, on the contacts as they stand. Thousands take a while: the
    // window answers meanwhile, and a change to the book then means deciding again at once.
    std::vector<bool> takenIn;
    std::vector<std::pair<AddressRecord*, AddressRecord>> changes;
    if (!decideMerges(takenIn, changes, between))
        decideMerges(takenIn, changes, {});
    // Applied at once, before anything else can change those contacts, as one change that the
    // new contacts join.
    bool join = m_doc.MergeRecords(std::move(changes)) > 0;

    std::vector<std::unique_ptr<AddressRecord>> fresh;
    std::vector<std::pair<std::string, std::string>> readings;
    m_added.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const bool leaveOut = i < m_leaveOut.size() && m_leaveOut[i];
        if (i < m_result.readings.size() && !m_result.readings[i].empty() && !leaveOut)
            readings.emplace_back(records[i]->name(), std::move(m_result.readings[i]));
        if (takenIn[i] || leaveOut)
            continue;
        AddressRecord& record = *records[i];
        std::string wanted =
            i < m_result.wantedGroups.size() ? std::move(m_result.wantedGroups[i]) : "";
        if (!into.empty()) {
            record.setField(AddressRecord::Group, into);
            wanted.clear();
        }
        const std::string group(record.group());
        if (!known.count(GroupName::foldedKey(group))) {
            // The root stands for everyone and is never created.
            if (!GroupName::equals(group, root))
                wanted = group;
            record.setField(AddressRecord::Group, other);
        }
        m_added.push_back({&record, std::move(wanted)});
        fresh.push_back(std::move(records[i]));
    }
    // Of a large file, only what the book and the summary keep stays while the list fills.
    std::vector<std::string>().swap(m_result.wantedGroups);
    std::vector<std::string>().swap(m_result.readings);
    // The new contacts, the merges and the updates are one step for Ctrl+Z. Thousands of rows
    // take the list and the search longer than a frame: they come a slice at a time, and the
    // window answers between the slices.
    const std::size_t slice = sliceOf(fresh.size(), bool(between));
    for (std::size_t at = 0; at < fresh.size(); at += slice) {
        const auto from = fresh.begin() + std::ptrdiff_t(at);
        const auto to = fresh.begin() + std::ptrdiff_t(std::min(at + slice, fresh.size()));
        if (join && between)
            between();
        m_doc.JoinChanges(join && at == 0);
        m_doc.ImportRecords({std::make_move_iterator(from), std::make_move_iterator(to)}, at > 0);
        join = true;
    }
    m_doc.JoinChanges(false);
    std::vector<std::unique_ptr<AddressRecord>>().swap(records);
    if (between)
        between();
    // A reading the user gave the name already stays.
    std::erase_if(readings,
                  [this](const auto& r) { return !m_doc.storedReading(r.first).empty(); });
    m_doc.SetReadings(readings);
    return m_added.size();
}

bool BookImport::decideMerges(std::vector<bool>& takenIn,
                              std::vector<std::pair<AddressRecord*, AddressRecord>>& changes,
                              const std::function<void()>& between)
{
    const std::vector<std::unique_ptr<AddressRecord>>& records = m_result.records;
    takenIn.assign(records.size(), false);
    changes.clear();
    m_merged = m_updated = m_skipped = m_mergesAdded = 0;
    bool stale = false;
    QObject guard;
    if (between) {
        QObject::connect(&m_doc, &CVOK_AddressDoc::recordsRemoving, &guard,
                         [&stale] { stale = true; });
        QObject::connect(&m_doc, &CVOK_AddressDoc::recordsChanged, &guard,
                         [&stale] { stale = true; });
    }
    auto last = std::chrono::steady_clock::now();
    // A contact the file names twice takes both: the second merges into the first's result.
    std::unordered_map<const AddressRecord*, std::size_t> changeOf;
    const std::unordered_set<const AddressRecord*> stillThere = foundInBook();
    for (qsizetype i = 0; i < m_found.size(); ++i) {
        if (between && i % 64 == 0 &&
            std::chrono::steady_clock::now() - last >= std::chrono::milliseconds(10)) {
            between();
            if (stale)
                return false;
            last = std::chrono::steady_clock::now();
        }
        const Found& f = m_found[i];
        if (!stillThere.count(f.existing))
            continue;
        auto* existing = const_cast<AddressRecord*>(f.existing);
        if (f.action == Duplicate::Skip) {
            takenIn[f.contact] = true;
            ++m_skipped;
            continue;
        }
        if (f.action != Duplicate::Merge)
            continue;
        const auto earlier = changeOf.find(existing);
        const AddressRecord& current =
            earlier != changeOf.end() ? changes[earlier->second].second : *existing;
        AddressRecord value;
        if (f.sameUid) {
            value = ContactMerge::update(current, *records[f.contact]);
            ++m_updated;
        } else if (ContactMerge::fill(current, *records[f.contact], value)) {
            ++m_merged;
        } else {
            ++m_mergesAdded;
            continue;
        }
        takenIn[f.contact] = true;
        if (earlier != changeOf.end()) {
            changes[earlier->second].second = std::move(value);
        } else {
            changeOf.emplace(existing, changes.size());
            changes.emplace_back(existing, std::move(value));
        }
    }
    // The merges follow at once: the window has answered just before them.
    if (between) {
        between();
        if (stale)
            return false;
    }
    return true;
}

void BookImport::setAction(qsizetype found, Duplicate action)
{
    if (found >= 0 && found < m_found.size())
        m_found[found].action = action;
}

void BookImport::setAllActions(Duplicate action)
{
    for (Found& f : m_found)
        f.action = action;
}

bool BookImport::findInBook(const std::function<void()>& waiting)
{
    m_found.clear();
    m_unchanged = 0;
    const std::vector<std::unique_ptr<AddressRecord>>& records = m_result.records;
    m_leaveOut.assign(records.size(), false);
    if (records.empty() || m_doc.records().empty())
        return true;
    // Between slices the window answers; a contact that changes or goes meanwhile would leave
    // stale keys or a pointer to nothing behind.
    bool stale = false;
    QObject guard;
    if (waiting) {
        QObject::connect(&m_doc, &CVOK_AddressDoc::recordsRemoving, &guard,
                         [&stale] { stale = true; });
        QObject::connect(&m_doc, &CVOK_AddressDoc::recordsChanged, &guard,
                         [&stale] { stale = true; });
    }
    auto last = std::chrono::steady_clock::now();
    const auto pause = [&](std::size_t i) {
        if (!waiting || i % 64 != 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(10))
            return;
        waiting();
        last = std::chrono::steady_clock::now();
    };

    ContactMatcher book;
    std::vector<const AddressRecord*> existing;
    book.reserve(m_doc.records().size());
    existing.reserve(m_doc.records().size());
    const ContactFinder& finder = m_doc.finder();
    for (const auto& r : m_doc.records()) {
        book.add(ContactMatcher::keysOf(*r, finder.readingOf(r->name()).text));
        existing.push_back(r.get());
        pause(existing.size());
        if (stale)
            return false;
    }
    // The file's contacts against the book's keys: data of their own, fit for a worker.
    std::vector<std::vector<ContactMatcher::Candidate>> near(records.size());
    const auto match = [&] {
        for (std::size_t i = 0; i < records.size(); ++i) {
            const std::string reading = i < m_result.readings.size() ? m_result.readings[i] : "";
            near[i] = book.find(ContactMatcher::keysOf(*records[i], reading));
        }
        // The book's keys are a hundred thousand small strings: freed here, not in the window.
        book = ContactMatcher();
    };
    if (waiting) {
        std::future<void> matching = std::async(std::launch::async, match);
        while (matching.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            waiting();
        matching.get();
        if (stale)
            return false;
    } else {
        match();
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        pause(i + 1);
        if (stale)
            return false;
        const AddressRecord& incoming = *records[i];
        Found f{i,  nullptr,          false, false, 0, Text::fromCp932(incoming.name()), {},
                {}, Duplicate::AddNew};
        std::vector<ContactMerge::Difference> diffs;
        if (!incoming.uid().isNull()) {
            if (const AddressRecord* same = m_doc.findByUid(incoming.uid())) {
                f.existing = same;
                f.sameUid = f.certain = true;
                f.reasons = ContactMatcher::SameUid;
                const AddressRecord updated = ContactMerge::update(*same, incoming, &diffs);
                if (updated == *same) {
                    m_leaveOut[i] = true;
                    ++m_unchanged;
                    continue;
                }
            }
        }
        if (!f.existing) {
            const std::vector<ContactMatcher::Candidate>& candidates = near[i];
            bool held = false;
            for (const ContactMatcher::Candidate& c : candidates) {
                // Everything the file says of it is in the book already.
                AddressRecord filled;
                const AddressRecord& there = *existing[c.index];
                if (ContactMerge::fill(there, incoming, filled) && filled == there) {
                    held = true;
                    break;
                }
            }
            if (held) {
                m_leaveOut[i] = true;
                ++m_unchanged;
                continue;
            }
            if (candidates.empty() ||
                candidates.front().match.confidence < ContactMatcher::Confidence::Likely)
                continue;
            f.existing = existing[candidates.front().index];
            f.reasons = candidates.front().match.reasons;
            f.certain = candidates.front().match.confidence == ContactMatcher::Confidence::Certain;
            diffs = ContactMerge::differences(*f.existing, incoming);
        }
        for (const ContactMerge::Difference& d : diffs)
            f.differences.append(
                {fieldName(d.field), Text::fromCp932(d.kept), Text::fromCp932(d.other)});
        f.action = f.certain ? Duplicate::Merge : Duplicate::AddNew;
        f.bookName = Text::fromCp932(f.existing->name());
        m_found.append(std::move(f));
    }
    return true;
}

QStringList BookImport::missingGroups() const
{
    // By key: a file may name thousands of groups.
    std::unordered_set<std::string> seen = keysOf(knownGroups());
    QStringList names;
    for (const Added& a : m_added) {
        if (a.record && !a.wantedGroup.empty() && representable(a.wantedGroup) &&
            seen.insert(GroupName::foldedKey(a.wantedGroup)).second)
            names << Text::fromCp932(a.wantedGroup);
    }
    return names;
}

QStringList BookImport::createGroups(const QStringList& names, const std::function<void()>& between)
{
    std::unordered_map<std::string, std::string> chosen; // key -> the name as the user chose it
    for (const QString& name : names) {
        const std::optional<std::string> bytes = Text::toCp932(name);
        if (bytes && !bytes->empty())
            chosen.emplace(GroupName::foldedKey(*bytes), *bytes);
    }
    std::vector<CVOK_AddressDoc::GroupMove> moves;
    for (Added& a : m_added) {
        if (!a.record || a.wantedGroup.empty())
            continue;
        const auto it = chosen.find(GroupName::foldedKey(a.wantedGroup));
        if (it == chosen.end())
            continue;
        moves.push_back({a.record, it->second});
        a.wantedGroup.clear();
    }
    // The groups and the moves are one change, and one Ctrl+Z takes it back with the import;
    // thousands of moves come a slice at a time, as the contacts did.
    const std::size_t slice = sliceOf(moves.size(), bool(between));
    QStringList created;
    for (std::size_t at = 0; at == 0 || at < moves.size(); at += slice) {
        if (at > 0 && between)
            between();
        const auto from = moves.begin() + std::ptrdiff_t(std::min(at, moves.size()));
        const auto to = moves.begin() + std::ptrdiff_t(std::min(at + slice, moves.size()));
        m_doc.JoinChanges(!m_added.empty());
        const QStringList made =
            m_doc.CreateGroups(at == 0 ? names : QStringList(), {from, to}, at > 0);
        m_doc.JoinChanges(false);
        created << made;
    }
    return created;
}

QList<BookImport::UnreadNote> BookImport::unread() const
{
    QList<UnreadNote> notes;
    for (const ImportResult::Unread& u : m_result.unread)
        notes.append({qsizetype(u.line), QString::fromStdString(u.text), u.joined});
    return notes;
}

QList<BookImport::LineNote> BookImport::refused() const
{
    QList<LineNote> notes;
    for (const ImportResult::Refusal& r : m_result.refused)
        notes.append(
            {qsizetype(r.line), QString::fromUtf8(r.reason.data(), qsizetype(r.reason.size()))});
    return notes;
}
