#pragma once

#include "DavClient.h"
#include "DavMultistatus.h"
#include "model/book/AddressRecord.h"
#include "model/sync/GroupCards.h"
#include "model/sync/SyncPlan.h"
#include "model/sync/SyncState.h"
#include "settings/SyncAccount.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

class CVOK_AddressDoc;

// One CardDAV address book and the whole book kept the same, both ways, one run at a time and
// never blocking the thread it lives on: every request is asynchronous, and the work that grows
// with the book (its slots, large answers, the plan, the records to add, the state file) is
// done on a pool thread from copies, while this thread only waits.
//
// A run: the collection's sync token (one request when nothing changed on either side); the
// changes since the last token (sync-collection; a full listing of ETags where the server has
// no token or forgot ours); the changed cards in batches (addressbook-multiget); the plan
// (SyncPlan); the writes, each conditional (If-Match, If-None-Match: *), a 412 answered by
// fetching the card, merging again and writing again; the server's changes applied to the
// book as one change (one undo step), once the apply gate opens (no contact sheet open); the
// book saved; then the state. A contact whose write failed keeps its old state, so the next
// run does it again; a contact the user changed while the run waited is left to the next run.
class SyncEngine : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Ok,
        Failed,        // the server refused, answered nonsense, or the book could not be saved
        NeedsDecision, // too many deletions: nothing was written
        AuthFailed,
        Offline, // no connection, or a certificate refused
        // Both sides held contacts and none are tied yet: nothing was written; the counts
        // are in the summary, and a run with setFirstSyncMerge(true) merges them.
        FirstSyncDecision,
    };
    struct Summary
    {
        Outcome outcome = Outcome::Ok;
        int down = 0;
        int up = 0;
        int deletes = 0;
        int conflicts = 0;
        bool nothingChanged = false;
        int requests = 0;
        QString message;     // why it failed
        QStringList notes;   // per card, for the log
        QString fingerprint; // a refused certificate's
        // A first sync's preview: the server's contacts, the book's, and those both hold.
        int serverCount = 0;
        int bookCount = 0;
        int samePerson = 0;
        QString line() const;
    };

    explicit SyncEngine(CVOK_AddressDoc& doc, QObject* parent = nullptr);
    // Waits for work on the pool thread (it uses this engine's data).
    ~SyncEngine() override;

    void setAccount(const SyncAccount& account);
    void setForceDeletes(bool force) { m_forceDeletes = force; }
    // A first sync of a book and a server that both hold contacts goes on and merges them,
    // instead of stopping after the plan.
    void setFirstSyncMerge(bool merge) { m_firstSyncMerge = merge; }
    // False while the server's changes must wait (a contact sheet is open).
    void setApplyGate(std::function<bool()> gate) { m_gate = std::move(gate); }
    // Writes the book; by default CVOK_AddressDoc::SaveAddressFile.
    void setSave(std::function<bool()> save) { m_save = std::move(save); }
    // Writes the book without holding up this thread, then calls its argument with the
    // outcome; used instead of setSave's when given.
    using BackgroundSave = std::function<void(std::function<void(bool)>)>;
    void setBackgroundSave(BackgroundSave save) { m_saveInBackground = std::move(save); }
    // Cards a multiget asks for at once.
    void setBatchSize(int n) { m_batch = n; }
    // New contacts the book takes at once; the window answers between such slices.
    void setApplySlice(std::size_t n) { m_applySlice = std::max<std::size_t>(n, 1); }
    // A write that meets 412 is fetched, merged and tried again this often.
    static constexpr int MaxRetries = 3;

    bool isRunning() const { return m_running; }
    void start();
    // Ends a run at once without touching the book or the state; finished() tells.
    void abort();
    DavClient& client() { return *m_client; }
    const Summary& lastSummary() const { return m_summary; }

    // Called between planning and writing (tests slip a server change in there).
    void setBeforeWrites(std::function<void()> hook) { m_beforeWrites = std::move(hook); }

signals:
    void progress(int done, int total);
    void finished(const SyncEngine::Summary& summary);

