#pragma once

#include "model/exchange/ImportResult.h"
#include "model/exchange/csv/CsvFile.h"
#include "model/exchange/csv/ForeignCsv.h"

#include <QList>
#include <QMetaObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

class AddressRecord;
class CVOK_AddressDoc;

// One import of a vCard or CSV file into the book, the same for the import command, files
// dropped on the window and the command line. The file's content decides how it is read, never
// its name.
//
//     BookImport import(doc);
//     switch (import.load(path)) { case BookImport::Kind::ForeignCsv: the preview's plan ... }
//     import.read(&plan, progress);
//     import.add();                                  // one step for Ctrl+Z, then the readings
//     import.createGroups(import.missingGroups());   // or the groups the user ticked
//
// A contact whose group the book lacks goes into "Other" and remembers the group it wanted;
// creating that group moves it there.
class BookImport
{
public:
    enum class Kind
    {
        Unreadable, // missing, unreadable, too large, not a regular file
        NotText,    // neither vCard nor CSV
        VCard,
        OwnCsv,     // the program's own CP932 file: imported at once
        ForeignCsv, // any other CSV: the preview decides the plan
    };

    // A line of the summary about one contact's field.
    struct FieldNote
    {
        QString contact; // the contact's name as imported
        QString field;   // the field's name
        QString detail;  // the character replaced by 〓; empty for a cut value
    };
    struct LineNote
    {
        qsizetype line;
        QString reason;
    };
    // A line of a vCard that is no property: its text, and whether it went on a note.
    struct UnreadNote
    {
        qsizetype line;
        QString text;
        bool joined;
    };

    // What becomes of a contact of the file that seems to be in the book already.
    enum class Duplicate
    {
        Skip,
        Merge,  // empty fields filled, differing values kept in the memo; by UID: updated
        AddNew, // a contact of its own
    };
    // Two values of a field, the book's and the file's.
    struct Difference
    {
        QString field;
        QString book;
        QString file;
    };
    // A contact of the file and the one of the book it seems to be.
    struct Found
    {
        std::size_t contact; // index into the file's contacts
        const AddressRecord* existing;
        bool sameUid;     // the card carries the contact's UID: an update
        bool certain;     // the same name and phone, e-mail or address (or UID)
        unsigned reasons; // ContactMatcher::Reason bits
        QString name;     // the file's
        QString bookName; // the book's, as it was found
        QList<Difference> differences;
        Duplicate action;
    };

    // With a window, add() hands the book this many new contacts at a time, in this many slices
    // at most (each slice costs a pass over the whole book too), and never more than
    // LargestSlice at a time (its rows alone would hold the window up): a huge file comes in
    // more slices.
    static constexpr std::size_t ImportSlice = 500;
    static constexpr std::size_t MostSlices = 20;
    static constexpr std::size_t LargestSlice = 2500;
    static void setImportSliceForTesting(std::size_t records, std::size_t mostSlices,
                                         std::size_t largest = LargestSlice);
    // How many of `count` new contacts go into the book at once when the window answers
    // between slices: at least `least`, in at most `most` slices, at most `largest`.
    static std::size_t SliceOf(std::size_t count, std::size_t least, std::size_t most = MostSlices,
                               std::size_t largest = LargestSlice);

    explicit BookImport(CVOK_AddressDoc& doc);
    ~BookImport();
    BookImport(const BookImport&) = delete;
    BookImport& operator=(const BookImport&) = delete;

    // Bytes read so far, of how many.
    using LoadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
    Kind load(const QString& path, const LoadProgress& progress = {});
    Kind kind() const { return m_kind; }
    // The file as read, until read() takes the contacts from it.
    const std::string& bytes() const { return m_bytes; }
    // The groups of the book (and the root) in CP932: what a file's group may name.
    std::vector<std::string> knownGroups() const;

