#include "SyncEngine.h"

#include "DavMultistatus.h"
#include "SyncMessages.h"
#include "core/BookImport.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/GroupName.h"
#include "model/sync/SyncFields.h"
#include "model/sync/SyncText.h"
#include "model/text/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <unordered_set>

namespace {

const QByteArray kXml = "application/xml; charset=utf-8";
const QByteArray kVCard = "text/vcard; charset=utf-8";
constexpr int kGatePollMs = 500;
// Radicale took 115 s for the first sync token of 10,000 cards on a busy machine: questions
// about the whole collection wait this many times longer than the others.
constexpr int kWholeCollection = 5;

QByteArray xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

// Servers send address-data with bare LF too; the kept card has CR LF throughout.
std::string crlf(const QByteArray& text)
{
    std::string out;
    out.reserve(std::size_t(text.size()) + 64);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\n' && (i == 0 || text.at(i - 1) != '\r'))
            out += '\r';
        out += c;
    }
    return out;
}

// The book's group for a category: one it has, else a new one (added to newGroups) when CP932
// can hold the name in a group's room, else Other.
std::string groupFor(const std::string& utf8, const QStringList& groups, QStringList& newGroups)
{
    const std::string other = Text::toCp932(CVOK_AddressDoc::OtherGroup).value_or("Other");
    if (utf8.empty())
        return other;
    const QString name = QString::fromStdString(utf8);
    const std::optional<std::string> bytes = Text::toCp932(name);
    if (!bytes || bytes->empty() ||
        bytes->size() >= AddressRecord::SlotWidth[AddressRecord::Group] ||
        CVOK_AddressDoc::isRootName(name))
        return other;
    for (const QString& g : groups + newGroups) {
        const std::optional<std::string> known = Text::toCp932(g);
        if (known && GroupName::equals(*known, *bytes))
            return *known;
    }
    newGroups << name;
    return *bytes;
}

// A groups word of the state: the account's mode, then the way groups travelled.
std::string_view modeOf(std::string_view word)
{
    return word.substr(0, word.find(' '));
}

std::string_view wayOf(std::string_view word)
{
    const std::size_t at = word.find(' ');
    return at == std::string_view::npos ? std::string_view() : word.substr(at + 1);
}

} // namespace

QString SyncEngine::Summary::line() const
{
    if (nothingChanged)
        return SyncMessages::NothingChanged;
    return SyncMessages::Summary.arg(down).arg(up).arg(deletes).arg(conflicts);
}

SyncEngine::SyncEngine(CVOK_AddressDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_client(new DavClient(this))
{
    // A reading is no change of the records' revision, yet it travels.
    connect(&m_doc, &CVOK_AddressDoc::readingChanged, this, [this] {
        if (!m_givingReadings)
            m_kept.readings = true;
    });
    connect(&m_doc, &CVOK_AddressDoc::readingsGiven, this, [this] {
        if (!m_givingReadings)
            m_kept.readings = true;
    });
}

SyncEngine::~SyncEngine()
{
    m_work.waitForFinished();
}

void SyncEngine::offThread(std::function<void()> work, std::function<void()> then)
{
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this,
            [this, watcher, then = std::move(then), run = m_run] {
                watcher->deleteLater();
                if (run == m_run && m_running)
                    then();
            });
    m_work = QtConcurrent::run(std::move(work));
    watcher->setFuture(m_work);
}

void SyncEngine::parseOffThread(QByteArray body, int status, std::function<void()> then)
{
    m_parsed.reset();
    m_parsedHrefs.clear();
    offThread(
        [this, body = std::move(body), collection = m_collection] {
            m_parsed = DavMultistatus::parse(body);
            if (!m_parsed)
                return;
            m_parsedHrefs.reserve(m_parsed->responses.size());
            for (const DavMultistatus::Response& r : m_parsed->responses)
                m_parsedHrefs.push_back(hrefIn(collection, r.href));
        },
        [this, status, then = std::move(then)] {
            // No multistatus: the run ends, and the questions still out with it.
            if (!m_parsed) {
                m_client->abortAll();
                finish(Outcome::Failed, SyncMessages::BadAnswer.arg(status));
                return;
            }
            then();
        });
}

void SyncEngine::setAccount(const SyncAccount& account)
{
    if (account.addressBook != m_account.addressBook) {
        m_kept.valid = false;
        m_sawGroupCards = m_groupsListed = false;
    }
    m_account = account;
    m_collection = QUrl(account.addressBook);
    m_client->setCredentials(account.user, account.password);
    m_client->setTrustedFingerprint(account.trustedCert);
}

QUrl SyncEngine::urlOf(const std::string& href) const
{
    return m_collection.resolved(QUrl(QString::fromStdString(href), QUrl::TolerantMode));
}

// Hrefs are kept as paths, decoded, whatever form the server wrote them in.
std::string SyncEngine::hrefOf(const QString& path) const
{
    return hrefIn(m_collection, path);
}

std::string SyncEngine::hrefIn(const QUrl& collection, const QString& path)
{
    const QUrl url = collection.resolved(QUrl(path, QUrl::TolerantMode));
    return url.path(QUrl::FullyDecoded).toStdString();
}

std::string SyncEngine::localUid(const AddressRecord& record) const
{
    if (const ContactExtras* x = record.extras(); x && !x->foreignUid.empty())
        return x->foreignUid;
    return record.uid().toString();
}

const SyncState::Entry* SyncEngine::entryOf(const std::string& href) const
{
    const auto it = m_entryByHref.find(href);
    return it == m_entryByHref.end() ? nullptr : &m_state.entries[it->second];
}

const SyncPlan::Local* SyncEngine::localOf(const std::string& uid) const
{
    const auto it = m_localByUid.find(uid);
    return it == m_localByUid.end() ? nullptr : &m_locals[it->second];
}

AddressRecord* SyncEngine::recordOf(const std::string& uid) const
{
    const auto it = m_localByUid.find(uid);
    return it == m_localByUid.end() ? nullptr : m_localKeys[it->second].record;
}

void SyncEngine::start()
{
    if (m_running)
        return;
    m_work.waitForFinished();
    m_running = true;
    ++m_run;
    m_summary = Summary();
    m_listed.clear();
    m_removed.clear();
    m_changed.clear();
    m_toFetch.clear();
    m_fetched = 0;
    m_fullListing = false;
    m_offline = false;
    m_newToken.clear();
    m_newCtag.clear();
    if (m_doc.loading() && !m_collection.isEmpty()) {
        // The book is still being read (a run asked for right after the start): an empty book
        // now would look like every contact deleted here.
        connect(
            &m_doc, &CVOK_AddressDoc::bookLoaded, this,
            [this, run = m_run] {
                if (run == m_run && m_running)
                    begin();
            },
            Qt::SingleShotConnection);
        return;
    }
    begin();
}

