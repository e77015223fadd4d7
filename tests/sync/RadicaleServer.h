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
    bool start();
    void stop();
    QUrl base() const { return m_base; }
    // A new, empty address book; returns its URL.
    QUrl addressBook(const QString& name);
    Reply request(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                  const QList<QPair<QByteArray, QByteArray>>& headers = {});
    Reply put(const QUrl& url, const QByteArray& card, const QByteArray& etag = {});

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QUrl m_base;
};
