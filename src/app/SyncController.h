#pragma once

#include "SyncLog.h"
#include "sync/SyncEngine.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class CVOK_AddressDoc;
class QTimer;
class QWidget;

// Between the sync engine and the window: when to run (shortly after the start, on the
// account's interval, a little after a save that changed contacts, on the user's command, and
// again later while the server cannot be reached), one run at a time, and what the user sees
// of it: progress, the outcome once, a question only when the user asked for the run, and a
// line in the sync log for every run.
class SyncController : public QObject
{
    Q_OBJECT
public:
    static constexpr int AfterStartMs = 10000;
    static constexpr int AfterSaveMs = 20000;

    SyncController(CVOK_AddressDoc& doc, QWidget* window);
    ~SyncController() override;

    // Made on first use.
    SyncEngine* engine();
    // Writes the book when the server's changes are in (the window's save, with its boxes).
    void setSave(std::function<bool()> save) { m_save = std::move(save); }
    // Writes the book off the interface thread; used instead of setSave's when given.
    void setBackgroundSave(SyncEngine::BackgroundSave save) { m_backgroundSave = std::move(save); }
    // Whether a run nobody asked for may start now.
    void setMayRun(std::function<bool()> mayRun) { m_mayRun = std::move(mayRun); }

    // The first run after the start, and the interval.
    void startSchedule();
    // The stored account may have changed: the interval follows it.
    void accountChanged();
    // A save ended; one that changed contacts is followed by a run.
    void bookSaved(bool ok);
    // The user's 同期: runs at once, unless a run is going; may ask questions afterwards.
    void runFromCommand();
    // The program ends: a running sync stops, nothing more is scheduled or shown.
    void shutdown();

    // The wait before the next try after the server could not be reached; -1 when none waits.
    int retryDelayMs() const;
    // Minutes to wait after that many tries in a row found no server.
    static int backoffMinutes(int failures, int intervalMinutes);
    // The log, once the runs that ended are in it.
    SyncLog log() const;

signals:
    void statusMessage(const QString& text);
    // Progress for the tray's tooltip; empty when the run ended.
    void progressTip(const QString& text);
    // After a run's outcome was shown and logged.
    void runFinished(const SyncEngine::Summary& summary, bool byCommand);

private:
    enum class Trigger
    {
        None, // a run the controller did not start (a script's --sync)
        Command,
        Background,
    };
    void run(Trigger trigger, bool afterPassword = false);
    void runInBackground();
    void later(int ms);
    void finished(const SyncEngine::Summary& summary);
    void show(const SyncEngine::Summary& summary, bool byCommand);
    void scheduleRetry(const SyncEngine::Summary& summary);
    void askPassword();
    void askDeletions(const QString& text);
    void askFirstSync(const SyncEngine::Summary& summary);

    CVOK_AddressDoc& m_doc;
    QPointer<QWidget> m_window;
    SyncEngine* m_engine = nullptr;
    std::function<bool()> m_save;
    SyncEngine::BackgroundSave m_backgroundSave;
    std::function<bool()> m_mayRun;
    QTimer* m_interval = nullptr;
    QTimer* m_retry = nullptr;
    bool m_configured = false; // the stored account is complete
    int m_intervalMinutes = 0;
    std::uint64_t m_syncedRevision = 0; // the records as the last run left them
    Trigger m_trigger = Trigger::None;
    bool m_passwordAsked = false; // the running command's run follows a new password
    bool m_runAgain = false;      // a reason to run came while one ran
    int m_offlineRuns = 0;        // in a row
    // The failure last shown; the same again is not shown again until a run succeeds.
    std::optional<std::pair<SyncEngine::Outcome, QString>> m_shownFailure;
    bool m_shutDown = false;
    // The last run's line on its way into the log: the file is rewritten whole and flushed,
    // which is no work for the window's thread.
    mutable QFuture<void> m_logging;
    SyncLog logFile() const; // without waiting
};