    // Reads the contacts; a foreign CSV as the plan says (null: as guessed). Progress comes for
    // CSV files, which can be large. Then looks for each of them in the book: one the book
    // holds all of already is left out (a file imported twice changes nothing); one that seems
    // to be in it is found() and, unless told otherwise, merged when certain, else added.
    // With `waiting`, the file is read on a worker thread and waiting (and progress) run on
    // this one every few milliseconds until it is read: a window keeps painting meanwhile.
    const ImportResult& read(const ForeignCsv::Plan* plan = nullptr,
                             const CsvFile::Progress& progress = {},
                             const std::function<void()>& waiting = {});
    // Every contact goes into this group rather than the file's (before add()).
    void putAllInto(const QString& group);
    // The contacts of the file that seem to be in the book, in file order.
    const QList<Found>& found() const { return m_found; }
    void setAction(qsizetype found, Duplicate action);
    void setAllActions(Duplicate action);
    // Contacts of the file the book holds all of already: left out.
    std::size_t unchanged() const { return m_unchanged; }
    // Adds what read() found to the book as one import (one undo step with the merges and
    // updates), and the readings of names that have none yet. Returns how many contacts came
    // in as new ones. between runs before the contacts come in, between slices of many of them
    // and again after, before their readings: a window lets itself paint there.
    std::size_t add(const std::function<void()>& between = {});

    // The groups that contacts wanted and the book lacks, each once, in file order.
    QStringList missingGroups() const;
    // Creates these groups and moves the contacts that wanted them there; returns the groups
    // created. With `between`, many moves are made a slice at a time, between running between
    // the slices (a window paints there).
    QStringList createGroups(const QStringList& names, const std::function<void()>& between = {});

    // What the summary tells.
    std::size_t added() const { return m_added.size(); }
    const QList<FieldNote>& replaced() const { return m_replaced; }
    const QList<FieldNote>& cut() const { return m_cut; }
    QList<LineNote> refused() const;
    QList<UnreadNote> unread() const;
    // Per contact, the values that went into the memo (contact, and the memo's lines in detail).
    const QList<FieldNote>& inMemo() const { return m_inMemo; }
    std::size_t photosSkipped() const { return m_result.photosSkipped; }
    std::size_t merged() const { return m_merged; }
    std::size_t updated() const { return m_updated; }
    std::size_t skipped() const { return m_skipped; }
    // Merges the memo could not take: added as new contacts instead.
    std::size_t mergesAdded() const { return m_mergesAdded; }

private:
    struct Added
    {
        AddressRecord* record;
        std::string wantedGroup; // CP932; empty when the contact has its group
    };

    ImportResult parse(const ForeignCsv::Plan* plan, const std::vector<std::string>& known,
                       const CsvFile::Progress& progress) const;
    // With `waiting`, a slice at a time and the matching on a worker; false when the book
    // changed meanwhile (the caller looks again at once).
    bool findInBook(const std::function<void()>& waiting);
    // What becomes of each contact found alike (takenIn: merged, updated or left out, by
    // contact) and the merged values, with the summary's counts. With `between`, run every few
    // milliseconds; false when the book changed meanwhile (the caller decides again at once).
    bool decideMerges(std::vector<bool>& takenIn,
                      std::vector<std::pair<AddressRecord*, AddressRecord>>& changes,
                      const std::function<void()>& between);
    // The contacts found alike that the book still holds.
    std::unordered_set<const AddressRecord*> foundInBook() const;

    CVOK_AddressDoc& m_doc;
    Kind m_kind = Kind::Unreadable;
    std::string m_bytes;
    ImportResult m_result;
    QString m_allInto;
    std::vector<Added> m_added;
    QList<FieldNote> m_replaced;
    QList<FieldNote> m_cut;
    QList<FieldNote> m_inMemo;
    QList<Found> m_found;
    std::vector<bool> m_leaveOut; // by contact: the book holds it already
    std::size_t m_unchanged = 0;
    std::size_t m_merged = 0;
    std::size_t m_updated = 0;
    std::size_t m_skipped = 0;
    std::size_t m_mergesAdded = 0;
    QMetaObject::Connection m_removing;
};