void SyncEngine::begin()
{
    if (m_collection.isEmpty() || !m_doc.writable()) {
        finish(Outcome::Failed,
               m_collection.isEmpty() ? SyncMessages::NoAccount : SyncMessages::NotSaved);
        return;
    }
    m_statePath =
        QFile::encodeName(DataLocation::syncFilePath(m_doc.addressFilePath())).toStdString();
    // The state this engine wrote last is still the file's, and the book has not changed
    // since: the quiet run's common case needs neither the file nor the book's slots.
    const QFileInfo file(QString::fromStdString(m_statePath));
    const bool stateKept = m_kept.valid && file.exists() && file.size() == m_kept.size &&
                           file.lastModified() == m_kept.time;
    if (!stateKept) {
        if (m_state.load(m_statePath) != SyncState::Status::Ok ||
            m_state.collection != m_collection.toString().toStdString()) {
            // Another address book, or no usable state: a first sync, which pairs by UID.
            m_state = SyncState();
            m_state.collection = m_collection.toString().toStdString();
        }
        m_entryByHref.clear();
        for (std::size_t i = 0; i < m_state.entries.size(); ++i)
            m_entryByHref[m_state.entries[i].href] = i;
    }
    m_quiet = stateKept && m_kept.revision == m_doc.revision() && !m_kept.readings;
    if (m_quiet)
        askToken();
    else
        readBook([this] { askToken(); });
}

void SyncEngine::readBook(std::function<void()> then)
{
    // Here only each record held against what its slots were made from, and a copy of the few
    // that differ; their slots, on a pool thread.
    m_bookCopy.clear();
    const RecordList& records = m_doc.records();
    m_localsMoved = records.size() != m_localKeys.size();
    std::size_t i = 0;
    for (auto r = records.begin(); !m_localsMoved && r != records.end(); ++r, ++i)
        m_localsMoved = m_localKeys[i].record != r->get();
    m_localsFrom.clear();
    if (m_localsMoved) {
        // Contacts added, removed or moved: each one's slots follow its record.
        std::unordered_map<const AddressRecord*, std::size_t> at;
        at.reserve(m_localKeys.size());
        for (std::size_t k = 0; k < m_localKeys.size(); ++k)
            at.emplace(m_localKeys[k].record, k);
        m_localsFrom.reserve(records.size());
        for (const auto& r : records) {
            const auto it = at.find(r.get());
            m_localsFrom.push_back(it == at.end() ? SyncPlan::npos : it->second);
        }
    }
    i = 0;
    for (const auto& r : records) {
        const std::size_t from = m_localsMoved ? m_localsFrom[i] : i;
        const LocalKey* key = from == SyncPlan::npos ? nullptr : &m_localKeys[from];
        const std::string_view reading = m_doc.storedReading(r->name());
        if (!key || key->record != r.get() || key->uid != r->uid() ||
            key->value.sharedExtras() != r->sharedExtras() || !key->value.sameFields(*r) ||
            key->reading != reading)
            m_bookCopy.push_back({i, r.get(), r->uid(), localUid(*r), *r, std::string(reading)});
        ++i;
    }
    m_quiet = false;
    // What the book held now is what this run syncs; a change after this is the next run's.
    m_readRevision = m_doc.revision();
    m_kept.readings = false;
    offThread([this] { buildLocals(); }, std::move(then));
}

void SyncEngine::buildLocals()
{
    if (m_localsMoved) {
        std::vector<SyncPlan::Local> locals(m_localsFrom.size());
        std::vector<LocalKey> keys(m_localsFrom.size());
        for (std::size_t i = 0; i < m_localsFrom.size(); ++i) {
            if (m_localsFrom[i] == SyncPlan::npos)
                continue;
            locals[i] = std::move(m_locals[m_localsFrom[i]]);
            keys[i] = std::move(m_localKeys[m_localsFrom[i]]);
        }
        m_locals = std::move(locals);
        m_localKeys = std::move(keys);
        m_localsFrom.clear();
    }
    bool uidsChanged = m_localsMoved;
    for (BookCopy& c : m_bookCopy) {
        SyncPlan::Local& l = m_locals[c.index];
        uidsChanged = uidsChanged || l.uid != c.uid;
        l.fields = SyncFields::fromRecord(c.record, c.reading);
        l.uid = std::move(c.uid);
        m_localKeys[c.index] = {c.live, std::move(c.record), c.liveUid, std::move(c.reading)};
    }
    m_bookCopy.clear();
    if (uidsChanged) {
        m_localByUid.clear();
        m_localByUid.reserve(m_locals.size());
        for (std::size_t i = 0; i < m_locals.size(); ++i)
            m_localByUid[m_locals[i].uid] = i;
    }
}

bool SyncEngine::bookDiffers() const
{
    if (m_locals.size() != m_state.entries.size())
        return true;
    for (const SyncState::Entry& e : m_state.entries) {
        const SyncPlan::Local* l = localOf(e.uid);
        if (!l || l->fields != e.base)
            return true;
    }
    return false;
}

std::string SyncEngine::groupsWord(SyncAccount::GroupMode mode, bool byCard)
{
    using Mode = SyncAccount::GroupMode;
    return std::string(mode == Mode::Auto         ? "auto"
                       : mode == Mode::Categories ? "categories"
                                                  : "cards") +
           (byCard ? " cards" : " categories");
}

bool SyncEngine::groupModeChanged() const
{
    return !m_state.groups.empty() &&
           modeOf(m_state.groups) != modeOf(groupsWord(m_account.groupMode, m_byCard));
}

QString SyncEngine::offlineText(const DavClient::Answer& a)
{
    if (!a.errorText.isEmpty())
        m_summary.notes << SyncMessages::NetworkDetail.arg(a.errorText);
    return SyncMessages::Offline.arg(SyncMessages::networkReason(int(a.failure)));
}

bool SyncEngine::failedAnswer(const DavClient::Answer& a)
{
    if (a.status / 100 == 2)
        return false;
    if (a.tls) {
        m_summary.fingerprint = a.fingerprint;
        finish(Outcome::Offline, SyncMessages::TlsRefused.arg(a.fingerprint));
    } else if (a.status == 0) {
        finish(Outcome::Offline, offlineText(a));
    } else if (a.authFailed) {
        finish(Outcome::AuthFailed, SyncMessages::AuthFailed);
    } else {
        finish(Outcome::Failed,
               SyncMessages::ServerError.arg(a.status).arg(m_collection.toDisplayString()));
    }
    return true;
}

