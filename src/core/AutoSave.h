#pragma once

#include "CVOK_AddressDoc.h"

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class AddressFileWriter;
class BookSnapshot;

// Keeps Address.vok up to date while the program runs: a save starts once the changes have
// paused for a moment, and at the latest shortly after the first unsaved change, so that a
// burst of changes gives one save. The book is copied on the interface thread (a few
// milliseconds even for 100,000 contacts) and written on a worker thread of its own. Saves
// never overlap and the newest copy always wins; nothing is written when nothing changed.
class AutoSave : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultQuietMs = 1000;
    static constexpr int DefaultLongestMs = 1500;

    explicit AutoSave(CVOK_AddressDoc* doc, QObject* parent = nullptr);
    // Lets a save in flight finish; starts none.
    ~AutoSave() override;

    // quietMs: the pause after the last change; longestMs: the longest wait after the first.
    void setDelays(int quietMs, int longestMs);

    // Writes the book at once when it changed since the last save, after the save in flight.
    // False when it could not be written (always, once something changed, after a failed
    // load). For hiding, exit and signals.
    bool SaveNow();
    // Writes the book on the worker thread now (after the save in flight) and calls done on
    // this thread once what the book holds at this call is on disk, or the save failed.
    void SaveInBackground(std::function<void(bool)> done);
    bool hasUnsavedChanges() const;
    bool isSaving() const;
    // What the last background save cost the interface thread (the copy), and the whole save.
    qint64 lastCopyNs() const { return m_lastCopyNs; }
    qint64 lastSaveNs() const;

    // Saves every live book now, from wherever the program is ending outside its event loop
    // (the display connection lost). Only on the interface thread.
    static void SaveAllNow();

signals:
    // A background save failed; said once until a save succeeds again.
    void saveFailed();
    // A background save of the contacts ended (tests and the benchmark wait for it).
    void saveFinished(bool ok);

private:
    void onChange();
    void startSave();
    void collect();
    void waitIdle();
    void workerLoop();
    void answerWaiters(bool ok);

    CVOK_AddressDoc* m_doc;
    QTimer m_quiet;
    QTimer m_longest;
    std::uint64_t m_savedRevision = 0; // on disk
    bool m_saveWhenIdle = false;
    bool m_failureShown = false;
    qint64 m_lastCopyNs = 0;
    // SaveInBackground's callers: the revision each waits for.
    std::vector<std::pair<std::uint64_t, std::function<void(bool)>>> m_waiters;

    // Shared with the worker.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::unique_ptr<BookSnapshot> m_job;
    std::shared_ptr<AddressFileWriter> m_jobWriter;
    bool m_jobBook = false; // the contacts changed; else only the readings go
    std::optional<CVOK_AddressDoc::ReadingsToSave> m_jobReadings;
    bool m_busy = false;
    bool m_stop = false;
    bool m_done = false; // a result waits for collect()
    bool m_doneOk = false;
    bool m_doneBook = false; // the contacts were written, not only the readings
    bool m_doneReadingsOk = true;
    std::optional<std::uint64_t> m_doneReadings; // the revision of the readings written
    std::uint64_t m_doneRevision = 0;
    qint64 m_doneNs = 0;
    std::thread m_thread;
};
