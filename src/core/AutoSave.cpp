#include "AutoSave.h"

#include "CVOK_AddressDoc.h"
#include "model/book/BookSnapshot.h"
#include "model/storage/AddressFileWriter.h"
#include "settings/GroupStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

// The books to save when the program ends without its event loop.
std::vector<AutoSave*>& liveSavers()
{
    static std::vector<AutoSave*> savers;
    return savers;
}

} // namespace

AutoSave::AutoSave(CVOK_AddressDoc* doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_savedRevision(doc->savedRevision())
{
    m_quiet.setSingleShot(true);
    m_longest.setSingleShot(true);
    setDelays(DefaultQuietMs, DefaultLongestMs);
    connect(&m_quiet, &QTimer::timeout, this, &AutoSave::startSave);
    connect(&m_longest, &QTimer::timeout, this, &AutoSave::startSave);
    connect(doc, &CVOK_AddressDoc::recordsAdded, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::recordsChanged, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::recordsRemoving, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::groupAdded, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::groupRenamed, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::groupRemoved, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::readingChanged, this, &AutoSave::onChange);
    connect(doc, &CVOK_AddressDoc::readingsGiven, this, &AutoSave::onChange);
    m_thread = std::thread([this] { workerLoop(); });
    liveSavers().push_back(this);
    // New identities or a realigned companion from the load go out soon, unasked.
    if (hasUnsavedChanges())
        onChange();
}

AutoSave::~AutoSave()
{
    auto& savers = liveSavers();
    savers.erase(std::remove(savers.begin(), savers.end(), this), savers.end());
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void AutoSave::setDelays(int quietMs, int longestMs)
{
    m_quiet.setInterval(quietMs);
    m_longest.setInterval(longestMs);
}

bool AutoSave::hasUnsavedChanges() const
{
    return m_doc->revision() != m_savedRevision || m_doc->readingsChanged();
}

bool AutoSave::isSaving() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_busy;
}

qint64 AutoSave::lastSaveNs() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_doneNs;
}

void AutoSave::onChange()
{
    if (!m_doc->writer())
        return; // a file we could not read is never replaced
    m_quiet.start();
    if (!m_longest.isActive())
        m_longest.start();
}

void AutoSave::startSave()
{
    m_quiet.stop();
    m_longest.stop();
    collect();
    const std::shared_ptr<AddressFileWriter> writer = m_doc->writer();
    if (!hasUnsavedChanges() || !writer)
        return;
    if (isSaving()) {
        m_saveWhenIdle = true; // the newest state goes when this one is done
        return;
    }
    // The readings go on the worker too: an import or a sync gives thousands, and the book's
    // names, which say which readings are still used, are in the snapshot.
    std::optional<CVOK_AddressDoc::ReadingsToSave> readings = m_doc->readingsToSave();
    const bool book = m_doc->revision() != m_savedRevision;
    if (!book && !readings)
        return;
    QElapsedTimer copying;
    copying.start();
    std::unique_ptr<BookSnapshot> snapshot = m_doc->snapshot();
    m_lastCopyNs = copying.nsecsElapsed();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_job = std::move(snapshot);
        m_jobWriter = writer;
        m_jobBook = book;
        m_jobReadings = std::move(readings);
        m_busy = true;
    }
    m_wake.notify_one();
}

// Takes in the result of a finished background save.
void AutoSave::collect()
{
    bool ok = false;
    bool readingsOk = true;
    bool wroteBook = false;
    std::optional<std::uint64_t> readings;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_done)
            return;
        m_done = false;
        ok = m_doneOk;
        readingsOk = m_doneReadingsOk;
        readings = m_doneReadings;
        wroteBook = m_doneBook;
        if (ok)
            m_savedRevision = std::max(m_savedRevision, m_doneRevision);
    }
    if (readings && readingsOk)
        m_doc->readingsSaved(*readings);
    if (ok && readingsOk) {
        m_failureShown = false;
    } else if (!m_failureShown) {
        m_failureShown = true;
        emit saveFailed();
    }
    answerWaiters(ok);
    if (wroteBook)
        emit saveFinished(ok);
}