void SyncEngine::askToken()
{
    // A collection's tag costs some servers far less to work out than its sync token (Radicale
    // a third less at 10,000 cards): once a run has kept it, the next asks for the tag alone,
    // and the token comes with the changes when the tag moved.
    const bool byTag = !m_state.ctag.empty() && !m_state.token.empty();
    const QByteArray body =
        QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                   "<d:propfind xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\">"
                   "<d:prop>") +
        (byTag ? "<cs:getctag/>" : "<d:sync-token/><cs:getctag/>") +
        "<d:resourcetype/></d:prop></d:propfind>";
    m_client->send(
        "PROPFIND", m_collection, {{"Depth", "0"}, {"Content-Type", kXml}}, body,
        [this, byTag](const DavClient::Answer& a) {
            if (failedAnswer(a))
                return;
            const std::optional<DavMultistatus> ms = DavMultistatus::parse(a.body);
            if (!ms || ms->responses.empty()) {
                finish(Outcome::Failed, SyncMessages::BadAnswer.arg(a.status));
                return;
            }
            const QString token = ms->responses.front().syncToken;
            m_newCtag = ms->responses.front().ctag.toStdString();
            if (byTag && m_newCtag.empty()) {
                // The server no longer gives a tag: its token instead.
                m_state.ctag.clear();
                askToken();
                return;
            }
            const bool same = byTag ? m_newCtag == m_state.ctag
                                    : !token.isEmpty() && token.toStdString() == m_state.token;
            // Asked only now: with the tag moved, the plan looks at every contact anyway.
            if (same && (m_quiet || !bookDiffers()) && !groupModeChanged()) {
                m_summary.nothingChanged = true;
                keepTag();
                finish(Outcome::Ok);
                return;
            }
            const QString known = byTag ? QString::fromStdString(m_state.token) : token;
            if (m_quiet)
                readBook([this, known] { afterToken(known); });
            else
                afterToken(known);
        },
        byTag ? 1 : kWholeCollection);
}

void SyncEngine::keepTag()
{
    if (m_newCtag == m_state.ctag)
        return;
    m_state.ctag = m_newCtag;
    const bool wasKept = m_kept.valid;
    m_kept.valid = false;
    if (!m_state.save(m_statePath) || !wasKept)
        return;
    const QFileInfo written(QString::fromStdString(m_statePath));
    m_kept.valid = true;
    m_kept.size = written.size();
    m_kept.time = written.lastModified();
}

void SyncEngine::afterToken(const QString& token)
{
    // Without a token of ours, a listing of ETags (far cheaper than a sync-collection from
    // nothing on some servers) and the collection's token now: what changes meanwhile comes
    // again next time.
    m_serverToken = token == QString::fromStdString(m_state.token) ? QString() : token;
    if (token.isEmpty() || m_state.token.empty()) {
        m_newToken = token;
        listAll();
    } else {
        askChanges(QString::fromStdString(m_state.token));
    }
}

void SyncEngine::askChanges(const QString& token)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                            xmlEscaped(token) +
                            "</d:sync-token><d:sync-level>1</d:sync-level>"
                            "<d:prop><d:getetag/></d:prop></d:sync-collection>";
    m_fullListing = m_fullListing || token.isEmpty();
    m_client->send(
        "REPORT", m_collection, {{"Depth", "0"}, {"Content-Type", kXml}}, body,
        [this, token](const DavClient::Answer& a) {
            // A token the server no longer knows: every ETag again, and its
            // token now.
            if (!token.isEmpty() && (a.status == 403 || a.status == 400 || a.status == 409)) {
                m_newToken = m_serverToken;
                listAll();
                return;
            }
            if (failedAnswer(a))
                return;
            parseOffThread(a.body, a.status, [this] {
                const std::string self = m_collection.path(QUrl::FullyDecoded).toStdString();
                bool truncated = false;
                for (std::size_t i = 0; i < m_parsed->responses.size(); ++i) {
                    const DavMultistatus::Response& r = m_parsed->responses[i];
                    const std::string& href = m_parsedHrefs[i];
                    if (href == self || href + '/' == self) {
                        truncated = truncated || r.status == 507;
                        continue;
                    }
                    if (r.status == 404)
                        m_removed.insert(href);
                    else if (r.status / 100 == 2)
                        m_listed[href] = r.etag.toStdString();
                }
                m_newToken = m_parsed->syncToken;
                if (truncated) {
                    askChanges(m_newToken); // the rest, from where this part ended
                    return;
                }
                fetch();
            });
        },
        token.isEmpty() ? kWholeCollection : 1);
}

void SyncEngine::listAll()
{
    m_fullListing = true;
    // A token the server refused and no newer one at hand: the collection's own, with the list.
    const QByteArray body =
        QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                   "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/>") +
        (m_newToken.isEmpty() && !m_state.token.empty() ? "<d:sync-token/>" : "") +
        "<d:resourcetype/></d:prop></d:propfind>";
    m_client->send(
        "PROPFIND", m_collection, {{"Depth", "1"}, {"Content-Type", kXml}}, body,
        [this](const DavClient::Answer& a) {
            if (failedAnswer(a))
                return;
            parseOffThread(a.body, a.status, [this] {
                for (std::size_t i = 0; i < m_parsed->responses.size(); ++i) {
                    const DavMultistatus::Response& r = m_parsed->responses[i];
                    if (!r.collection && r.status / 100 == 2)
                        m_listed[m_parsedHrefs[i]] = r.etag.toStdString();
                    else if (r.collection && m_newToken.isEmpty())
                        m_newToken = r.syncToken;
                }
                fetch();
            });
        },
        kWholeCollection);
}

void SyncEngine::fetch()
{
    // A full listing says what is gone by leaving it out.
    if (m_fullListing) {
        for (const SyncState::Entry& e : m_state.entries) {
            if (m_listed.count(e.href) == 0)
                m_removed.insert(e.href);
        }
    }
    m_toFetch.clear();
    for (const auto& [href, etag] : m_listed) {
        const SyncState::Entry* e = entryOf(href);
        if (!e || etag.empty() || e->etag != etag)
            m_toFetch.push_back(href);
    }
    m_fetched = 0;
    m_asked = 0;
    m_answers.clear();
    m_asking = false;
    m_parsing = false;
    if (m_toFetch.empty()) {
        askGroups();
        return;
    }
    askBatch();
}

void SyncEngine::askBatch()
{
    const std::size_t end = std::min(m_toFetch.size(), m_asked + std::size_t(m_batch));
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                      "<c:addressbook-multiget xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (std::size_t i = m_asked; i < end; ++i)
        body += "<d:href>" + xmlEscaped(urlOf(m_toFetch[i]).path(QUrl::FullyEncoded)) + "</d:href>";
    body += "</c:addressbook-multiget>";
    emit progress(int(m_fetched), int(m_toFetch.size()));
    m_asked = end;
    m_asking = true;
    m_client->send("REPORT", m_collection, {{"Depth", "1"}, {"Content-Type", kXml}}, body,
                   [this, end](const DavClient::Answer& a) {
                       m_asking = false;
                       if (failedAnswer(a))
                           return;
                       m_answers.push_back({a.body, end, a.status});
                       if (m_asked < m_toFetch.size())
                           askBatch();
                       if (!m_parsing)
                           parseBatch();
                   });
}

