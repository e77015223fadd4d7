#pragma once

#include "DavClient.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

// Finds the address books of an account (RFC 6764, RFC 5397, RFC 6352 §7.1): the URL given,
// else /.well-known/carddav on its host (redirects followed by hand, so a PROPFIND stays one);
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

    explicit Discovery(DavClient& client, QObject* parent = nullptr);
    // A URL, or a bare host (https then).
    void start(const QString& where, Handler done);
    static QUrl urlOf(const QString& where);
    // What to tell the user when a search for `where` found no address book.
    static QString failureText(const Result& result, const QString& where);

private:
    void ask(const QUrl& url, int hops);
    void askHome(const QUrl& principal);
    void listHome(const QUrl& home);
    void fail(const DavClient::Answer& answer);

    DavClient& m_client;
    Handler m_done;
    bool m_triedWellKnown = false;
};
