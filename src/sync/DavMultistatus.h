#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A WebDAV 207 Multi-Status answer (RFC 4918 §13) as CardDAV uses it: per response its href,
// status (a response-level status, else the first propstat's 200 or the last other one) and
// the properties this client asks for. Unknown elements are skipped; a body that is no
// well-formed multistatus gives nothing.
struct DavMultistatus
{
    struct Response
    {
        QString href; // percent-decoded path (or URL) as the server wrote it
        int status = 0;
        QByteArray etag;
        QByteArray addressData;
        QString displayName;
        bool collection = false;
        bool addressBook = false;
        QString principal; // current-user-principal
        QString home;      // addressbook-home-set
        QString syncToken;
        QString ctag; // getctag: changes whenever a card of the collection does
    };
    std::vector<Response> responses;
    QString syncToken; // the sync-collection report's new token
    // The answer names a precondition that failed (403/400 of a REPORT), e.g. valid-sync-token.
    QString error;

    static std::optional<DavMultistatus> parse(const QByteArray& body);
    // An error body's first precondition element (DAV:error), if any.
    static QString errorOf(const QByteArray& body);
    // The first href inside an error body (the resource a no-uid-conflict names), if any.
    static QString errorHref(const QByteArray& body);
};