void SyncEngine::parseBatch()
{
    if (m_answers.empty()) {
        if (!m_asking)
            askGroups(); // every batch answered and parsed
        return;
    }
    Batch batch = std::move(m_answers.front());
    m_answers.pop_front();
    m_parsing = true;
    parseOffThread(std::move(batch.body), batch.status, [this, end = batch.end] {
        m_parsing = false;
        for (std::size_t i = 0; i < m_parsed->responses.size(); ++i) {
            const DavMultistatus::Response& r = m_parsed->responses[i];
            const std::string& href = m_parsedHrefs[i];
            if (r.status == 404)
                m_removed.insert(href);
            else if (r.status / 100 == 2 && !r.addressData.isEmpty())
                m_changed[href] = {r.etag.toStdString(), crlf(r.addressData)};
        }
        m_fetched = end;
        parseBatch();
    });
}

void SyncEngine::askGroups()
{
    m_groupCards = GroupCards();
    m_groupsAnswered = false;
    // A run that listed the whole collection has fetched every group card (they never enter
    // the state); asking again would make the server read every card. In 自動, once the server
    // held no group card, a new one comes among the changed cards: no question of its own, so
    // that one change stays within four requests.
    const SyncAccount::GroupMode mode = m_account.groupMode;
    if (mode == SyncAccount::GroupMode::Categories || m_fullListing ||
        (mode == SyncAccount::GroupMode::Auto && m_groupsListed && !m_sawGroupCards)) {
        plan();
        return;
    }
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<c:addressbook-query xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
        "<d:prop><d:getetag/><c:address-data/></d:prop><c:filter test=\"anyof\">"
        "<c:prop-filter name=\"KIND\"><c:text-match collation=\"i;unicode-casemap\" "
        "match-type=\"equals\">group</c:text-match></c:prop-filter>"
        "<c:prop-filter name=\"X-ADDRESSBOOKSERVER-KIND\"><c:text-match "
        "collation=\"i;unicode-casemap\" match-type=\"equals\">group</c:text-match>"
        "</c:prop-filter></c:filter></c:addressbook-query>";
    m_client->send("REPORT", m_collection, {{"Depth", "1"}, {"Content-Type", kXml}}, body,
                   [this](const DavClient::Answer& a) {
                       if (a.status == 0 || a.authFailed || a.tls) {
                           failedAnswer(a);
                           return;
                       }
                       const std::optional<DavMultistatus> ms =
                           a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
                       m_groupsAnswered = ms.has_value();
                       m_groupsListed = m_groupsListed || m_groupsAnswered;
                       for (std::size_t i = 0; ms && i < ms->responses.size(); ++i) {
                           const DavMultistatus::Response& r = ms->responses[i];
                           if (r.status / 100 == 2 && !r.addressData.isEmpty())
                               m_groupCards.add(hrefOf(r.href), r.etag.toStdString(),
                                                crlf(r.addressData));
                       }
                       plan();
                   });
}

void SyncEngine::plan()
{
    std::vector<std::string> groups;
    for (const QString& g : m_doc.groupNames())
        groups.push_back(g.toStdString());
    const bool icloud = m_collection.host().endsWith(u"icloud.com", Qt::CaseInsensitive);
    m_runMode = m_account.groupMode;
    offThread(
        [this, collection = m_collection.path(QUrl::FullyDecoded).toStdString(),
         groups = std::move(groups), icloud, mode = m_account.groupMode, complete = m_fullListing] {
            using Mode = SyncAccount::GroupMode;
            // Not asked for, or a server that cannot list them: those among the changed cards.
            if (mode != Mode::Categories && !m_groupsAnswered) {
                for (const auto& [href, card] : m_changed)
                    m_groupCards.add(href, card.etag, card.text);
            }
            // A server that could not list them keeps the last run's choice, so that an
            // incremental run seeing no group card does not switch to CATEGORIES.
            const bool known = m_groupsAnswered || complete;
            m_sawGroupCards =
                known ? !m_groupCards.empty() : m_sawGroupCards || !m_groupCards.empty();
            m_groupsListed = m_groupsListed || known;
            m_byCard =
                mode == Mode::GroupCards || (mode == Mode::Auto && (m_sawGroupCards || icloud));
            // The bases' groups travelled the other way: no base for them.
            m_switched = !m_state.groups.empty() &&
                         wayOf(m_state.groups) != wayOf(groupsWord(mode, m_byCard));
            // Group cards settle every contact, and so does a change of the groups' way: they
            // need them all in the plan.
            m_plan = SyncPlan::make(m_state, m_locals, m_changed, m_removed, collection, m_byCard,
                                    m_byCard || m_switched, &m_lastCards);
            if (m_byCard)
                m_groupCards.reconcile(m_plan, m_state, groups, collection, m_switched);
            else if (m_switched)
                GroupCards::mergeCategories(m_plan);
        },
        [this] { afterPlan(); });
}

void SyncEngine::afterPlan()
{
    if (m_plan.isFirstMerge(m_state) && !m_firstSyncMerge) {
        m_summary.serverCount = int(m_plan.serverSize);
        m_summary.bookCount = int(m_plan.bookSize);
        m_summary.samePerson = int(m_plan.pairs);
        finish(
            Outcome::FirstSyncDecision,
            SyncMessages::FirstSync.arg(m_plan.serverSize).arg(m_plan.bookSize).arg(m_plan.pairs));
        return;
    }
    if (m_plan.needsConfirmation() && !m_forceDeletes) {
        finish(Outcome::NeedsDecision,
               SyncMessages::TooManyDeletes.arg(m_plan.bookRemovals()).arg(m_plan.serverDeletes()));
        return;
    }
    m_writes.clear();
    for (std::size_t i = 0; i < m_plan.items.size(); ++i) {
        if (m_plan.items[i].server != SyncPlan::Item::Server::Keep)
            m_writes.push_back(i);
    }
    m_tries.assign(m_plan.items.size(), 0);
    m_failed.assign(m_plan.items.size(), false);
    m_nextWrite = 0;
    m_nextGroup = 0;
    m_groupTries.assign(m_groupCards.cards().size(), 0);
    if (m_beforeWrites)
        m_beforeWrites();
    writeNext();
}

