#include "SyncController.h"

#include "AppText.h"
#include "SyncPasswordDialog.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "settings/SyncAccount.h"
#include "sync/SyncMessages.h"
#include "ui/common/MessageBox.h"
#include "ui/options/FirstSyncDialog.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <iterator>

SyncController::SyncController(CVOK_AddressDoc& doc, QWidget* window)
    : QObject(window), m_doc(doc), m_window(window), m_interval(new QTimer(this)),
      m_retry(new QTimer(this))
{
    connect(m_interval, &QTimer::timeout, this, &SyncController::runInBackground);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &SyncController::runInBackground);
}

SyncController::~SyncController()
{
    m_logging.waitForFinished();
}

SyncEngine* SyncController::engine()
{
    if (!m_engine) {
        m_engine = new SyncEngine(m_doc, this);
        // The server's changes wait while a contact sheet (or any dialog) is open: the sheet
        // writes every field back on OK.
        m_engine->setApplyGate([] { return !QApplication::activeModalWidget(); });
        m_engine->setSave([this] { return m_save ? m_save() : m_doc.SaveAddressFile(); });
        if (m_backgroundSave)
            m_engine->setBackgroundSave(m_backgroundSave);
        connect(m_engine, &SyncEngine::progress, this, [this](int done, int total) {
            const QString text = SyncMessages::Running.arg(done).arg(total);
            emit statusMessage(text);
            emit progressTip(AppText::TrayTip + text);
        });
        connect(m_engine, &SyncEngine::finished, this, &SyncController::finished);
    }
    return m_engine;
}

void SyncController::startSchedule()
{
    accountChanged();
    if (m_configured)
        later(AfterStartMs);
}

void SyncController::accountChanged()
{
    const SyncAccount account = SyncAccount::load();
    m_configured = account.isComplete();
    m_intervalMinutes = std::max(0, account.intervalMinutes);
    if (m_configured && m_intervalMinutes > 0)
        m_interval->start(m_intervalMinutes * 60 * 1000);
    else
        m_interval->stop();
    if (!m_configured) {
        m_retry->stop();
        m_offlineRuns = 0;
    }
}

void SyncController::bookSaved(bool ok)
{
    if (ok && m_configured && m_doc.recordsRevision() != m_syncedRevision) {
        m_syncedRevision = m_doc.recordsRevision();
        later(AfterSaveMs);
    }
}

void SyncController::later(int ms)
{
    QTimer::singleShot(ms, this, &SyncController::runInBackground);
}

void SyncController::runInBackground()
{
    if (m_shutDown || (m_mayRun && !m_mayRun()))
        return;
    run(Trigger::Background);
}

void SyncController::runFromCommand()
{
    run(Trigger::Command);
}

void SyncController::run(Trigger trigger, bool afterPassword)
{
    SyncEngine* sync = engine();
    if (m_shutDown)
        return;
    if (sync->isRunning()) {
        // One run at a time. The running one answers the user's command; a save's changes
        // that came too late for it go in the next run, right after.
        if (trigger == Trigger::Command && m_trigger == Trigger::Background)
            m_trigger = Trigger::Command;
        if (trigger == Trigger::Background)
            m_runAgain = true;
        return;
    }
    const SyncAccount account = SyncAccount::load();
    if (!account.isComplete()) {
        if (trigger == Trigger::Command)
            emit statusMessage(SyncMessages::NoAccount);
        return;
    }
    // Whatever starts a run takes the place of a retry that waits.
    m_retry->stop();
    sync->setAccount(account);
    m_trigger = trigger;
    m_passwordAsked = afterPassword;
    const QString text = SyncMessages::Running.arg(0).arg(0);
    emit statusMessage(text);
    emit progressTip(AppText::TrayTip + text);
    sync->start();
}

