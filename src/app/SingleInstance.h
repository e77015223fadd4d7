#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;

// One copy per user: a lock file held for the whole run and a local server of the same name
// that a second start connects to, both in a folder only the user can enter. The server listens
// only once the main window exists, so a second start during the first one's start-up waits a
// little for it; a holder that never answers is reported (noAnswer()).
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // name: the executable's base name; the user's name is added.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum Outcome
    {
        Acquired,   // this process is the first copy
        HandedOver, // the running copy shows its window; this one ends
        NoAnswer,   // the lock is held, but nobody listens in its holder's place
    };
    // True when this process is the first copy. Otherwise the running copy has been asked to
    // show its window and this one should end; outcome() tells whether it answered.
    bool acquire();
    Outcome outcome() const { return m_outcome; }
    // How long acquire() waits for a copy that is still starting (5 s), for every instance.
    static void setStartingWaitForTesting(int ms);
    // Marks the main window for later starts: each connection emits showRequested().
    bool listen();

    // ---- requests of scripts (InstanceRequest) ----
    // Takes the lock as acquire() does, but asks nothing of a copy that holds it.
    bool tryLock();
    // A connection's first line goes to the handler; its answer line goes back. Without an
    // answer (a line it does not know, "show" too) the window is shown as before.
    using RequestHandler = std::function<std::optional<QByteArray>(const QByteArray& line)>;
    void setRequestHandler(RequestHandler handler);

    QString lockPath() const;
    QString serverPath() const;
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

    QString m_base;
    Outcome m_outcome = Acquired;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    RequestHandler m_handler;
};
