#include "SyncLog.h"

#include "AppText.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace {

const QString kNoteIndent = QStringLiteral("    ");

QString oneLine(QString text)
{
    // A message or note with a line break would read as a run of its own.
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

QString SyncLog::outcomeText(SyncEngine::Outcome outcome)
{
    switch (outcome) {
    case SyncEngine::Outcome::Ok:
        return AppText::SyncLogOk;
    case SyncEngine::Outcome::Failed:
        return AppText::SyncLogFailed;
    case SyncEngine::Outcome::NeedsDecision:
    case SyncEngine::Outcome::FirstSyncDecision:
        return AppText::SyncLogNeedsDecision;
    case SyncEngine::Outcome::AuthFailed:
        return AppText::SyncLogAuthFailed;
    case SyncEngine::Outcome::Offline:
        return AppText::SyncLogOffline;
    }
    return {};
}

QString SyncLog::entry(const QDateTime& when, const SyncEngine::Summary& summary)
{
    QString text = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ") +
                   outcomeText(summary.outcome) + QStringLiteral("  ") + summary.line();
    if (!summary.message.isEmpty())
        text += QStringLiteral("  ") + oneLine(summary.message);
    for (const QString& note : summary.notes)
        text += u'\n' + kNoteIndent + oneLine(note);
    return text;
}

QStringList SyncLog::readRuns() const
{
    QFile file(m_path);
    QStringList runs;
    if (!file.open(QIODevice::ReadOnly))
        return runs;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith(u' ') && !runs.isEmpty())
            runs.last() += u'\n' + line;
        else
            runs << line;
    }
    return runs;
}

bool SyncLog::append(const QDateTime& when, const SyncEngine::Summary& summary) const
{
    QStringList runs = readRuns();
    runs << entry(when, summary);
    // The newest runs that fit; the newest one always stays, however many notes it has.
    qint64 bytes = 0;
    qsizetype first = runs.size();
    while (first > 0 && runs.size() - first < MaxRuns) {
        const qint64 size = runs[first - 1].toUtf8().size() + 1;
        if (first < runs.size() && bytes + size > MaxBytes)
            break;
        bytes += size;
        --first;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (qsizetype i = first; i < runs.size(); ++i)
        file.write(runs[i].toUtf8() + '\n');
    return file.commit();
}

QStringList SyncLog::runs() const
{
    QStringList runs = readRuns();
    std::reverse(runs.begin(), runs.end());
    return runs;
}