void AutoSave::answerWaiters(bool ok)
{
    std::vector<std::function<void(bool)>> answered;
    for (auto it = m_waiters.begin(); it != m_waiters.end();) {
        if (!ok || it->first <= m_savedRevision) {
            answered.push_back(std::move(it->second));
            it = m_waiters.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& done : answered)
        done(ok);
}

void AutoSave::SaveInBackground(std::function<void(bool)> done)
{
    if (!m_doc->writer()) {
        done(false);
        return;
    }
    m_waiters.emplace_back(m_doc->revision(), std::move(done));
    startSave();
    // Nothing was left to write.
    if (!isSaving() && !m_saveWhenIdle)
        answerWaiters(m_doc->revision() == m_savedRevision);
}

void AutoSave::waitIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy; });
}

bool AutoSave::SaveNow()
{
    m_quiet.stop();
    m_longest.stop();
    m_saveWhenIdle = false;
    waitIdle();
    collect();
    if (!hasUnsavedChanges())
        return true;
    const std::shared_ptr<AddressFileWriter> writer = m_doc->writer();
    if (!writer)
        return false;
    // The contacts first: readings that cannot be written must not keep them from the disk.
    bool ok = true;
    if (m_doc->revision() != m_savedRevision) {
        GroupStore::waitForWrites();
        const std::unique_ptr<BookSnapshot> snapshot = m_doc->snapshot();
        ok = writer->Write(*snapshot) == AddressFile::Status::Ok;
        if (ok)
            m_savedRevision = snapshot->revision();
    }
    if (m_doc->readingsChanged() && !m_doc->SaveReadings())
        ok = false;
    if (ok)
        m_failureShown = false;
    answerWaiters(ok);
    return ok;
}

void AutoSave::SaveAllNow()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return; // the records belong to the interface thread
    for (AutoSave* saver : liveSavers())
        saver->SaveNow();
}

void AutoSave::workerLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_job; });
        if (!m_job)
            return; // stopping, nothing left to write
        const std::unique_ptr<BookSnapshot> job = std::move(m_job);
        const std::shared_ptr<AddressFileWriter> writer = std::move(m_jobWriter);
        const bool book = m_jobBook;
        std::optional<CVOK_AddressDoc::ReadingsToSave> readings = std::move(m_jobReadings);
        m_jobReadings.reset();
        lock.unlock();
        // The groups the contacts name are in the settings before the contacts are on disk:
        // older copies know groups from there alone.
        GroupStore::waitForWrites();
        QElapsedTimer saving;
        saving.start();
        // The contacts first: readings that cannot be written must not keep them from the disk.
        const bool ok = !book || writer->Write(*job) == AddressFile::Status::Ok;
        const qint64 ns = saving.nsecsElapsed();
        bool readingsOk = true;
        if (readings) {
            // Readings of names no contact bears any more are dropped.
            std::unordered_set<std::string_view> names;
            names.reserve(job->size());
            for (std::size_t i = 0; i < job->size(); ++i)
                names.insert(job->fields(i)[AddressRecord::Name]);
            readingsOk = ReadingStore::Save(readings->path, *readings->readings,
                                            [&names](std::string_view name) {
                                                return names.count(name) != 0;
                                            }) == ReadingStore::Status::Ok;
        }
        const std::optional<std::uint64_t> readingsRevision =
            readings ? std::optional(readings->revision) : std::nullopt;
        readings.reset(); // the store's copy is let go here, not in the window
        lock.lock();
        m_busy = false;
        m_done = true;
        m_doneOk = ok;
        m_doneReadingsOk = readingsOk;
        m_doneReadings = readingsRevision;
        m_doneBook = book;
        m_doneRevision = job->revision();
        m_doneNs = ns;
        m_idle.notify_all();
        lock.unlock();
        QMetaObject::invokeMethod(
            this,
            [this] {
                collect();
                if (m_saveWhenIdle) {
                    m_saveWhenIdle = false;
                    startSave();
                }
            },
            Qt::QueuedConnection);
        lock.lock();
    }
}