void SyncEngine::writeNext()
{
    if (!m_offline && m_nextWrite >= m_writes.size() && m_byCard &&
        m_nextGroup < m_groupCards.cards().size()) {
        writeGroup(m_nextGroup);
        return;
    }
    if (m_offline || m_nextWrite >= m_writes.size()) {
        if (m_offline) {
            for (std::size_t k = m_nextWrite; k < m_writes.size(); ++k)
                m_failed[m_writes[k]] = true;
            for (std::size_t k = m_nextGroup; k < m_groupCards.cards().size(); ++k) {
                for (std::size_t i : m_groupCards.cards()[k].items)
                    m_failed[i] = true;
            }
        }
        refreshEtags();
        return;
    }
    emit progress(int(m_nextWrite), int(m_writes.size()));
    write(m_writes[m_nextWrite]);
}

void SyncEngine::write(std::size_t index)
{
    using Server = SyncPlan::Item::Server;
    SyncPlan::Item& item = m_plan.items[index];
    if (item.server == Server::Keep) {
        ++m_nextWrite;
        writeNext();
        return;
    }
    DavClient::Headers headers;
    QByteArray verb = "PUT";
    QByteArray body;
    if (item.server == Server::Delete) {
        verb = "DELETE";
        headers.append(
            qMakePair(QByteArray("If-Match"), QByteArray(QByteArray::fromStdString(item.etag))));
    } else {
        headers.append(qMakePair(QByteArray("Content-Type"), QByteArray(kVCard)));
        if (item.server == Server::Create || item.etag.empty())
            headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
        else
            headers.append(qMakePair(QByteArray("If-Match"),
                                     QByteArray(QByteArray::fromStdString(item.etag))));
        body = QByteArray::fromStdString(item.card);
    }
    m_client->send(verb, urlOf(item.href), headers, body,
                   [this, index](const DavClient::Answer& a) {
                       SyncPlan::Item& item = m_plan.items[index];
                       const bool deleting = item.server == Server::Delete;
                       if (a.status / 100 == 2 || (deleting && a.status == 404)) {
                           if (deleting) {
                               item.keepState = false;
                               ++m_summary.deletes;
                           } else {
                               item.etag = a.etag.toStdString(); // empty: fetched again below
                               ++m_summary.up;
                           }
                           item.server = Server::Keep;
                           ++m_nextWrite;
                           writeNext();
                           return;
                       }
                       if ((a.status == 412 || a.status == 404) && ++m_tries[index] <= MaxRetries) {
                           refetchThenRetry(index);
                           return;
                       }
                       if (!deleting && (a.status == 409 || a.status == 403) &&
                           DavMultistatus::errorOf(a.body) == u"no-uid-conflict" &&
                           ++m_tries[index] <= MaxRetries) {
                           adoptHref(index, DavMultistatus::errorHref(a.body));
                           return;
                       }
                       if (a.status == 0 || a.tls) {
                           m_offline = true;
                           m_summary.message =
                               a.tls ? SyncMessages::TlsRefused.arg(a.fingerprint) : offlineText(a);
                       } else if (a.authFailed) {
                           m_offline = true;
                           m_summary.message = SyncMessages::AuthFailed;
                       } else {
                           m_summary.notes << SyncMessages::CardRefused.arg(a.status).arg(
                               QString::fromStdString(item.href));
                       }
                       m_failed[index] = true;
                       ++m_nextWrite;
                       writeNext();
                   });
}

void SyncEngine::writeGroup(std::size_t index)
{
    GroupCards::Card& card = m_groupCards.cards()[index];
    // A member whose contact could not be deleted, or came back, stays.
    for (const auto& [uid, item] : card.leaving) {
        if (m_failed[item] || m_plan.items[item].keepState)
            card.removed.erase(uid);
    }
    if (card.added.empty() && card.removed.empty()) {
        ++m_nextGroup;
        writeNext();
        return;
    }
    DavClient::Headers headers;
    headers.append(qMakePair(QByteArray("Content-Type"), QByteArray(kVCard)));
    if (card.isNew || card.etag.empty())
        headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    else
        headers.append(
            qMakePair(QByteArray("If-Match"), QByteArray(QByteArray::fromStdString(card.etag))));
    const QByteArray body =
        QByteArray::fromStdString(GroupCards::edited(card.text, card.added, card.removed));
    m_client->send(
        "PUT", urlOf(card.href), headers, body, [this, index](const DavClient::Answer& a) {
            GroupCards::Card& card = m_groupCards.cards()[index];
            if (a.status / 100 == 2) {
                // Its ETag lets the token move on past this write.
                card.written = true;
                card.etag = a.etag.toStdString();
                ++m_summary.up;
                ++m_nextGroup;
                writeNext();
                return;
            }
            if ((a.status != 412 && a.status != 404) || ++m_groupTries[index] > MaxRetries) {
                groupFailed(index, a);
                return;
            }
            // Changed or gone meanwhile: the same member edits on what it is now.
            m_client->send("GET", urlOf(card.href), {}, {},
                           [this, index](const DavClient::Answer& a) {
                               GroupCards::Card& card = m_groupCards.cards()[index];
                               if (a.status == 404) {
                                   card.isNew = true;
                                   card.etag.clear();
                               } else if (a.status / 100 == 2) {
                                   card.isNew = false;
                                   card.etag = a.etag.toStdString();
                                   card.text = crlf(a.body);
                               } else {
                                   groupFailed(index, a);
                                   return;
                               }
                               writeGroup(index);
                           });
        });
}

void SyncEngine::groupFailed(std::size_t index, const DavClient::Answer& a)
{
    // The contacts it moved keep their old state: the next run moves them again.
    const GroupCards::Card& card = m_groupCards.cards()[index];
    for (std::size_t i : card.items)
        m_failed[i] = true;
    if (a.status == 0 || a.tls) {
        m_offline = true;
        m_summary.message = a.tls ? SyncMessages::TlsRefused.arg(a.fingerprint) : offlineText(a);
    } else {
        m_summary.notes << SyncMessages::CardRefused.arg(a.status).arg(
            QString::fromStdString(card.href));
    }
    ++m_nextGroup;
    writeNext();
}

void SyncEngine::refetchThenRetry(std::size_t index)
{
    const SyncPlan::Item& item = m_plan.items[index];
    m_client->send("GET", urlOf(item.href), {}, {}, [this, index](const DavClient::Answer& a) {
        SyncPlan::Item& item = m_plan.items[index];
        const SyncState::Entry* base = entryOf(item.href);
        const SyncPlan::Local* l = localOf(item.uid);
        if (a.status == 404) {
            // Gone meanwhile: a delete is done; an edit makes it again.
            if (item.server == SyncPlan::Item::Server::Delete) {
                item.keepState = false;
                item.server = SyncPlan::Item::Server::Keep;
                ++m_nextWrite;
                writeNext();
                return;
            }
            item.server = SyncPlan::Item::Server::Create;
            item.etag.clear();
            write(index);
            return;
        }
        if (a.status / 100 != 2) {
            m_failed[index] = true;
            if (a.status == 0)
                m_offline = true;
            ++m_nextWrite;
            writeNext();
            return;
        }
        SyncPlan::Card fresh{a.etag.toStdString(), crlf(a.body)};
        SyncPlan::remerge(item, base, l ? &l->fields : nullptr, fresh, m_byCard);
        if (m_byCard)
            m_groupCards.settle(index, item);
        else if (m_switched)
            GroupCards::mergeCategory(item, fresh.text); // as planned: the base's went by card
        write(index);
    });
}

