#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// A real CardDAV server for the tests: Radicale on 127.0.0.1 with a port of its own choosing,
// a temporary store and one htpasswd user (alice, secret), stopped by its PID.
class RadicaleServer
{
public:
    struct Reply
    {
        int status = 0;
        QByteArray body;
        QByteArray etag;
    };

    RadicaleServer() = default;
    ~RadicaleServer();
    static bool installed();
    // With tls, over HTTPS with a self-signed certificate of its own (certificatePath()).
    bool start(bool tls = false);
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    void stop();
    QUrl base() const { return m_base; }
    // The folder of alice's collection of that name in the store (to seed it without HTTP).
    QString collectionFolder(const QString& name) const
    {
        return m_dir.filePath(QStringLiteral("store/collection-root/alice/") + name);
    }
    // A new, empty address book; returns its URL.
    QUrl addressBook(const QString& name);
    Reply request(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                  const QList<QPair<QByteArray, QByteArray>>& headers = {});
    Reply put(const QUrl& url, const QByteArray& card, const QByteArray& etag = {});
    // How long a request may take (the first listing of a large store builds Radicale's cache).
    void setRequestTimeout(int ms) { m_timeoutMs = ms; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QUrl m_base;
    int m_timeoutMs = 30000;
};
