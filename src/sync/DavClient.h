#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// HTTP for CardDAV over Qt's network classes, asynchronous: each request calls its handler
// once with the answer, on the thread the client lives in. Basic authentication goes with the
// first request over TLS or to this machine; elsewhere only when the server asks (Digest too).
// A certificate that fails verification is refused unless its SHA-256 fingerprint is the one
// the user trusts; the refused fingerprint is kept for the message. Redirects are not
// followed (a PROPFIND must stay a PROPFIND): the answer carries the Location.
class DavClient : public QObject
{
    Q_OBJECT
public:
    // Why no HTTP answer came, in the kinds the user is told apart.
    enum class Failure
    {
        None,
        Refused,
        HostNotFound,
        Timeout,
        Tls,
        Closed,
        Other,
    };
    struct Answer
    {
        int status = 0; // 0: no HTTP answer at all
        QByteArray body;
        QByteArray etag; // strong ETags only
        QUrl location;
        bool tls = false;                // refused for its certificate
        bool authFailed = false;         // the credentials were refused
        Failure failure = Failure::None; // set when status is 0
        QString errorText;               // Qt's, for the log only
        QString fingerprint;             // the refused certificate's
    };
    using Handler = std::function<void(const Answer&)>;
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit DavClient(QObject* parent = nullptr);
    ~DavClient() override;

    void setCredentials(const QString& user, const QString& password);
    void setTrustedFingerprint(const QString& sha256Hex) { m_trusted = sha256Hex.toLower(); }
    void setTimeout(int ms) { m_timeoutMs = ms; }

    // Waits `patience` times the usual timeout for the first byte of the answer: a question
    // about a whole collection may take a server minutes when it first meets the collection.
    void send(const QByteArray& verb, const QUrl& url, const Headers& headers,
              const QByteArray& body, Handler done, int patience = 1);
    // Requests sent so far (for the tests and the bench).
    int requestCount() const { return m_requests; }
    // How long some request was waiting for its answer, in all (for the bench: the rest of a
    // run's time is ours).
    qint64 waitedNs() const;
    // Drops every answer still due: their handlers are not called.
    void abortAll();

private:
    QNetworkAccessManager* m_net;
    QString m_user;
    QString m_password;
    QString m_trusted;
    int m_timeoutMs = 60000;
    int m_requests = 0;
    int m_inFlight = 0;
    QElapsedTimer m_waiting; // since the first of those in flight went
    qint64 m_waitedNs = 0;
    void answered();
};