void SyncEngine::adoptHref(std::size_t index, const QString& href)
{
    const auto adopt = [this, index](const std::string& where) {
        SyncPlan::Item& item = m_plan.items[index];
        if (where.empty() || where == item.href) {
            m_failed[index] = true;
            m_summary.notes << SyncMessages::CardRefused.arg(409).arg(
                QString::fromStdString(item.href));
            ++m_nextWrite;
            writeNext();
            return;
        }
        item.href = where;
        refetchThenRetry(index);
    };
    if (!href.isEmpty()) {
        adopt(hrefOf(href));
        return;
    }
    // The server did not say where: it is asked for the card of that UID.
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<c:addressbook-query xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
        "<d:prop><d:getetag/></d:prop><c:filter><c:prop-filter name=\"UID\">"
        "<c:text-match collation=\"i;octet\" match-type=\"equals\">" +
        xmlEscaped(QString::fromStdString(m_plan.items[index].uid)) +
        "</c:text-match></c:prop-filter></c:filter></c:addressbook-query>";
    m_client->send("REPORT", m_collection, {{"Depth", "1"}, {"Content-Type", kXml}}, body,
                   [this, adopt](const DavClient::Answer& a) {
                       const std::optional<DavMultistatus> ms =
                           a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
                       std::string where;
                       for (std::size_t i = 0; ms && i < ms->responses.size() && where.empty();
                            ++i) {
                           if (ms->responses[i].status / 100 == 2 && !ms->responses[i].collection)
                               where = hrefOf(ms->responses[i].href);
                       }
                       adopt(where);
                   });
}

void SyncEngine::refreshEtags()
{
    // Cards written without a strong ETag in the answer: the server's own bytes and ETag. A
    // group card's too: without it the token could not move past our own write.
    struct Unsure
    {
        std::string href;
        std::string* etag;
        std::string* text;
    };
    std::vector<Unsure> unsure;
    for (SyncPlan::Item& item : m_plan.items) {
        if (item.keepState && item.etag.empty())
            unsure.push_back({item.href, &item.etag, &item.card});
    }
    for (GroupCards::Card& card : m_groupCards.cards()) {
        if (card.written && card.etag.empty())
            unsure.push_back({card.href, &card.etag, &card.text});
    }
    if (unsure.empty() || m_offline) {
        catchUpToken();
        return;
    }
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                      "<c:addressbook-multiget xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const Unsure& u : unsure)
        body += "<d:href>" + xmlEscaped(urlOf(u.href).path(QUrl::FullyEncoded)) + "</d:href>";
    body += "</c:addressbook-multiget>";
    m_client->send("REPORT", m_collection, {{"Depth", "1"}, {"Content-Type", kXml}}, body,
                   [this, unsure = std::move(unsure)](const DavClient::Answer& a) {
                       const std::optional<DavMultistatus> ms =
                           a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
                       if (ms) {
                           std::map<std::string, const DavMultistatus::Response*> by;
                           for (const DavMultistatus::Response& r : ms->responses)
                               by[hrefOf(r.href)] = &r;
                           for (const Unsure& u : unsure) {
                               const auto it = by.find(u.href);
                               if (it == by.end())
                                   continue;
                               *u.etag = it->second->etag.toStdString();
                               if (!it->second->addressData.isEmpty())
                                   *u.text = crlf(it->second->addressData);
                           }
                       }
                       catchUpToken();
                   });
}

bool SyncEngine::wroteToServer()
{
    const auto& groups = m_groupCards.cards();
    return !m_writes.empty() ||
           std::any_of(groups.begin(), groups.end(), [](const auto& c) { return c.written; });
}

void SyncEngine::catchUpToken()
{
    // Our own writes moved the collection's token on. When nothing but them happened since,
    // the newer token is ours to keep, so the next run with nothing to do asks one question.
    if (m_offline || m_newToken.isEmpty() || !wroteToServer()) {
        prepareApply();
        return;
    }
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                            xmlEscaped(m_newToken) +
                            "</d:sync-token><d:sync-level>1</d:sync-level>"
                            "<d:prop><d:getetag/></d:prop></d:sync-collection>";
    m_client->send("REPORT", m_collection, {{"Depth", "0"}, {"Content-Type", kXml}}, body,
                   [this](const DavClient::Answer& a) {
                       const std::optional<DavMultistatus> ms =
                           a.status == 207 ? DavMultistatus::parse(a.body) : std::nullopt;
                       if (ms && !ms->syncToken.isEmpty()) {
                           // href → the ETag written there; empty once deleted.
                           std::map<std::string, std::optional<std::string>> written;
                           for (std::size_t i : m_writes) {
                               const SyncPlan::Item& item = m_plan.items[i];
                               if (!m_failed[i])
                                   written[item.href] =
                                       item.keepState ? std::optional(item.etag) : std::nullopt;
                           }
                           for (const GroupCards::Card& card : m_groupCards.cards()) {
                               if (card.written)
                                   written[card.href] = card.etag;
                           }
                           const std::string self =
                               m_collection.path(QUrl::FullyDecoded).toStdString();
                           bool onlyOurs = true;
                           for (const DavMultistatus::Response& r : ms->responses) {
                               const std::string href = hrefOf(r.href);
                               if (href == self || href + '/' == self)
                                   continue;
                               const auto it = written.find(href);
                               onlyOurs =
                                   onlyOurs && it != written.end() &&
                                   (r.status == 404 ? !it->second
                                                    : it->second && !it->second->empty() &&
                                                          *it->second == r.etag.toStdString());
                           }
                           if (onlyOurs)
                               m_newToken = ms->syncToken;
                       }
                       prepareApply();
                   });
}

