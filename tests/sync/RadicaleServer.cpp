#include "RadicaleServer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <signal.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
constexpr int kStartMs = 20000;

} // namespace

RadicaleServer::~RadicaleServer()
{
    stop();
}

bool RadicaleServer::installed()
{
    return QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import radicale")}) ==
           0;
}

bool RadicaleServer::start(bool tls)
{
    QFile users(m_dir.filePath(QStringLiteral("users")));
    if (!users.open(QIODevice::WriteOnly) || users.write("alice:secret\n") < 0)
        return false;
    users.close();
    QStringList arguments;
    if (tls) {
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), key, QStringLiteral("-out"), certificatePath(),
                       QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1")});
        if (!openssl.waitForFinished(kStartMs) || openssl.exitCode() != 0)
            return false;
        arguments = {QStringLiteral("--server-ssl"),         QStringLiteral("True"),
                     QStringLiteral("--server-certificate"), certificatePath(),
                     QStringLiteral("--server-key"),         key};
    }
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(kPython,
                    QStringList{QStringLiteral("-m"), QStringLiteral("radicale"),
                                QStringLiteral("--config"), QString(),
                                QStringLiteral("--server-hosts"), QStringLiteral("127.0.0.1:0"),
                                QStringLiteral("--auth-type"), QStringLiteral("htpasswd"),
                                QStringLiteral("--auth-htpasswd-filename"), users.fileName(),
                                QStringLiteral("--auth-htpasswd-encryption"),
                                QStringLiteral("plain"), QStringLiteral("--auth-delay"),
                                QStringLiteral("0"), QStringLiteral("--storage-filesystem-folder"),
                                m_dir.filePath(QStringLiteral("store")),
                                QStringLiteral("--logging-level"), QStringLiteral("info")} +
                        arguments);
    if (!m_process.waitForStarted(kStartMs))
        return false;
    // The port is in its "Listening on '[127.0.0.1]:PORT'" line.
    const QRegularExpression listening(
        QStringLiteral("Listening on '\\[127\\.0\\.0\\.1\\]:(\\d+)'"));
    QByteArray log;
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        log += m_process.readAllStandardError();
        const QRegularExpressionMatch m = listening.match(QString::fromUtf8(log));
        if (m.hasMatch()) {
            m_base = QUrl(
                QStringLiteral("%1://127.0.0.1:%2/")
                    .arg(tls ? QStringLiteral("https") : QStringLiteral("http"), m.captured(1)));
            return true;
        }
    }
    return false;
}

void RadicaleServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

RadicaleServer::Reply RadicaleServer::request(const QByteArray& verb, const QUrl& url,
                                              const QByteArray& body,
                                              const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QNetworkAccessManager net;
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Basic " + QByteArray("alice:secret").toBase64());
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = net.sendCustomRequest(request, verb, body);
    reply->ignoreSslErrors(); // the test's own server
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(m_timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    Reply r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.body = reply->readAll();
    r.etag = reply->rawHeader("ETag");
    delete reply;
    return r;
}

QUrl RadicaleServer::addressBook(const QString& name)
{
    const QUrl url = m_base.resolved(QUrl(QStringLiteral("/alice/%1/").arg(name)));
    request("MKCOL", url,
            "<d:mkcol xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:set><d:prop>"
            "<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype></d:prop></d:set>"
            "</d:mkcol>",
            {{"Content-Type", "application/xml"}});
    return url;
}

RadicaleServer::Reply RadicaleServer::put(const QUrl& url, const QByteArray& card,
                                          const QByteArray& etag)
{
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/vcard"}};
    if (etag.isEmpty())
        headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    else
        headers.append(qMakePair(QByteArray("If-Match"), etag));
    return request("PUT", url, card, headers);
}