private:
    // Runs work on a pool thread, then `then` here unless the run ended meanwhile. Work uses
    // only this run's data, which nothing here touches until `then`.
    void offThread(std::function<void()> work, std::function<void()> then);
    // An answer parsed on a pool thread into m_parsed (hrefs in m_parsedHrefs), then `then`.
    // A body that is no multistatus ends the run as a bad answer of that status instead.
    void parseOffThread(QByteArray body, int status, std::function<void()> then);
    // The run once the book is in.
    void begin();
    void readBook(std::function<void()> then);
    void buildLocals();
    // A contact differs from its state entry, or one side has a contact the other lacks.
    bool bookDiffers() const;
    void askToken();
    void keepTag();
    void afterToken(const QString& token);
    void askChanges(const QString& token);
    void listAll();
    void fetch();
    void askBatch();
    void parseBatch();
    // The server's group cards (all of them: a contact's group may live in one unchanged
    // since the last run), then the plan.
    void askGroups();
    void plan();
    void afterPlan();
    void writeNext();
    void write(std::size_t index);
    void refetchThenRetry(std::size_t index);
    // The group cards whose member lists the run changed, after the contacts.
    void writeGroup(std::size_t index);
    void groupFailed(std::size_t index, const DavClient::Answer& answer);
    // A new card refused because its UID lives at another href: that card is updated instead.
    void adoptHref(std::size_t index, const QString& href);
    void refreshEtags();
    void catchUpToken();
    // The run wrote a contact or a group card: the collection's token and tag moved on.
    bool wroteToServer();
    void prepareApply();
    void waitToApply();
    void apply();
    // Adds m_prepared's records from `from` on, a slice now and the rest later.
    void addSlice(std::size_t from);
    void afterAdded();
    // On a pool thread: the state after this run, written.
    bool writeState();
    void afterBookSaved(bool saved);
    void afterStateSaved(bool saved);
    void finish(Outcome outcome, const QString& message = {});
    // How groups travel, as the state keeps it: the account's mode and the run's way.
    static std::string groupsWord(SyncAccount::GroupMode mode, bool byCard);
    // The account's group mode is no longer the one the state was synced with.
    bool groupModeChanged() const;
    // The message for an answer that never came; Qt's own text goes to the notes.
    QString offlineText(const DavClient::Answer& answer);
    // Ends the run when the answer is no success; true then.
    bool failedAnswer(const DavClient::Answer& answer);
    QUrl urlOf(const std::string& href) const;
    std::string hrefOf(const QString& path) const;
    static std::string hrefIn(const QUrl& collection, const QString& path);
    std::string localUid(const AddressRecord& record) const;
    const SyncState::Entry* entryOf(const std::string& href) const;
    const SyncPlan::Local* localOf(const std::string& uid) const;
    AddressRecord* recordOf(const std::string& uid) const;

    CVOK_AddressDoc& m_doc;
    DavClient* m_client;
    SyncAccount m_account;
    QUrl m_collection;
    bool m_forceDeletes = false;
    bool m_firstSyncMerge = false;
    std::function<bool()> m_gate;
    std::function<bool()> m_save;
    BackgroundSave m_saveInBackground;
    std::function<void()> m_beforeWrites;
    int m_batch = 100;
    bool m_running = false;
    unsigned m_run = 0; // counts runs, so a late timer of an ended one does nothing

    // One run's data.
    std::string m_statePath;
    SyncState m_state;
    QString m_newToken;
    std::string m_newCtag; // the collection's tag when the run began
    QString m_serverToken; // the collection's, as the run's first question found it
    std::map<std::string, std::string> m_listed; // href → ETag
    std::set<std::string> m_removed;
    bool m_fullListing = false;
    std::vector<std::string> m_toFetch;
    std::size_t m_fetched = 0; // cards whose answers are parsed
    std::size_t m_asked = 0;   // cards asked for
    // Answers not yet parsed, with the end of their batch: the next batch is asked for while
    // one is parsed, so the server and we work at the same time.
    struct Batch
    {
        QByteArray body;
        std::size_t end;
        int status;
    };
    std::deque<Batch> m_answers;
    bool m_asking = false;
    bool m_parsing = false;
    std::map<std::string, SyncPlan::Card> m_changed;
    // The slots of every contact, in the book's order, kept from run to run beside what each
    // was made from: a run works them out again only for the records that changed since (their
    // fields, extras, UID or reading), so one change in a large book costs one.
    struct LocalKey
    {
        AddressRecord* record = nullptr;
        AddressRecord value; // the fields and extras the slots were made from
        ContactUid uid;
        std::string reading;
    };
    std::vector<SyncPlan::Local> m_locals;
    std::vector<LocalKey> m_localKeys;
    // When the book's records moved since: for each, where its slots were (npos: nowhere).
    std::vector<std::size_t> m_localsFrom;
    bool m_localsMoved = false;
    std::unordered_map<std::string, std::size_t> m_localByUid;
    std::unordered_map<std::string, std::size_t> m_entryByHref;
    SyncPlan m_plan;
    GroupCards m_groupCards;
    bool m_groupsAnswered = false; // the server listed its group cards
    bool m_byCard = false;         // groups travel as group cards this run
    bool m_switched = false;       // and travelled the other way at the last run
    bool m_sawGroupCards = false;  // the server held group cards when last asked
    bool m_groupsListed = false;   // a run of this engine had the server list them
    std::size_t m_nextGroup = 0;
    std::vector<int> m_groupTries;
    // The account's group mode when the plan was made.
    SyncAccount::GroupMode m_runMode = SyncAccount::GroupMode::Auto;
    struct BookCopy
    {
        std::size_t index; // in m_locals
        AddressRecord* live;
        ContactUid liveUid;
        std::string uid;
        AddressRecord record;
        std::string reading;
    };
    std::vector<BookCopy> m_bookCopy;
    std::optional<DavMultistatus> m_parsed;
    std::vector<std::string> m_parsedHrefs;
    // Records for the plan's additions, built from copies, with their slots. Once the book has
    // taken a record, the rest stays here for the state's thread: the next run's check of the
    // book then finds each addition's slots already made.
    struct Prepared
    {
        std::size_t index; // the item's
        std::unique_ptr<AddressRecord> record;
        SyncFields base;
        AddressRecord value; // the record's, before the book takes it
        ContactUid uid;
        AddressRecord* added = nullptr; // the book's
        bool keptUid = false;           // the book did not have to give it another identity
    };
    std::vector<Prepared> m_prepared;
    // The slots of the records this run changed, as the book holds them (by item).
    std::vector<std::pair<std::size_t, SyncFields>> m_bases;
    QStringList m_groups;    // the book's groups when the additions were built
    QStringList m_newGroups; // groups the additions bring
    QFuture<void> m_work;
    std::vector<std::size_t> m_writes;
    std::size_t m_nextWrite = 0;
    std::vector<int> m_tries;
    std::vector<bool> m_failed;
    bool m_offline = false;
    Summary m_summary;
    // The state as this engine last wrote it, while it still is the file's.
    struct Kept
    {
        bool valid = false;
        std::uint64_t revision = 0; // the book's, then
        bool readings = false;      // a reading changed since
        qint64 size = 0;
        QDateTime time;
    } m_kept;
    bool m_quiet = false;                // this run started from m_kept, without reading the book
    bool m_givingReadings = false;       // the run's own readings are no change of the user's
    std::uint64_t m_readRevision = 0;    // the book's when the run read it
    std::uint64_t m_appliedRevision = 0; // after the run's change, unless changed meanwhile
    std::uint64_t m_sliceRevision = 0;   // after the last slice added
    bool m_changedMeanwhile = false;
    bool m_joinSlices = false; // the run's change is in the book: slices join it
    std::size_t m_applySlice = 500;
    // Cards of contacts that runs took from the book because the server deleted them, by UID,
    // for as long as an undo may bring one back (this process); the oldest go past a size.
    std::unordered_map<std::string, std::string> m_lastCards;
    std::deque<std::string> m_lastCardOrder;
    std::size_t m_lastCardBytes = 0;
    void keepLastCard(const std::string& uid, const std::string& card);
};