void SyncEngine::prepareApply()
{
    // The records to add, built on a pool thread: a first download brings the whole server.
    m_groups = m_doc.groupNames();
    m_newGroups.clear();
    m_prepared.clear();
    offThread(
        [this] {
            for (std::size_t i = 0; i < m_plan.items.size(); ++i) {
                const SyncPlan::Item& item = m_plan.items[i];
                if (item.book != SyncPlan::Item::Book::Add)
                    continue;
                auto r = std::make_unique<AddressRecord>();
                SyncFields::toRecord(
                    item.fields,
                    groupFor(item.fields.value[AddressRecord::Group], m_groups, m_newGroups), *r);
                if (const std::optional<ContactUid> uid = ContactUid::parse(item.uid)) {
                    r->setUid(*uid);
                } else {
                    r->setUid(ContactUid::fromForeign(item.uid));
                    ContactExtras x = r->extras() ? *r->extras() : ContactExtras();
                    x.foreignUid = item.uid;
                    r->setExtras(x);
                }
                SyncFields base =
                    SyncFields::fromRecord(*r, item.fields.value[SyncFields::Reading]);
                AddressRecord value = *r;
                const ContactUid uid = r->uid();
                m_prepared.push_back({i, std::move(r), std::move(base), std::move(value), uid});
            }
        },
        [this] { waitToApply(); });
}

void SyncEngine::waitToApply()
{
    if (m_gate && !m_gate()) {
        QTimer::singleShot(kGatePollMs, this, [this, run = m_run] {
            if (run == m_run && m_running)
                waitToApply();
        });
        return;
    }
    apply();
}

void SyncEngine::apply()
{
    using Book = SyncPlan::Item::Book;
    CVOK_AddressDoc::SyncChanges changes;
    // The record still holds what the plan was made from: otherwise it waits for the next run.
    const auto unchanged = [&](const SyncPlan::Item& item, AddressRecord*& record) {
        record = recordOf(item.uid);
        if (!record || !m_doc.contains(record))
            return false;
        const SyncPlan::Local* l = localOf(item.uid);
        return l &&
               SyncFields::fromRecord(*record, m_doc.storedReading(record->name())) == l->fields;
    };
    m_bases.clear();
    for (std::size_t i = 0; i < m_plan.items.size(); ++i) {
        SyncPlan::Item& item = m_plan.items[i];
        AddressRecord* record = nullptr;
        switch (item.book) {
        case Book::Keep:
        case Book::Add:
            break;
        case Book::Change:
            if (!unchanged(item, record)) {
                m_failed[i] = true;
                break;
            }
            {
                AddressRecord value = *record;
                SyncFields::toRecord(
                    item.fields,
                    groupFor(item.fields.value[AddressRecord::Group], m_groups, m_newGroups),
                    value);
                changes.edits.emplace_back(record, std::move(value));
            }
            break;
        case Book::Remove:
            if (!unchanged(item, record)) {
                m_failed[i] = true;
                break;
            }
            changes.removed.push_back(record);
            if (item.entry < m_state.entries.size())
                keepLastCard(item.uid, m_state.entries[item.entry].card);
            break;
        }
    }
    m_summary.down += int(changes.edits.size() + m_prepared.size());
    m_summary.deletes += int(changes.removed.size());
    // Changed by the user while the run went on: the next run reads the book again.
    m_changedMeanwhile = m_doc.revision() != m_readRevision;
    // The edits and removals at once; a first download's thousands of new contacts follow a
    // slice at a time, in the same step for Ctrl+Z.
    const std::uint64_t before = m_doc.revision();
    if (!changes.empty())
        m_doc.ApplySync(std::move(changes));
    m_joinSlices = m_doc.revision() != before;
    m_sliceRevision = m_doc.revision();
    addSlice(0);
}

void SyncEngine::keepLastCard(const std::string& uid, const std::string& card)
{
    static constexpr std::size_t kMostBytes = 8 << 20;
    if (const auto it = m_lastCards.find(uid); it != m_lastCards.end()) {
        m_lastCardBytes -= it->second.size();
        it->second = card;
    } else {
        m_lastCards.emplace(uid, card);
        m_lastCardOrder.push_back(uid);
    }
    m_lastCardBytes += card.size();
    while (m_lastCardBytes > kMostBytes && !m_lastCardOrder.empty()) {
        if (const auto it = m_lastCards.find(m_lastCardOrder.front()); it != m_lastCards.end()) {
            m_lastCardBytes -= it->second.size();
            m_lastCards.erase(it);
        }
        m_lastCardOrder.pop_front();
    }
}

void SyncEngine::addSlice(std::size_t from)
{
    const std::size_t count = m_prepared.size();
    if (from >= count) {
        afterAdded();
        return;
    }
    const std::size_t slice = BookImport::SliceOf(count, m_applySlice);
    if (m_doc.revision() != m_sliceRevision)
        m_changedMeanwhile = true;
    const std::size_t to = std::min(count, from + slice);
    CVOK_AddressDoc::SyncChanges changes;
    changes.added.reserve(to - from);
    for (std::size_t k = from; k < to; ++k)
        changes.added.push_back(std::move(m_prepared[k].record));
    const std::vector<AddressRecord*> records = m_doc.ApplySync(std::move(changes), m_joinSlices);
    m_joinSlices = m_joinSlices || !records.empty();
    for (std::size_t k = 0; k < records.size() && from + k < to; ++k) {
        Prepared& p = m_prepared[from + k];
        p.added = records[k];
        // Given another identity (its UID was taken): the next run works its slots out.
        p.keptUid = records[k]->uid() == p.uid;
    }
    m_sliceRevision = m_doc.revision();
    if (to < count) {
        QTimer::singleShot(0, this, [this, to, run = m_run] {
            if (run == m_run && m_running)
                addSlice(to);
        });
        return;
    }
    afterAdded();
}

void SyncEngine::afterAdded()
{
    using Book = SyncPlan::Item::Book;
    if (m_changedMeanwhile) {
        // The user may have taken some of the new contacts out between the slices (or
        // undone them): those are no longer the book's.
        std::unordered_set<const AddressRecord*> inBook;
        inBook.reserve(m_doc.records().size());
        for (const auto& r : m_doc.records())
            inBook.insert(r.get());
        for (Prepared& p : m_prepared) {
            if (p.added && !inBook.count(p.added)) {
                p.added = nullptr;
                p.keptUid = false;
            }
        }
    }
    if (!m_newGroups.isEmpty()) {
        m_doc.JoinChanges(true);
        m_doc.CreateGroups(m_newGroups);
        m_doc.JoinChanges(false);
    }
    // Readings the server gave, for names without one here (a reading serves every contact
    // of a name), with one announcement.
    std::vector<std::pair<std::string, std::string>> readings;
    const auto giveReading = [&](const AddressRecord* record, const std::string& reading) {
        if (record && !reading.empty() && m_doc.storedReading(record->name()) != reading)
            readings.emplace_back(std::string(record->name()), reading);
    };
    for (const Prepared& p : m_prepared)
        giveReading(p.added, m_plan.items[p.index].fields.value[SyncFields::Reading]);
    for (SyncPlan::Item& item : m_plan.items) {
        if (item.book == Book::Change)
            giveReading(recordOf(item.uid), item.fields.value[SyncFields::Reading]);
    }
    if (!readings.empty()) {
        m_givingReadings = true;
        m_doc.SetReadings(readings);
        m_givingReadings = false;
    }
    m_appliedRevision = m_changedMeanwhile ? ~std::uint64_t(0) : m_doc.revision();

    // The bases of the records the run changed, as the book holds them (a value may have been
    // cut on its way in); an addition without a reading of its own has its name's.
    for (Prepared& p : m_prepared) {
        if (p.added && p.base.value[SyncFields::Reading].empty())
            p.base.value[SyncFields::Reading] = m_doc.storedReading(p.added->name());
    }
    for (std::size_t i = 0; i < m_plan.items.size(); ++i) {
        const SyncPlan::Item& item = m_plan.items[i];
        if (item.book != Book::Change || m_failed[i])
            continue;
        AddressRecord* record = recordOf(item.uid);
        if (record && m_doc.contains(record))
            m_bases.emplace_back(
                i, SyncFields::fromRecord(*record, m_doc.storedReading(record->name())));
    }
    // The book first, then the state: a state ahead of the book on disk would take the
    // contacts it lacks for deleted here.
    if (m_saveInBackground) {
        m_saveInBackground([self = QPointer<SyncEngine>(this), run = m_run](bool ok) {
            if (self && run == self->m_run && self->m_running)
                self->afterBookSaved(ok);
        });
        return;
    }
    afterBookSaved(m_save ? m_save() : m_doc.SaveAddressFile());
}

