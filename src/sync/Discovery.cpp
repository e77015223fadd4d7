#include "Discovery.h"

#include "DavMultistatus.h"
#include "SyncMessages.h"

#include <QDnsLookup>
#include <QHostAddress>
#include <algorithm>

namespace {

constexpr int kMaxHops = 5;
const QByteArray kXml = "application/xml; charset=utf-8";
const QByteArray kAsk = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                        "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                        "<d:prop><d:resourcetype/><d:displayname/><d:current-user-principal/>"
                        "<c:addressbook-home-set/></d:prop></d:propfind>";

QHostAddress s_nameserver;

} // namespace

void Discovery::setNameserverForTesting(const QHostAddress& address)
{
    s_nameserver = address;
}

Discovery::Discovery(DavClient& client, QObject* parent) : QObject(parent), m_client(client) {}

QUrl Discovery::urlOf(const QString& where)
{
    QString text = where.trimmed();
    if (!text.contains(QStringLiteral("://")))
        text = QStringLiteral("https://") + text;
    QUrl url(text);
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

QString Discovery::lookupHost(const QString& where)
{
    QString text = where.trimmed();
    if (text.contains(QStringLiteral("://")) || text.contains(u'/'))
        return {};
    if (const qsizetype at = text.lastIndexOf(u'@'); at >= 0)
        text = text.mid(at + 1);
    const QString host = urlOf(text).host();
    if (host.isEmpty() || urlOf(text).port() != -1 || !QHostAddress(host).isNull() ||
        host == QStringLiteral("localhost"))
        return {};
    return host;
}

QList<QUrl> Discovery::attempts(const QString& host, QList<Service> secure, QList<Service> plain)
{
    QList<QUrl> urls;
    const auto add = [&](QList<Service>& services, const QString& scheme) {
        // A lone "." says the service is not offered there (RFC 2782).
        if (services.size() == 1 &&
            (services.front().target.isEmpty() || services.front().target == QStringLiteral(".")))
            return;
        std::stable_sort(services.begin(), services.end(), [](const Service& a, const Service& b) {
            return a.priority != b.priority ? a.priority < b.priority : a.weight > b.weight;
        });
        for (const Service& s : services) {
            QUrl url;
            url.setScheme(scheme);
            QString target = s.target;
            if (target.endsWith(u'.'))
                target.chop(1);
            url.setHost(target);
            if (s.port != (scheme == QStringLiteral("https") ? 443 : 80))
                url.setPort(s.port);
            url.setPath(QStringLiteral("/"));
            if (!urls.contains(url))
                urls << url;
        }
    };
    add(secure, QStringLiteral("https"));
    add(plain, QStringLiteral("http"));
    const QUrl direct = urlOf(host);
    if (!urls.contains(direct))
        urls << direct;
    return urls;
}

void Discovery::start(const QString& where, Handler done)
{
    m_done = std::move(done);
    m_attempts.clear();
    const QString host = lookupHost(where);
    if (host.isEmpty()) {
        m_attempts << urlOf(where);
        tryNext();
        return;
    }
    lookUp(host, QStringLiteral("_carddavs._tcp."), [this, host](QList<Service> secure) {
        lookUp(host, QStringLiteral("_carddav._tcp."), [this, host, secure](QList<Service> plain) {
            m_attempts = attempts(host, secure, plain);
            tryNext();
        });
    });
}

void Discovery::lookUp(const QString& host, const QString& service,
                       std::function<void(QList<Service>)> then)
{
    auto* dns = new QDnsLookup(QDnsLookup::SRV, service + host, this);
    if (!s_nameserver.isNull())
        dns->setNameserver(s_nameserver);
    connect(dns, &QDnsLookup::finished, this, [dns, then = std::move(then)] {
        dns->deleteLater();
        QList<Service> found;
        if (dns->error() == QDnsLookup::NoError) {
            for (const QDnsServiceRecord& r : dns->serviceRecords())
                found.append(Service{r.target(), r.port(), r.priority(), r.weight()});
        }
        then(found);
    });
    dns->lookup();
}

void Discovery::tryNext()
{
    m_triedWellKnown = false;
    ask(m_attempts.takeFirst(), 0);
}

void Discovery::fail(const DavClient::Answer& answer)
{
    // The next server the DNS named, unless this one refused the user or its certificate.
    if (!m_attempts.isEmpty() && !answer.tls && !answer.authFailed) {
        tryNext();
        return;
    }
    Result r;
    r.failure = answer;
    if (r.failure.status / 100 == 2)
        r.failure.status = 404; // found nothing
    m_done(r);
}

void Discovery::ask(const QUrl& url, int hops)
{
    m_client.send("PROPFIND", url, {{"Depth", "0"}, {"Content-Type", kXml}}, kAsk,
                  [this, url, hops](const DavClient::Answer& a) {
                      if (a.status / 100 == 3 && a.location.isValid() && hops < kMaxHops) {
                          ask(a.location, hops + 1);
                          return;
                      }
                      const std::optional<DavMultistatus> ms =
                          a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
                      if (ms && !ms->responses.empty()) {
                          const DavMultistatus::Response& r = ms->responses.front();
                          if (r.addressBook) {
                              m_done({{Book{url, r.displayName}}, {}});
                              return;
                          }
                          if (!r.home.isEmpty()) {
                              listHome(url.resolved(QUrl(r.home)));
                              return;
                          }
                          if (!r.principal.isEmpty()) {
                              askHome(url.resolved(QUrl(r.principal)));
                              return;
                          }
                      }
                      if (a.status == 0 || a.tls || a.authFailed || m_triedWellKnown) {
                          fail(a);
                          return;
                      }
                      m_triedWellKnown = true;
                      ask(url.resolved(QUrl(QStringLiteral("/.well-known/carddav"))), hops + 1);
                  });
}

void Discovery::askHome(const QUrl& principal)
{
    m_client.send("PROPFIND", principal, {{"Depth", "0"}, {"Content-Type", kXml}}, kAsk,
                  [this, principal](const DavClient::Answer& a) {
                      const std::optional<DavMultistatus> ms =
                          a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
                      if (!ms || ms->responses.empty() || ms->responses.front().home.isEmpty()) {
                          fail(a);
                          return;
                      }
                      listHome(principal.resolved(QUrl(ms->responses.front().home)));
                  });
}

void Discovery::listHome(const QUrl& home)
{
    m_client.send(
        "PROPFIND", home, {{"Depth", "1"}, {"Content-Type", kXml}}, kAsk,
        [this, home](const DavClient::Answer& a) {
            const std::optional<DavMultistatus> ms =
                a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
            Result result;
            if (ms) {
                for (const DavMultistatus::Response& r : ms->responses) {
                    if (r.addressBook)
                        result.books.append(Book{home.resolved(QUrl(r.href)), r.displayName});
                }
            }
            if (result.books.isEmpty()) {
                fail(a);
                return;
            }
            m_done(result);
        });
}

QString Discovery::failureText(const Result& result, const QString& where)
{
    const DavClient::Answer& a = result.failure;
    if (a.tls)
        return SyncMessages::TlsRefused.arg(a.fingerprint);
    if (a.status == 0)
        return SyncMessages::Offline.arg(SyncMessages::networkReason(int(a.failure)));
    if (a.authFailed)
        return SyncMessages::AuthFailed;
    return SyncMessages::NoAddressBook.arg(where);
}
