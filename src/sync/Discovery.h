#pragma once

#include "DavClient.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

// Finds the address books of an account (RFC 6764, RFC 5397, RFC 6352 §7.1): the URL given,
// else /.well-known/carddav on its host (redirects followed by hand, so a PROPFIND stays one).
// A bare host or an e-mail address (its domain) is first looked up in DNS: the servers its
// _carddavs._tcp records name (by priority, then weight), then those of _carddav._tcp (plain
// HTTP), then the host itself over HTTPS, each tried until one answers;
// its current-user-principal, the principal's addressbook-home-set, and the collections in the
// home whose resource type is an address book. A URL that is itself an address book is the
// answer.
class Discovery : public QObject
{
    Q_OBJECT
public:
    struct Book
    {
        QUrl url;
        QString name;
    };
    struct Result
    {
        QList<Book> books;
        DavClient::Answer failure; // the answer that ended the search, when books is empty
    };
    using Handler = std::function<void(const Result&)>;
    // One SRV record.
    struct Service
    {
        QString target;
        quint16 port = 0;
        quint16 priority = 0;
        quint16 weight = 0;
    };

    explicit Discovery(DavClient& client, QObject* parent = nullptr);
    // A URL, or a bare host (https then).
    void start(const QString& where, Handler done);
    static QUrl urlOf(const QString& where);
    // The host to look up in DNS for `where` (an e-mail's domain, a bare host); empty for a
    // URL, an address or this machine, which are asked directly.
    static QString lookupHost(const QString& where);
    // The servers to try for a host, in order, from its _carddavs and _carddav records.
    static QList<QUrl> attempts(const QString& host, QList<Service> secure, QList<Service> plain);
    // The DNS server asked instead of the system's (the tests' own).
    static void setNameserverForTesting(const QHostAddress& address);
    // What to tell the user when a search for `where` found no address book.
    static QString failureText(const Result& result, const QString& where);

private:
    void lookUp(const QString& host, const QString& service,
                std::function<void(QList<Service>)> then);
    void tryNext();
    void ask(const QUrl& url, int hops);
    void askHome(const QUrl& principal);
    void listHome(const QUrl& home);
    void fail(const DavClient::Answer& answer);

    DavClient& m_client;
    Handler m_done;
    bool m_triedWellKnown = false;
    QList<QUrl> m_attempts; // still to try after the current one
};
