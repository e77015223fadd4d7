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
// that a second start connects to. The server listens only once the main window exists, so a
// second start during the first one's start-up finds the lock but nobody to ask, and just ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // name: the executable's base name; the user's name is added.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first copy. Otherwise the running copy has been asked to
    // show its window (when it already listens) and this one should end.
    bool acquire();
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

signals:
    void showRequested();

private:
    void onNewConnection();
    void onRequest(class QLocalSocket* socket);

    QString m_base;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    RequestHandler m_handler;
};