void SyncEngine::afterBookSaved(bool saved)
{
    if (!saved) {
        finish(Outcome::Failed, SyncMessages::NotSaved);
        return;
    }
    // Written on a pool thread. Until it is on disk, the entries in memory may be ahead of the
    // file, so a run that stops before then reads the file again.
    m_kept.valid = false;
    auto written = std::make_shared<bool>(false);
    offThread([this, written] { *written = writeState(); },
              [this, written] { afterStateSaved(*written); });
}

bool SyncEngine::writeState()
{
    // Each contact as both sides hold it now; one not done keeps its old entry. Only entries
    // that differ are noted, so that the file takes just them.
    std::unordered_map<std::size_t, SyncFields*> bases;
    for (Prepared& p : m_prepared) {
        bases[p.index] = &p.base;
        if (!p.keptUid)
            continue;
        std::string uid = localUid(p.value);
        m_localByUid.insert_or_assign(uid, m_locals.size());
        m_locals.push_back({std::move(uid), p.base});
        m_localKeys.push_back(
            {p.added, std::move(p.value), p.uid, p.base.value[SyncFields::Reading]});
    }
    for (auto& [index, base] : m_bases)
        bases[index] = &base;
    SyncState& state = m_state;
    state.token = m_newToken.toStdString();
    // Our own writes moved the tag on: the next run asks for the token again, and keeps the tag.
    state.ctag = wroteToServer() || state.token.empty() ? std::string() : m_newCtag;
    // A contact left for the next run keeps a base of the old way: the next run merges the
    // groups again.
    if (std::find(m_failed.begin(), m_failed.end(), true) == m_failed.end())
        state.groups = groupsWord(m_runMode, m_byCard);
    // An entry the plan left out is as it was; one an item was planned from is kept only by
    // that item (not when it moved to another href, or went from both sides).
    std::vector<bool> kept(state.entries.size(), true);
    for (const SyncPlan::Item& item : m_plan.items) {
        if (item.entry < kept.size())
            kept[item.entry] = false;
    }
    for (std::size_t i = 0; i < m_plan.items.size(); ++i) {
        SyncPlan::Item& item = m_plan.items[i];
        m_summary.conflicts += int(item.conflicts.size());
        for (const std::string& note : item.unplaced) {
            state.conflicts.push_back(note);
            m_summary.notes << SyncMessages::Unplaced.arg(QString::fromStdString(note));
        }
        const auto old = m_entryByHref.find(item.href);
        const bool known = old != m_entryByHref.end() && old->second < kept.size();
        if (m_failed[i] || item.server != SyncPlan::Item::Server::Keep) {
            if (known)
                kept[old->second] = true;
            continue;
        }
        if (!item.keepState)
            continue;
        // What the book held when the run began, unless the run changed the record: an edit
        // made while the run waited then still counts as one at the next run.
        const auto changedBase = bases.find(i);
        SyncFields& base = changedBase != bases.end() ? *changedBase->second : item.fields;
        if (known) {
            kept[old->second] = true;
            SyncState::Entry& was = state.entries[old->second];
            if (was.uid == item.uid && was.etag == item.etag && was.card == item.card &&
                was.base == base)
                continue;
            was = {item.uid, item.href, std::move(item.etag), std::move(item.card),
                   std::move(base)};
            state.changedEntry(old->second);
        } else {
            m_entryByHref[item.href] = state.entries.size();
            state.entries.push_back(
                {item.uid, item.href, std::move(item.etag), std::move(item.card), std::move(base)});
            state.changedEntry(state.entries.size() - 1);
        }
    }
    // Entries no item kept: gone from both sides.
    std::size_t to = 0;
    for (std::size_t i = 0; i < state.entries.size(); ++i) {
        if (i < kept.size() && !kept[i]) {
            state.removedEntry(state.entries[i].href);
            continue;
        }
        if (to != i)
            state.entries[to] = std::move(state.entries[i]);
        ++to;
    }
    if (to != state.entries.size()) {
        state.entries.resize(to);
        m_entryByHref.clear();
        for (std::size_t i = 0; i < state.entries.size(); ++i)
            m_entryByHref[state.entries[i].href] = i;
    }
    // The plan's cards go on this thread: freeing them is no quick thing.
    m_plan = SyncPlan();
    m_bases.clear();
    m_prepared.clear();
    return state.save(m_statePath);
}

void SyncEngine::afterStateSaved(bool saved)
{
    if (!saved) {
        // The entries in memory are ahead of the file: the next run reads it again.
        m_kept.valid = false;
        finish(Outcome::Failed,
               SyncMessages::StateNotSaved.arg(QString::fromStdString(m_statePath)));
        return;
    }
    const QFileInfo written(QString::fromStdString(m_statePath));
    m_kept = {true, m_appliedRevision, m_kept.readings, written.size(), written.lastModified()};
    if (m_offline) {
        finish(Outcome::Offline, m_summary.message);
        return;
    }
    finish(Outcome::Ok);
}

void SyncEngine::abort()
{
    if (!m_running)
        return;
    m_client->abortAll();
    ++m_run; // a run waiting to apply never does
    m_work.waitForFinished();
    finish(Outcome::Failed);
}

void SyncEngine::finish(Outcome outcome, const QString& message)
{
    m_summary.outcome = outcome;
    if (!message.isEmpty())
        m_summary.message = message;
    m_summary.requests = m_client->requestCount();
    m_running = false;
    emit finished(m_summary);
}
