#pragma once

#include "DavClient.h"
#include "model/sync/SyncPlan.h"
#include "model/sync/SyncState.h"
#include "settings/SyncAccount.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

class AddressRecord;
class CVOK_AddressDoc;

// One CardDAV address book and the whole book kept the same, both ways, one run at a time and
// never blocking the thread it lives on: every request is asynchronous.
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
        QString line() const;
    };

    explicit SyncEngine(CVOK_AddressDoc& doc, QObject* parent = nullptr);
    ~SyncEngine() override;

    void setAccount(const SyncAccount& account);
    void setForceDeletes(bool force) { m_forceDeletes = force; }
    // False while the server's changes must wait (a contact sheet is open).
    void setApplyGate(std::function<bool()> gate) { m_gate = std::move(gate); }
    // Writes the book; by default CVOK_AddressDoc::SaveAddressFile.
    void setSave(std::function<bool()> save) { m_save = std::move(save); }
    // Cards a multiget asks for at once.
    void setBatchSize(int n) { m_batch = n; }
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
    void readBook();
    void askToken();
    void askChanges(const QString& token);
    void listAll();
    void fetch();
    void plan();
    void writeNext();
    void write(std::size_t index);
    void refetchThenRetry(std::size_t index);
    void refreshEtags();
    void catchUpToken();
    void waitToApply();
    void apply();
    void finish(Outcome outcome, const QString& message = {});
    // Ends the run when the answer is no success; true then.
    bool failedAnswer(const DavClient::Answer& answer);
    QUrl urlOf(const std::string& href) const;
    std::string hrefOf(const QString& path) const;
    std::string localUid(const AddressRecord& record) const;
    const SyncState::Entry* entryOf(const std::string& href) const;
    const SyncPlan::Local* localOf(const std::string& uid) const;

    CVOK_AddressDoc& m_doc;
    DavClient* m_client;
    SyncAccount m_account;
    QUrl m_collection;
    bool m_forceDeletes = false;
    std::function<bool()> m_gate;
    std::function<bool()> m_save;
    std::function<void()> m_beforeWrites;
    int m_batch = 100;
    bool m_running = false;
    unsigned m_run = 0; // counts runs, so a late timer of an ended one does nothing

    // One run's data.
    std::string m_statePath;
    SyncState m_state;
    QString m_newToken;
    QString m_serverToken; // the collection's, as the run's first question found it
    std::map<std::string, std::string> m_listed; // href → ETag
    std::set<std::string> m_removed;
    bool m_fullListing = false;
    std::vector<std::string> m_toFetch;
    std::size_t m_fetched = 0;
    std::map<std::string, SyncPlan::Card> m_changed;
    std::vector<SyncPlan::Local> m_locals;
    std::unordered_map<std::string, AddressRecord*> m_records; // by UID
    std::unordered_map<std::string, std::size_t> m_localByUid;
    std::unordered_map<std::string, std::size_t> m_entryByHref;
    SyncPlan m_plan;
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
    bool m_quiet = false; // this run started from m_kept, without reading the book
};
