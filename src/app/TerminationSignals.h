#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C, a closed terminal) become a Qt signal on the
// user-interface thread, so that the program can end as through its exit command and save
// everything. The handler only writes one byte into a pipe; the notifier reads it in the event
// loop.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool isInstalled() const { return m_notifier != nullptr; }

signals:
    void terminationRequested();

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};
