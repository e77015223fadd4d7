#include "DavClient.h"

#include <algorithm>

#include <QAuthenticator>
#include <QBuffer>
#include <QCryptographicHash>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>

namespace {

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    if (host == QStringLiteral("localhost"))
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

DavClient::Failure failureOf(QNetworkReply::NetworkError error)
{
    using F = DavClient::Failure;
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return F::Refused;
    case QNetworkReply::HostNotFoundError:
        return F::HostNotFound;
    // A transfer timeout ends the reply as cancelled; abortAll's replies call no handler.
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return F::Timeout;
    case QNetworkReply::SslHandshakeFailedError:
        return F::Tls;
    case QNetworkReply::RemoteHostClosedError:
        return F::Closed;
    default:
        return F::Other;
    }
}

} // namespace

DavClient::DavClient(QObject* parent) : QObject(parent), m_net(new QNetworkAccessManager(this))
{
    connect(m_net, &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply* reply, QAuthenticator* auth) {
                // Once per request: a second question means the credentials were refused.
                if (reply->property("vokAsked").toBool())
                    return;
                reply->setProperty("vokAsked", true);
                auth->setUser(m_user);
                auth->setPassword(m_password);
            });
}

DavClient::~DavClient()
{
    abortAll();
}

void DavClient::setCredentials(const QString& user, const QString& password)
{
    m_user = user;
    m_password = password;
}

void DavClient::abortAll()
{
    for (QNetworkReply* reply : m_net->findChildren<QNetworkReply*>()) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (m_inFlight > 0)
        m_waitedNs += m_waiting.nsecsElapsed();
    m_inFlight = 0;
}

qint64 DavClient::waitedNs() const
{
    return m_waitedNs + (m_inFlight > 0 ? m_waiting.nsecsElapsed() : 0);
}

void DavClient::answered()
{
    if (--m_inFlight == 0)
        m_waitedNs += m_waiting.nsecsElapsed();
}

void DavClient::send(const QByteArray& verb, const QUrl& url, const Headers& headers,
                     const QByteArray& body, Handler done, int patience)
{
    ++m_requests;
    if (m_inFlight++ == 0)
        m_waiting.start();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs * std::max(patience, 1));
    request.setRawHeader("User-Agent", "VOK_Address");
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    if (!m_user.isEmpty() && (url.scheme() == QStringLiteral("https") || isLoopback(url)))
        request.setRawHeader("Authorization",
                             "Basic " + (m_user + u':' + m_password).toUtf8().toBase64());
    auto* buffer = new QBuffer;
    buffer->setData(body);
    buffer->open(QIODevice::ReadOnly);
    QNetworkReply* reply = m_net->sendCustomRequest(request, verb, buffer);
    buffer->setParent(reply);
    auto fingerprint = std::make_shared<QString>();
    connect(reply, &QNetworkReply::sslErrors, this,
            [this, reply, fingerprint](const QList<QSslError>&) {
                const QList<QSslCertificate> chain =
                    reply->sslConfiguration().peerCertificateChain();
                if (chain.isEmpty())
                    return;
                *fingerprint =
                    QString::fromLatin1(chain.first().digest(QCryptographicHash::Sha256).toHex());
                if (!m_trusted.isEmpty() && *fingerprint == m_trusted)
                    reply->ignoreSslErrors();
            });
    connect(
        reply, &QNetworkReply::finished, this, [this, reply, fingerprint, done = std::move(done)] {
            answered();
            reply->deleteLater();
            Answer a;
            a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->isOpen()) // not after a timeout
                a.body = reply->readAll();
            const QByteArray etag = reply->rawHeader("ETag");
            if (!etag.startsWith("W/"))
                a.etag = etag;
            const QByteArray location = reply->rawHeader("Location");
            if (!location.isEmpty())
                a.location = reply->url().resolved(QUrl::fromEncoded(location));
            const QNetworkReply::NetworkError error = reply->error();
            // A handshake that failed without a certificate to name is no refusal of one.
            a.tls = error == QNetworkReply::SslHandshakeFailedError && !fingerprint->isEmpty();
            a.authFailed = a.status == 401 || error == QNetworkReply::AuthenticationRequiredError;
            if (a.status == 0) {
                a.errorText = reply->errorString();
                a.failure = failureOf(error);
            }
            a.fingerprint = *fingerprint;
            done(a);
        });
}
