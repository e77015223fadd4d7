#include "Discovery.h"

#include "DavMultistatus.h"
#include "SyncMessages.h"

namespace {

constexpr int kMaxHops = 5;
const QByteArray kXml = "application/xml; charset=utf-8";
const QByteArray kAsk = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                        "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                        "<d:prop><d:resourcetype/><d:displayname/><d:current-user-principal/>"
                        "<c:addressbook-home-set/></d:prop></d:propfind>";

} // namespace

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

void Discovery::start(const QString& where, Handler done)
{
    m_done = std::move(done);
    m_triedWellKnown = false;
    ask(urlOf(where), 0);
}

void Discovery::fail(const DavClient::Answer& answer)
{
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
        return SyncMessages::Offline.arg(a.errorText);
    if (a.authFailed)
        return SyncMessages::AuthFailed;
    return SyncMessages::NoAddressBook.arg(where);
}