void SyncController::finished(const SyncEngine::Summary& summary)
{
    const bool byCommand = std::exchange(m_trigger, Trigger::None) == Trigger::Command;
    const bool passwordAsked = std::exchange(m_passwordAsked, false);
    const bool runAgain = std::exchange(m_runAgain, false);
    m_engine->setForceDeletes(false);
    m_engine->setFirstSyncMerge(false);
    // A run stopped because the program ends is no outcome to show or keep.
    if (m_shutDown)
        return;
    m_syncedRevision = m_doc.recordsRevision();
    emit progressTip({});
    m_logging = QtConcurrent::run([log = logFile(), when = QDateTime::currentDateTime(), summary,
                                   before = m_logging]() mutable {
        before.waitForFinished();
        log.append(when, summary);
    });
    scheduleRetry(summary);
    show(summary, byCommand);
    // Boxes only for a run the user asked for: a run of the timer must not open any.
    if (byCommand && summary.outcome == SyncEngine::Outcome::NeedsDecision)
        QTimer::singleShot(0, this, [this, text = summary.message] { askDeletions(text); });
    if (byCommand && summary.outcome == SyncEngine::Outcome::FirstSyncDecision)
        QTimer::singleShot(0, this, [this, summary] { askFirstSync(summary); });
    if (byCommand && !passwordAsked && summary.outcome == SyncEngine::Outcome::AuthFailed)
        QTimer::singleShot(0, this, &SyncController::askPassword);
    else if (runAgain && summary.outcome == SyncEngine::Outcome::Ok)
        QTimer::singleShot(0, this, &SyncController::runInBackground);
    emit runFinished(summary, byCommand);
}

void SyncController::show(const SyncEngine::Summary& summary, bool byCommand)
{
    QString text = summary.message.isEmpty()
                       ? summary.line()
                       : summary.message + QStringLiteral("  ") + summary.line();
    if (m_retry->isActive())
        text += QStringLiteral("  ") + AppText::SyncRetryLater.arg(m_retry->interval() / 60000);
    if (summary.outcome == SyncEngine::Outcome::Ok) {
        m_shownFailure.reset();
        emit statusMessage(text);
        return;
    }
    // A failure that comes back at every run is shown once; the user's own command always
    // gets its answer.
    const std::pair<SyncEngine::Outcome, QString> failure{summary.outcome, summary.message};
    if (!byCommand && m_shownFailure == failure) {
        emit statusMessage(QString()); // the progress goes
        return;
    }
    m_shownFailure = failure;
    emit statusMessage(text);
}

int SyncController::backoffMinutes(int failures, int intervalMinutes)
{
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 30, 60};
    const int last = int(std::size(kSteps)) - 1;
    const int minutes = kSteps[std::clamp(failures - 1, 0, last)];
    return intervalMinutes > 0 ? std::min(minutes, intervalMinutes) : minutes;
}

void SyncController::scheduleRetry(const SyncEngine::Summary& summary)
{
    // A refused certificate does not go away by waiting; the user has to trust it.
    if (summary.outcome == SyncEngine::Outcome::Offline && summary.fingerprint.isEmpty() &&
        m_configured) {
        ++m_offlineRuns;
        m_retry->start(backoffMinutes(m_offlineRuns, m_intervalMinutes) * 60 * 1000);
    } else {
        m_offlineRuns = 0;
        m_retry->stop();
    }
}

int SyncController::retryDelayMs() const
{
    return m_retry->isActive() ? m_retry->interval() : -1;
}

SyncLog SyncController::log() const
{
    m_logging.waitForFinished();
    return logFile();
}

SyncLog SyncController::logFile() const
{
    return SyncLog(DataLocation::syncLogPath(m_doc.addressFilePath()));
}

void SyncController::askPassword()
{
    if (m_shutDown || !m_window)
        return;
    SyncAccount account = SyncAccount::load();
    const std::optional<QString> password = SyncPasswordDialog::ask(account, m_window);
    if (!password || m_shutDown)
        return;
    account.password = *password;
    account.save(); // the keyring, else the settings file
    run(Trigger::Command, true);
}

void SyncController::askDeletions(const QString& text)
{
    if (m_shutDown || !m_window)
        return;
    if (MessageBox::question(m_window, text + AppText::SyncGoOn) != MessageBox::Yes ||
        engine()->isRunning())
        return;
    m_engine->setForceDeletes(true);
    run(Trigger::Command);
    if (!m_engine->isRunning())
        m_engine->setForceDeletes(false);
}

void SyncController::askFirstSync(const SyncEngine::Summary& summary)
{
    if (m_shutDown || !m_window)
        return;
    // The counts, with merge as the default.
    FirstSyncDialog dialog(summary.serverCount, summary.bookCount, summary.samePerson, m_window);
    if (dialog.exec() != QDialog::Accepted || engine()->isRunning())
        return;
    m_engine->setFirstSyncMerge(true);
    run(Trigger::Command);
    if (!m_engine->isRunning())
        m_engine->setFirstSyncMerge(false);
}

void SyncController::shutdown()
{
    m_shutDown = true;
    m_interval->stop();
    m_retry->stop();
    if (m_engine)
        m_engine->abort();
}
