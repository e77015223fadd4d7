#pragma once

#include "sync/SyncEngine.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// What each sync did, one entry a run: a line with the time, the outcome, the counts and the
// message, then the run's notes on single cards, indented. Only the newest runs are kept, so
// a server that is down for a month cannot fill the disk.
class SyncLog
{
public:
    static constexpr int MaxRuns = 500;
    static constexpr qint64 MaxBytes = 256 * 1024;

    explicit SyncLog(QString path) : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    // False when the file could not be written (the log is never worth a box).
    bool append(const QDateTime& when, const SyncEngine::Summary& summary) const;
    // The kept runs, newest first; each entry is the run's line and its notes.
    QStringList runs() const;

    static QString outcomeText(SyncEngine::Outcome outcome);
    static QString entry(const QDateTime& when, const SyncEngine::Summary& summary);

private:
    QStringList readRuns() const;

    QString m_path;
};
