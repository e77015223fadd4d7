#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLocalServer;

// One copy per address book: a lock beside the book, held for the whole run, and a local
// server that a second start connects to. The lock names the server, so a start from cron,
// ssh or a service finds the running copy whatever its environment; the server lives in a
// folder only the user can enter. The server listens only once the main window exists, so a
// second start during the first one's start-up waits a little for it; a holder that never
// answers is reported (NoAnswer).
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // bookPath: the book this copy works on (DataLocation::addressFilePath()).
    explicit SingleInstance(const QString& bookPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum Outcome
    {
        Acquired,   // this process is the first copy
        HandedOver, // the running copy shows its window; this one ends
        NoAnswer,   // the lock is held, but nobody listens in its holder's place
        Refused,    // no lock can be had beside the book (error() tells why): do not run
    };
    // True when this process is the first copy. Otherwise the running copy has been asked to
    // show its window, or no lock could be had, and this one should end; outcome() tells.
    bool acquire();
    Outcome outcome() const { return m_outcome; }
    // How long acquire() waits for a copy that is still starting (5 s), for every instance.
    static void setStartingWaitForTesting(int ms);
    // With Refused: why (an errno value; EACCES also for a lock file of another user).
    int error() const { return m_error; }
    // Marks the main window for later starts: each connection emits showRequested().
    bool listen();

    // ---- requests of scripts (InstanceRequest) ----
    // Takes the lock as acquire() does, but asks nothing of a copy that holds it: false when
    // one does (outcome() stays Acquired), or when there is no lock to be had (Refused).
    bool tryLock();
    // The server of the copy that holds the lock, as its lock file names it; empty when none.
    QString holderServerPath() const;
    // A connection's first line goes to the handler; its answer line goes back. Without an
    // answer (a line it does not know, "show" too) the window is shown as before.
    using RequestHandler = std::function<std::optional<QByteArray>(const QByteArray& line)>;
    void setRequestHandler(RequestHandler handler);

    QString lockPath() const { return m_lockPath; }
    // The server this copy listens on once it holds the lock; empty without a private folder.
    QString serverPath() const { return m_serverPath; }
    static QString defaultName();

    // The line a second start sends: "show", with the activation token the desktop gave it
    // (XDG_ACTIVATION_TOKEN), which a Wayland compositor asks of a window that comes forward.
    static QByteArray showLine(const QByteArray& activationToken);

signals:
    // activationToken: the second start's, or empty.
    void showRequested(const QByteArray& activationToken);

private:
    void onNewConnection();
    void onRequest(class QLocalSocket* socket);
    void unlock();

    QString m_lockPath;
    QString m_serverPath;
    Outcome m_outcome = Acquired;
    int m_error = 0;
    int m_lockFd = -1;
    QLocalServer* m_server = nullptr;
    RequestHandler m_handler;
};
