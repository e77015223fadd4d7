#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "RadicaleServer.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "app/InstanceRequest.h"
#include "app/SyncLog.h"
#include "app/SyncMode.h"
#include "app/TrayIcon.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "resource.h"
#include "settings/SyncAccount.h"
#include "sync/DavMultistatus.h"
#include "sync/SyncEngine.h"
#include "sync/SyncMessages.h"
#include "ui/common/CommandTable.h"
#include "ui/list/CAddressList.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

using R = AddressRecord;

// A phone's card: a photo, two mobiles, an emoji in the note and a reading.
QByteArray phoneCard(const QByteArray& uid, const QByteArray& name = "東雲 翠")
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\r\n"
           "UID:" +
           uid + "\r\nFN:" + name + "\r\nN:" + name.split(' ').value(0) + ";" +
           name.split(' ').value(1) +
           ";;;\r\n"
           "X-PHONETIC-LAST-NAME:しののめ\r\nX-PHONETIC-FIRST-NAME:みどり\r\n"
           "TEL;TYPE=CELL:090-1234-5678\r\nTEL;TYPE=CELL:080-2222-3333\r\n"
           "TEL;TYPE=WORK,VOICE:03-1111-2222\r\n"
           "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKD\r\n"
           " BQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/\r\n"
           "NOTE:誕生日🎂 〜 楽しみ\r\nBDAY:1990-02-03\r\nX-UNKNOWN-THING;X-P=1:keep me\r\n"
           "END:VCARD\r\n";
}

QStringList lineSet(const QByteArray& card)
{
    // Unfolded lines: a re-folded long line is still the same property.
    QByteArray text = card;
    text.replace("\r\n ", "");
    QStringList lines = QString::fromUtf8(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

// Another program's reader takes the card (python3-vobject, as phones' libraries would).
bool parsesElsewhere(const QByteArray& card)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, vobject; vobject.readOne(sys.stdin.read())")});
    python.write(card);
    python.closeWriteChannel();
    return python.waitForFinished(30000) && python.exitStatus() == QProcess::NormalExit &&
           python.exitCode() == 0;
}

std::string cp932(const char* utf8)
{
    return Text::toCp932(QString::fromUtf8(utf8)).value();
}

void addTo(CVOK_AddressDoc& doc, const char* name, int field = R::Phone,
           const std::string& value = {})
{
    auto r = std::make_unique<R>();
    r->setField(R::Name, cp932(name));
    r->setField(field, value);
    r->setField(R::Group, "Other");
    doc.AddRecord(std::move(r));
}

// One book and its engine on a fresh address book of the server.
struct Side
{
    QTemporaryDir dir;
    CVOK_AddressDoc doc;
    SyncEngine engine{doc};
    SyncAccount account;
    QUrl book;

    Side(RadicaleServer& server, const QString& name) : Side(server.addressBook(name)) {}
    explicit Side(const QUrl& url) : book(url)
    {
        doc.LoadAddressFile(dir.filePath(QStringLiteral("Address.vok")));
        account.user = QStringLiteral("alice");
        account.password = QStringLiteral("secret");
        account.addressBook = book.toString();
        engine.setAccount(account);
    }
    SyncEngine::Summary sync()
    {
        QSignalSpy done(&engine, &SyncEngine::finished);
        engine.start();
        if (engine.isRunning() && !done.wait(60000))
            qWarning("sync did not end");
        return engine.lastSummary();
    }
    R* find(const char* name)
    {
        for (const auto& r : doc.records()) {
            if (r->name() == cp932(name))
                return r.get();
        }
        return nullptr;
    }
    QUrl card(const QByteArray& file) const { return book.resolved(QUrl(QString::fromUtf8(file))); }
    void add(const char* name, int field = R::Phone, const std::string& value = {})
    {
        addTo(doc, name, field, value);
    }
    void edit(const char* name, int field, const char* value)
    {
        R* r = find(name);
        R edited = *r;
        edited.setField(field, value);
        doc.ChangeRecord(r, edited);
    }
};

int cardCount(RadicaleServer& server, const QUrl& book)
{
    return int(
        server
            .request("PROPFIND", book,
                     "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>",
                     {{"Depth", "1"}})
            .body.count(".vcf</"));
}

// The account the window syncs with, stored as 環境設定 stores it; no interval of its own.
void storeAccount(const QUrl& book)
{
    SyncAccount account;
    account.user = QStringLiteral("alice");
    account.password = QStringLiteral("secret");
    account.addressBook = book.toString();
    account.intervalMinutes = 0;
    account.save();
}

QString counts(const SyncEngine::Summary& s)
{
    return QStringLiteral("%1/%2/%3/%4").arg(s.down).arg(s.up).arg(s.deletes).arg(s.conflicts);
}

QByteArray reply(const QByteArray& status, const QByteArray& body, const QByteArray& extra = {})
{
    return "HTTP/1.1 " + status + "\r\n" + extra +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray multistatus(const QByteArray& href, const QByteArray& prop)
{
    return reply("207 Multi-Status", "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>" + href +
                                         "</d:href><d:propstat><d:prop>" + prop +
                                         "</d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                                         "</d:propstat></d:response></d:multistatus>");
}

// A multistatus of (href, status, etag, card) responses, with a sync token when given.
QByteArray responses(const QList<QByteArrayList>& items, const QByteArray& token = {})
{
    QByteArray body = "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">";
    for (const QByteArrayList& r : items) {
        body += "<d:response><d:href>/dav/book/" + r[0] + "</d:href>";
        if (r[1] == "200")
            body += "<d:propstat><d:prop><d:getetag>" + r.value(2) + "</d:getetag>" +
                    (r.value(3).isEmpty() ? QByteArray()
                                          : "<c:address-data>" + r[3] + "</c:address-data>") +
                    "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>";
        else
            body += "<d:status>HTTP/1.1 " + r[1] + " X</d:status>";
        body += "</d:response>";
    }
    if (!token.isEmpty())
        body += "<d:sync-token>" + token + "</d:sync-token>";
    return reply("207 Multi-Status", body + "</d:multistatus>");
}

QByteArray plainCard(const char* uid, const char* name)
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:") + uid + "\r\nFN:" + name +
           "\r\nN:" + name + ";;;;\r\nEND:VCARD\r\n";
}

// Answers each request, once its body is in, with the next scripted reply: an empty one never
// comes (a stall); after one that starts with "!cut" the line is dropped. The question for group
// cards gets none, outside the script. "@put@" in a reply stands for the file the last PUT wrote
// (a card whose name the run made up). The requests are kept.
class ScriptedServer : public QTcpServer
{
public:
    QByteArrayList requests;

    explicit ScriptedServer(QByteArrayList replies) : m_replies(std::move(replies))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl book() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/dav/book/").arg(serverPort()));
    }
    // What the script could not know beforehand (a new contact's UID).
    void substitute(const QByteArray& from, const QByteArray& to)
    {
        for (QByteArray& r : m_replies)
            r = substituted(r, from, to);
    }

private:
    static QByteArray substituted(const QByteArray& reply, const QByteArray& from,
                                  const QByteArray& to)
    {
        const qsizetype end = reply.indexOf("\r\n\r\n");
        QByteArray body = reply.mid(end + 4);
        if (end < 0 || !body.contains(from))
            return reply;
        body.replace(from, to);
        return reply.left(reply.indexOf("Content-Length: ")) +
               "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }
    void answer(QTcpSocket* socket)
    {
        QByteArray& in = m_pending[socket];
        in += socket->readAll();
        const qsizetype end = in.indexOf("\r\n\r\n");
        const qsizetype at = in.toLower().indexOf("content-length:");
        const qsizetype length =
            at < 0 ? 0 : in.mid(at + 15, in.indexOf('\r', at) - at - 15).trimmed().toInt();
        if (end < 0 || in.size() < end + 4 + length)
            return;
        const QByteArray request = in.left(end + 4 + length);
        in.remove(0, end + 4 + length);
        if (request.contains("addressbook-query")) {
            socket->write(responses({}));
            return;
        }
        requests << request;
        if (request.startsWith("PUT ")) {
            const QByteArray path = request.left(request.indexOf(' ', 4));
            m_lastPut = path.mid(path.lastIndexOf('/') + 1);
        }
        if (!m_replies.isEmpty())
            m_replies.first() = substituted(m_replies.first(), "@put@", m_lastPut);
        const QByteArray next = m_replies.isEmpty() ? QByteArray() : m_replies.takeFirst();
        socket->write(next.startsWith("!cut") ? next.mid(4) : next);
        if (next.startsWith("!cut"))
            socket->disconnectFromHost();
    }
    QByteArrayList m_replies;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QByteArray m_lastPut;
};

} // namespace

class TestRadicale : public QObject
{
    Q_OBJECT
    RadicaleServer m_server;
    int m_books = 0;
    QString nextBook() { return QStringLiteral("book%1").arg(++m_books); }

private slots:
    void initTestCase()
    {
        if (!RadicaleServer::installed())
            QSKIP("Radicale (python3-radicale) is not installed");
        QVERIFY(m_server.start());
    }

    // The phone's card comes down whole; an edit of its office phone goes up as that one line;
    // a second run with nothing changed asks one question.
    void phoneCardBothWays()
    {
        Side side(m_server, nextBook());
        QCOMPARE(m_server.put(side.card("phone.vcf"), phoneCard("phone-1")).status, 201);
        SyncEngine::Summary s = side.sync();
        QCOMPARE(s.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(counts(s), QStringLiteral("1/0/0/0"));
        R* r = side.find("東雲 翠");
        QVERIFY(r);
        QCOMPARE(r->mobilePhone(), std::string_view("090-1234-5678"));
        QCOMPARE(r->officePhone(), std::string_view("03-1111-2222"));
        QCOMPARE(RecordText::utf8(*r, R::Memo), std::string("誕生日🎂 〜 楽しみ"));
        QCOMPARE(side.doc.storedReading(r->name()), std::string_view("しののめ みどり"));

        const QByteArray before = m_server.request("GET", side.card("phone.vcf")).body;
        side.edit("東雲 翠", R::OfficePhone, "03-5555-6666");
        const int beforeEdit = side.engine.client().requestCount();
        s = side.sync();
        QCOMPARE(counts(s), QStringLiteral("0/1/0/0"));
        // The token, the changes, the write, the new ETag: no question about group cards.
        QVERIFY(side.engine.client().requestCount() - beforeEdit <= 4);
        const QByteArray after = m_server.request("GET", side.card("phone.vcf")).body;
        QStringList gone = lineSet(before), come = lineSet(after);
        const QStringList common = [&] {
            QStringList both;
            for (const QString& l : gone)
                if (come.contains(l))
                    both << l;
            return both;
        }();
        for (const QString& l : common) {
            gone.removeOne(l);
            come.removeOne(l);
        }
        QCOMPARE(gone, QStringList{QStringLiteral("TEL;TYPE=WORK,VOICE:03-1111-2222")});
        QCOMPARE(come, QStringList{QStringLiteral("TEL;TYPE=WORK,VOICE:03-5555-6666")});
        QVERIFY(parsesElsewhere(after));

        // Quiet runs come to ask for the collection's tag alone; the phone's next edit still
        // comes down, and the run after it is quiet again.
        QByteArray was = "03-5555-6666";
        for (const char* phone : {"03-7777-8888", "03-9999-0000"}) {
            for (int quiet = 0; quiet < 2; ++quiet) {
                const int requests = side.engine.client().requestCount();
                s = side.sync();
                QVERIFY(s.nothingChanged);
                QCOMPARE(side.engine.client().requestCount() - requests, 1);
            }
            const RadicaleServer::Reply card = m_server.request("GET", side.card("phone.vcf"));
            QByteArray edited = card.body;
            edited.replace(was, phone);
            was = phone;
            QCOMPARE(m_server.put(side.card("phone.vcf"), edited, card.etag).status / 100, 2);
            s = side.sync();
            QCOMPARE(counts(s), QStringLiteral("1/0/0/0"));
            QCOMPARE(side.find("東雲 翠")->officePhone(), std::string_view(phone));
        }
    }

    // New contacts of the book go up with a UID each; a card deleted on the server goes from
    // the book in one undo step, which brings it back.
    void deleteOnServerUndoable()
    {
        Side side(m_server, nextBook());
        for (const char* name : {"山田 太郎", "佐藤 花子"})
            side.add(name, R::Phone, "03-0000-0000");
        QCOMPARE(counts(side.sync()), QStringLiteral("0/2/0/0"));
        R* yamada = side.find("山田 太郎");
        QVERIFY(yamada);
        const QUrl href = side.card(QByteArray::fromStdString(yamada->uid().toString()) + ".vcf");
        const RadicaleServer::Reply card = m_server.request("GET", href);
        QCOMPARE(card.status, 200);
        QVERIFY(card.body.contains("UID:" + QByteArray::fromStdString(yamada->uid().toString())));
        QVERIFY(parsesElsewhere(card.body));
        QCOMPARE(m_server.request("DELETE", href, {}, {{"If-Match", card.etag}}).status, 200);

        QCOMPARE(counts(side.sync()), QStringLiteral("0/0/1/0"));
        QVERIFY(!side.find("山田 太郎"));
        QVERIFY(side.doc.Undo());
        QVERIFY(side.find("山田 太郎"));
        QVERIFY(side.find("佐藤 花子"));

        // A phone's card deleted there and brought back here goes up as it was: the photo, the
        // second mobile, the birthday and what the book cannot show come back with it.
        const QByteArray phone = phoneCard("phone-undo");
        QCOMPARE(m_server.put(side.card("phone-undo.vcf"), phone).status, 201);
        QCOMPARE(counts(side.sync()), QStringLiteral("1/1/0/0")); // 山田 went up again
        const RadicaleServer::Reply down = m_server.request("GET", side.card("phone-undo.vcf"));
        QCOMPARE(
            m_server.request("DELETE", side.card("phone-undo.vcf"), {}, {{"If-Match", down.etag}})
                .status,
            200);
        QCOMPARE(counts(side.sync()), QStringLiteral("0/0/1/0"));
        QVERIFY(side.doc.Undo());
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        const QByteArray back = m_server.request("GET", side.card("phone-undo.vcf")).body;
        QCOMPARE(lineSet(back), lineSet(phone));
    }

    // The server unreachable: nothing in the book or the state changes, and the edit goes up
    // once the server is back.
    void serverDownLosesNothing()
    {
        Side side(m_server, nextBook());
        side.add("鈴木 一郎");
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        const QString bookPath = side.doc.addressFilePath();
        QFile file(bookPath), state(bookPath + QStringLiteral(".sync"));
        QVERIFY(file.open(QIODevice::ReadOnly) && state.open(QIODevice::ReadOnly));
        const QByteArray bookBytes = file.readAll(), stateBytes = state.readAll();
        file.close();
        state.close();

        R* r = side.find("鈴木 一郎");
        side.edit("鈴木 一郎", R::MobilePhone, "090-0000-0001");
        SyncAccount away = side.account;
        QUrl dead = side.book;
        dead.setPort(1); // nothing listens there
        away.addressBook = dead.toString();
        side.engine.setAccount(away);
        const SyncEngine::Summary s = side.sync();
        QCOMPARE(s.outcome, SyncEngine::Outcome::Offline);
        QVERIFY(file.open(QIODevice::ReadOnly) && state.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bookBytes);
        QCOMPARE(state.readAll(), stateBytes);
        QCOMPARE(side.find("鈴木 一郎")->mobilePhone(), std::string_view("090-0000-0001"));

        side.engine.setAccount(side.account);
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        const QByteArray card =
            m_server
                .request("GET", side.card(QByteArray::fromStdString(r->uid().toString()) + ".vcf"))
                .body;
        QVERIFY(card.contains("090-0000-0001"));
    }

    // A card changed on the server between the plan and the upload: 412, fetched, merged,
    // written again; both changes end up on both sides.
    void preconditionFailedMerges()
    {
        Side side(m_server, nextBook());
        const QUrl href = side.card("p.vcf");
        QCOMPARE(m_server.put(href, phoneCard("p-1")).status, 201);
        QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
        side.edit("東雲 翠", R::Phone, "03-7777-8888");
        side.engine.setBeforeWrites([&] {
            const RadicaleServer::Reply now = m_server.request("GET", href);
            QByteArray card = now.body;
            card.replace("BDAY:1990-02-03", "BDAY:1990-02-04");
            card.replace("NOTE:誕生日🎂 〜 楽しみ", "NOTE:メモ変更");
            QCOMPARE(m_server.put(href, card, now.etag).status / 100, 2);
        });
        const SyncEngine::Summary s = side.sync();
        side.engine.setBeforeWrites({});
        QCOMPARE(s.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(counts(s), QStringLiteral("1/1/0/0"));
        const QByteArray card = m_server.request("GET", href).body;
        QVERIFY(card.contains("03-7777-8888"));
        QVERIFY(card.contains("BDAY:1990-02-04"));
        QVERIFY(card.contains("PHOTO"));
        QCOMPARE(RecordText::utf8(*side.find("東雲 翠"), R::Memo), std::string("メモ変更"));
    }

    // The same field changed on both sides: the server's value in the field, ours in the
    // memo under a label; counted.
    void conflictKeepsBoth()
    {
        Side side(m_server, nextBook());
        const QUrl href = side.card("c.vcf");
        QCOMPARE(m_server.put(href, phoneCard("c-1")).status, 201);
        side.sync();
        side.edit("東雲 翠", R::OfficePhone, "03-1000-0001");
        const RadicaleServer::Reply now = m_server.request("GET", href);
        QByteArray card = now.body;
        card.replace("03-1111-2222", "03-2000-0002");
        QCOMPARE(m_server.put(href, card, now.etag).status / 100, 2);
        const SyncEngine::Summary s = side.sync();
        QCOMPARE(s.conflicts, 1);
        const R* r = side.find("東雲 翠");
        QCOMPARE(r->officePhone(), std::string_view("03-2000-0002"));
        QVERIFY(RecordText::utf8(*r, R::Memo).find("[競合] 勤務先電話番号: 03-1000-0001") !=
                std::string::npos);
    }

    // A contact changed between two runs goes up whichever way it changed, though the run
    // before worked out its slots (the others in the book are left alone).
    void changedBetweenRunsGoesUp_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("onServer");
        QTest::newRow("field") << "field" << QByteArray("TEL;TYPE=WORK,VOICE:03-5555-6666");
        QTest::newRow("reading") << "reading" << QByteArray("X-PHONETIC-LAST-NAME:ひがし");
        QTest::newRow("honorific") << "honorific" << QByteArray("X-VOK-HONORIFIC:殿");
        QTest::newRow("undo of a sync") << "undo" << QByteArray("TEL;TYPE=WORK,VOICE:03-1111-2222");
    }
    void changedBetweenRunsGoesUp()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, onServer);
        Side side(m_server, nextBook());
        const QUrl href = side.card("k.vcf");
        QCOMPARE(m_server.put(href, phoneCard("k-1")).status, 201);
        QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
        side.add("山田 太郎");
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        if (change == u"field") {
            side.edit("東雲 翠", R::OfficePhone, "03-5555-6666");
        } else if (change == u"reading") {
            side.doc.SetReading(cp932("東雲 翠"), "ひがし みどり");
        } else if (change == u"honorific") {
            R* r = side.find("東雲 翠");
            R value = *r;
            ContactExtras x = r->extras() ? *r->extras() : ContactExtras();
            x.honorific = "殿";
            value.setExtras(x);
            side.doc.ChangeRecord(r, value);
        } else {
            const RadicaleServer::Reply now = m_server.request("GET", href);
            QByteArray card = now.body;
            card.replace("03-1111-2222", "03-9999-0000");
            QCOMPARE(m_server.put(href, card, now.etag).status / 100, 2);
            QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
            QVERIFY(side.doc.Undo());
        }
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        QVERIFY(m_server.request("GET", href).body.contains(onServer));
    }

    // A self-signed certificate is refused, naming its SHA-256 fingerprint; trusted, it works.
    void selfSignedCertificate()
    {
        RadicaleServer tls;
        if (!tls.start(true))
            QSKIP("no HTTPS Radicale (openssl missing?)");
        Side side(tls, QStringLiteral("tls"));
        QCOMPARE(tls.put(side.card("t.vcf"), phoneCard("t-1")).status, 201);
        SyncEngine::Summary s = side.sync();
        QCOMPARE(s.outcome, SyncEngine::Outcome::Offline);
        const QString fingerprint =
            QString::fromLatin1(QSslCertificate::fromPath(tls.certificatePath())
                                    .value(0)
                                    .digest(QCryptographicHash::Sha256)
                                    .toHex());
        QCOMPARE(s.fingerprint, fingerprint);
        QVERIFY(s.message.contains(fingerprint));
        QVERIFY(side.doc.records().empty());
        side.account.trustedCert = fingerprint;
        side.engine.setAccount(side.account);
        s = side.sync();
        QCOMPARE(s.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(side.doc.records().size(), std::size_t(1));
    }

    // A first sync of two full sides stops with the counts, writing nothing; merged, the person
    // both hold (name and phone or e-mail, any case) is one, a mere namesake stays two.
    void firstSyncPairsSamePerson_data()
    {
        QTest::addColumn<QByteArray>("mobile");
        QTest::addColumn<QByteArray>("email");
        QTest::addColumn<int>("same");
        QTest::addColumn<QString>("counts");
        QTest::newRow("same mobile")
            << QByteArray("090-1234-5678") << QByteArray() << 1 << "1/0/0/0";
        QTest::newRow("same e-mail")
            << QByteArray() << QByteArray("midori@example.jp") << 1 << "1/0/0/0";
        QTest::newRow("e-mail in other case")
            << QByteArray() << QByteArray("Midori@Example.JP") << 1 << "1/0/0/0";
        QTest::newRow("name alone")
            << QByteArray("090-9999-0000") << QByteArray() << 0 << "1/1/0/0";
    }
    void firstSyncPairsSamePerson()
    {
        QFETCH(QByteArray, mobile);
        QFETCH(QByteArray, email);
        QFETCH(int, same);
        QFETCH(QString, counts);
        Side side(m_server, nextBook());
        QByteArray card = phoneCard("first-1");
        card.replace("END:VCARD", "EMAIL:midori@example.jp\r\nEND:VCARD");
        QCOMPARE(m_server.put(side.card("first.vcf"), card).status, 201);
        side.add("東雲 翠", R::MobilePhone, mobile.toStdString());
        side.find("東雲 翠")->setField(R::Email, email.toStdString());
        const std::uint64_t revision = side.doc.revision();
        SyncEngine::Summary s = side.sync();
        QCOMPARE(s.outcome, SyncEngine::Outcome::FirstSyncDecision);
        QCOMPARE(s.serverCount, 1);
        QCOMPARE(s.bookCount, 1);
        QCOMPARE(s.samePerson, same);
        QCOMPARE(side.doc.revision(), revision);
        QVERIFY(!QFile::exists(side.doc.addressFilePath() + QStringLiteral(".sync")));
        side.engine.setFirstSyncMerge(true);
        s = side.sync();
        side.engine.setFirstSyncMerge(false);
        QCOMPARE(s.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(::counts(s), counts);
        QCOMPARE(int(side.doc.records().size()), 2 - same);
        if (!email.isEmpty()) // each side keeps its own spelling
            QCOMPARE(side.find("東雲 翠")->email(), std::string_view(email.constData()));
        // The pair holds on: a second run finds nothing to do.
        QVERIFY(side.sync().nothingChanged);
        QCOMPARE(int(side.doc.records().size()), 2 - same);
    }

    // An edit made while a run is under way is not taken for synced: the next run sends it.
    void editDuringRunGoesUpNext()
    {
        Side side(m_server, nextBook());
        const QUrl href = side.card("e.vcf");
        QCOMPARE(m_server.put(href, phoneCard("e-1")).status, 201);
        QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
        const RadicaleServer::Reply now = m_server.request("GET", href);
        QByteArray card = now.body;
        card.replace("BDAY:1990-02-03", "BDAY:1990-02-05");
        QCOMPARE(m_server.put(href, card, now.etag).status / 100, 2);
        side.engine.setBeforeWrites([&] { side.edit("東雲 翠", R::Phone, "03-4444-5555"); });
        side.sync();
        side.engine.setBeforeWrites({});
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        QVERIFY(m_server.request("GET", href).body.contains("03-4444-5555"));
    }

    // A contact the user deletes while the server's others still arrive, a slice at a time,
    // goes from the server at the next run; the others stay on both sides.
    void deleteWhileArriving()
    {
        Side side(m_server, nextBook());
        for (const QByteArray& name : QByteArrayList{"東雲 一", "東雲 二", "東雲 三"})
            QCOMPARE(m_server.put(side.card(name.toHex() + ".vcf"), phoneCard(name.toHex(), name))
                         .status,
                     201);
        side.engine.setApplySlice(1);
        QObject guard;
        QObject::connect(&side.doc, &CVOK_AddressDoc::recordsAdded, &guard,
                         [&](const std::vector<AddressRecord*>& added, bool) {
                             const AddressRecord* first = added.front();
                             QTimer::singleShot(
                                 0, &guard, [&side, first] { side.doc.RemoveRecords({first}); });
                             QObject::disconnect(&side.doc, nullptr, &guard, nullptr);
                         });
        QCOMPARE(counts(side.sync()), QStringLiteral("3/0/0/0"));
        QCOMPARE(side.doc.records().size(), std::size_t(2));
        QCOMPARE(counts(side.sync()), QStringLiteral("0/0/1/0"));
        QCOMPARE(cardCount(m_server, side.book), 2);
        QCOMPARE(counts(side.sync()), QStringLiteral("0/0/0/0"));
    }

    // Asked for while the book is still being read (a run right after the start): the run
    // waits for the book, and its contact goes up.
    void startWhileLoading()
    {
        Side side(m_server, nextBook());
        side.add("山田 太郎");
        QVERIFY(side.doc.SaveAddressFile());
        CVOK_AddressDoc doc;
        SyncEngine engine(doc);
        engine.setAccount(side.account);
        doc.LoadInBackground(side.dir.filePath(QStringLiteral("Address.vok")));
        QSignalSpy done(&engine, &SyncEngine::finished);
        engine.start();
        QVERIFY(done.wait(60000));
        QCOMPARE(counts(engine.lastSummary()), QStringLiteral("0/1/0/0"));
        QCOMPARE(cardCount(m_server, side.book), 1);
    }

    // A new contact's UID turns up at another href before the write: the 409 leads to that
    // card, merged and updated; no second card.
    void uidConflictAdoptsHref()
    {
        Side side(m_server, nextBook());
        side.add("高橋 次郎", R::Phone, "03-1234-0000");
        const QByteArray uid = QByteArray::fromStdString(side.find("高橋 次郎")->uid().toString());
        const QUrl elsewhere = side.card("elsewhere.vcf");
        side.engine.setBeforeWrites([&] {
            const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid +
                                    "\r\nFN:高橋 次郎\r\nN:高橋;次郎;;;\r\n"
                                    "EMAIL:jiro@example.jp\r\nEND:VCARD\r\n";
            QCOMPARE(m_server.put(elsewhere, card).status, 201);
        });
        const SyncEngine::Summary s = side.sync();
        side.engine.setBeforeWrites({});
        QCOMPARE(s.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(counts(s), QStringLiteral("1/1/0/0"));
        QCOMPARE(cardCount(m_server, side.book), 1);
        QVERIFY(m_server.request("GET", elsewhere).body.contains("03-1234-0000"));
        QCOMPARE(side.find("高橋 次郎")->email(), std::string_view("jiro@example.jp"));
        QVERIFY(side.sync().nothingChanged);
    }

    // Group cards (vCard 4's KIND, Apple's X-ADDRESSBOOKSERVER-KIND) never become contacts.
    void groupCardsStayCards_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::newRow("KIND") << QByteArray("VERSION:4.0\r\nKIND:group\r\nFN:友人\r\n"
                                            "MEMBER:urn:uuid:g-member\r\n");
        QTest::newRow("Apple") << QByteArray("VERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
                                             "FN:友人\r\nN:友人;;;;\r\n"
                                             "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:g-member\r\n");
    }
    void groupCardsStayCards()
    {
        QFETCH(QByteArray, group);
        Side side(m_server, nextBook());
        QCOMPARE(m_server.put(side.card("member.vcf"), phoneCard("g-member")).status, 201);
        const QUrl href = side.card("group.vcf");
        QCOMPARE(
            m_server.put(href, "BEGIN:VCARD\r\n" + group + "UID:g-group\r\nEND:VCARD\r\n").status,
            201);
        const RadicaleServer::Reply before = m_server.request("GET", href);
        QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
        QVERIFY(side.doc.records().size() == 1 && side.find("東雲 翠"));
        QCOMPARE(m_server.request("GET", href).etag, before.etag);
        QVERIFY(side.sync().nothingChanged);
    }

    // Both ways of keeping groups: a contact of a server group arrives in it; a move here
    // moves it on the server (a member list changed meanwhile is merged, not overwritten); a
    // group without a card gets one in the server's form; nothing swings back afterwards. A
    // move on both sides is a conflict the server's group wins; a change of mode alone takes
    // effect at the next run; a contact deleted on either side leaves the member lists.
    void groupModes_data()
    {
        using M = SyncAccount::GroupMode;
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("groupCard"); // 友人 holding gm-1, or none
        QTest::addColumn<QString>("arrives");
        QTest::addColumn<QByteArray>("newKind");  // the new card's kind; empty: CATEGORIES moves
        QTest::addColumn<int>("switchTo");        // the mode changed alone, then
        QTest::addColumn<QString>("afterSwitch"); // 家族 unless the server's other way differs
        QTest::addColumn<bool>("deleteOnServer");
        const QByteArray four = "VERSION:4.0\r\nKIND:group\r\nFN:友人\r\nMEMBER:urn:uuid:gm-1\r\n";
        const QByteArray apple = "VERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nFN:友人\r\n"
                                 "N:友人;;;;\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:gm-1\r\n";
        QTest::newRow("自動, KIND") << int(M::Auto) << four << "友人" << QByteArray("KIND:group")
                                    << int(M::Categories) << "仕事" << false;
        QTest::newRow("自動, Apple")
            << int(M::Auto) << apple << "友人" << QByteArray("X-ADDRESSBOOKSERVER-KIND:group")
            << int(M::Categories) << "仕事" << true;
        QTest::newRow("自動, none") << int(M::Auto) << QByteArray() << "仕事" << QByteArray()
                                    << int(M::GroupCards) << "家族" << false;
        QTest::newRow("CATEGORIES") << int(M::Categories) << apple << "仕事" << QByteArray()
                                    << int(M::GroupCards) << "友人" << true;
        QTest::newRow("グループカード, none") << int(M::GroupCards) << QByteArray() << "Other"
                                              << QByteArray("X-ADDRESSBOOKSERVER-KIND:group")
                                              << int(M::Categories) << "仕事" << false;
    }
    void groupModes()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, groupCard);
        QFETCH(QString, arrives);
        QFETCH(QByteArray, newKind);
        QFETCH(int, switchTo);
        QFETCH(QString, afterSwitch);
        QFETCH(bool, deleteOnServer);
        Side side(m_server, nextBook());
        side.account.groupMode = SyncAccount::GroupMode(mode);
        side.engine.setAccount(side.account);
        const QUrl member = side.card("member.vcf"), group = side.card("group.vcf");
        QByteArray card = phoneCard("gm-1");
        card.replace("END:VCARD", "CATEGORIES:仕事\r\nEND:VCARD");
        QCOMPARE(m_server.put(member, card).status, 201);
        if (!groupCard.isEmpty())
            QCOMPARE(
                m_server.put(group, "BEGIN:VCARD\r\n" + groupCard + "UID:gm-g\r\nEND:VCARD\r\n")
                    .status,
                201);
        QCOMPARE(side.sync().outcome, SyncEngine::Outcome::Ok);
        R* r = side.find("東雲 翠");
        QVERIFY(r);
        QCOMPARE(Text::fromCp932(r->group()), arrives);

        const auto edit = [&](const QUrl& href, const QByteArray& drop, const QByteArray& add) {
            const RadicaleServer::Reply now = m_server.request("GET", href);
            QByteArrayList lines = now.body.split('\n');
            lines.removeIf(
                [&](const QByteArray& l) { return !drop.isEmpty() && l.contains(drop); });
            QCOMPARE(m_server.put(href, lines.join('\n').replace("END:VCARD", add + "END:VCARD"),
                                  now.etag)
                             .status /
                         100,
                     2);
        };
        const RadicaleServer::Reply before = m_server.request("GET", member);
        side.doc.CreateGroup(QStringLiteral("家族")); // an earlier row's may be in the settings
        QCOMPARE(side.doc.MoveToGroup({r}, QStringLiteral("家族")), std::size_t(1));
        // Someone adds a member to 友人 between the plan and the writes.
        side.engine.setBeforeWrites([&] {
            if (!groupCard.isEmpty())
                edit(group, {}, "MEMBER:urn:uuid:gm-2\r\n");
        });
        QCOMPARE(side.sync().outcome, SyncEngine::Outcome::Ok);
        side.engine.setBeforeWrites({});
        const auto listAll = [&] {
            return DavMultistatus::parse(
                m_server
                    .request("REPORT", side.book,
                             "<c:addressbook-query xmlns:d=\"DAV:\" "
                             "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><c:address-data/>"
                             "</d:prop></c:addressbook-query>",
                             {{"Depth", "1"}})
                    .body);
        };
        const std::optional<DavMultistatus> all = listAll();
        QVERIFY(all);
        QByteArray made; // the card of 家族
        QUrl madeHref;
        for (const DavMultistatus::Response& c : all->responses)
            std::tie(made, madeHref) = c.addressData.contains("FN:家族")
                                           ? std::pair(c.addressData, side.book.resolved(c.href))
                                           : std::pair(made, madeHref);
        const QByteArray after = m_server.request("GET", member).body;
        if (newKind.isEmpty()) {
            QVERIFY(after.contains("CATEGORIES:家族"));
            QVERIFY(made.isEmpty());
        } else {
            QCOMPARE(after, before.body); // CATEGORIES stays the server's
            QVERIFY(made.contains(newKind) && made.contains("urn:uuid:gm-1"));
            QVERIFY(parsesElsewhere(made));
            if (!groupCard.isEmpty()) {
                const QByteArray old = m_server.request("GET", group).body;
                QVERIFY(!old.contains("urn:uuid:gm-1") && old.contains("urn:uuid:gm-2"));
            }
        }
        // Our own writes are not fetched back (友人's with the other edit merged in); someone
        // else's edit alone is.
        const SyncEngine::Summary again = side.sync();
        QCOMPARE(again.nothingChanged, groupCard.isEmpty() || !newKind.isEmpty());
        QCOMPARE(counts(again), QStringLiteral("0/0/0/0"));
        QCOMPARE(Text::fromCp932(side.find("東雲 翠")->group()), QStringLiteral("家族"));

        // Moved back on the server: the book follows.
        if (newKind.isEmpty()) {
            edit(member, "CATEGORIES:", "CATEGORIES:友人\r\n");
        } else {
            edit(madeHref, "urn:uuid:gm-1", {});
            if (!groupCard.isEmpty())
                edit(group, {}, "MEMBER:urn:uuid:gm-1\r\n");
        }
        QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
        r = side.find("東雲 翠");
        QCOMPARE(Text::fromCp932(r->group()), newKind.isEmpty() || !groupCard.isEmpty()
                                                  ? QStringLiteral("友人")
                                                  : QStringLiteral("Other"));

        // Moved to 仕事 here and to 家族 there: the server's stands, ours is in the memo.
        if (newKind.isEmpty()) {
            edit(member, "CATEGORIES:", "CATEGORIES:家族\r\n");
        } else {
            if (!groupCard.isEmpty())
                edit(group, "urn:uuid:gm-1", {});
            edit(madeHref, {}, "MEMBER:urn:uuid:gm-1\r\n");
        }
        side.doc.CreateGroup(QStringLiteral("仕事"));
        QCOMPARE(side.doc.MoveToGroup({r}, QStringLiteral("仕事")), std::size_t(1));
        QCOMPARE(counts(side.sync()), QStringLiteral("1/1/0/1"));
        r = side.find("東雲 翠");
        QCOMPARE(Text::fromCp932(r->group()), QStringLiteral("家族"));
        const QString lost = QStringLiteral("[競合] グループ: 仕事");
        QVERIFY(Text::fromCp932(r->field(R::Memo)).contains(lost));
        QVERIFY(QString::fromUtf8(m_server.request("GET", member).body).contains(lost));

        // The mode changed, nothing else: the next run merges the groups the new way, also
        // when the server's card changes before the upload (412, fetched, merged again).
        side.account.groupMode = SyncAccount::GroupMode(switchTo);
        side.engine.setAccount(side.account);
        const bool toCategories = switchTo == int(SyncAccount::GroupMode::Categories);
        side.engine.setBeforeWrites([&] {
            if (toCategories)
                edit(member, "TITLE:", "TITLE:部長\r\n");
        });
        const SyncEngine::Summary switched = side.sync();
        side.engine.setBeforeWrites({});
        QCOMPARE(m_server.request("GET", member).body.contains("TITLE:部長"), toCategories);
        QCOMPARE(switched.conflicts, afterSwitch == QStringLiteral("家族") ? 0 : 1);
        r = side.find("東雲 翠");
        QCOMPARE(Text::fromCp932(r->group()), afterSwitch);
        const auto cardsListing = [&] {
            QByteArrayList groups;
            const std::optional<DavMultistatus> now = listAll();
            for (std::size_t i = 0; now && i < now->responses.size(); ++i) {
                if (now->responses[i].addressData.contains("KIND:group"))
                    groups << now->responses[i].addressData;
            }
            return groups;
        };
        const QByteArrayList groupsThen = cardsListing();
        if (switchTo == int(SyncAccount::GroupMode::GroupCards))
            QVERIFY(std::any_of(groupsThen.begin(), groupsThen.end(), [&](const QByteArray& c) {
                return c.contains("FN:" + afterSwitch.toUtf8()) && c.contains("urn:uuid:gm-1");
            }));
        else
            QVERIFY(m_server.request("GET", member)
                        .body.contains("CATEGORIES:" + afterSwitch.toUtf8()));
        QVERIFY(side.sync().nothingChanged);

        // Deleted: gone from every member list, and no group card goes with it.
        if (deleteOnServer) {
            const RadicaleServer::Reply now = m_server.request("GET", member);
            QCOMPARE(m_server.request("DELETE", member, {}, {{"If-Match", now.etag}}).status / 100,
                     2);
        } else {
            QCOMPARE(side.doc.RemoveRecords({r}), std::size_t(1));
        }
        QCOMPARE(side.sync().deletes, 1);
        QVERIFY(!side.find("東雲 翠"));
        if (switchTo == int(SyncAccount::GroupMode::GroupCards)) {
            const QByteArrayList groupsNow = cardsListing();
            QCOMPARE(groupsNow.size(), groupsThen.size());
            for (const QByteArray& c : groupsNow)
                QVERIFY(!c.contains("urn:uuid:gm-1"));
        }
    }

    // A card moved on the server stays the contact; the next edit goes where it now is.
    void movedCardKeepsContact()
    {
        Side side(m_server, nextBook());
        const QUrl old = side.card("old.vcf"), moved = side.card("moved.vcf");
        QCOMPARE(m_server.put(old, phoneCard("mv-1")).status, 201);
        QCOMPARE(counts(side.sync()), QStringLiteral("1/0/0/0"));
        const RadicaleServer::Reply card = m_server.request("GET", old);
        QCOMPARE(m_server.request("DELETE", old, {}, {{"If-Match", card.etag}}).status, 200);
        QCOMPARE(m_server.put(moved, card.body).status, 201);
        QCOMPARE(counts(side.sync()), QStringLiteral("0/0/0/0"));
        side.edit("東雲 翠", R::Phone, "03-9999-0000");
        QCOMPARE(counts(side.sync()), QStringLiteral("0/1/0/0"));
        QVERIFY(m_server.request("GET", moved).body.contains("03-9999-0000"));
        QCOMPARE(m_server.request("GET", old).status, 404);
    }

    // More than ten deletions stop the run before anything is written; forced, they happen.
    void massDeleteAsks()
    {
        Side side(m_server, nextBook());
        for (int i = 0; i < 12; ++i)
            m_server.put(side.card("m" + QByteArray::number(i) + ".vcf"),
                         phoneCard("m-" + QByteArray::number(i), "人 " + QByteArray::number(i)));
        QCOMPARE(counts(side.sync()), QStringLiteral("12/0/0/0"));
        for (int i = 0; i < 11; ++i)
            m_server.request("DELETE", side.card("m" + QByteArray::number(i) + ".vcf"));
        const SyncEngine::Summary s = side.sync();
        QCOMPARE(s.outcome, SyncEngine::Outcome::NeedsDecision);
        QCOMPARE(side.doc.records().size(), std::size_t(12));
        side.engine.setForceDeletes(true);
        QCOMPARE(counts(side.sync()), QStringLiteral("0/0/11/0"));
        side.engine.setForceDeletes(false);
        QCOMPARE(side.doc.records().size(), std::size_t(1));
    }

    // The command line: exit status by kind of failure, the summary line on standard error.
    void commandLine_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("summary");
        QTest::newRow("done") << "secret" << true << QStringList() << 0
                              << "下り 1 / 上り 0 / 削除 0 / 競合 0";
        QTest::newRow("wrong password") << "wrong" << true << QStringList() << 4 << "";
        QTest::newRow("no server") << "secret" << false << QStringList() << 5 << "";
        QTest::newRow("first sync asks") << "secret" << true << QStringList{QStringLiteral("book")}
                                         << 3 << "サーバー 1件 / この住所録 1件 / 同じ人 0件";
        QTest::newRow("first sync merged")
            << "secret" << true
            << QStringList{QStringLiteral("book"), QStringLiteral("--first-sync-merge")} << 0
            << "下り 1 / 上り 1 / 削除 0 / 競合 0";
    }
    void commandLine()
    {
        QFETCH(QString, password);
        QFETCH(bool, serverUp);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, summary);
        const QUrl book = m_server.addressBook(nextBook());
        QCOMPARE(
            m_server.put(book.resolved(QUrl(QStringLiteral("a.vcf"))), phoneCard("cli-1")).status,
            201);
        qputenv("VOK_SYNC_PASSWORD", "secret");
        QCOMPARE(
            CommandLine::runMode({QStringLiteral("VOK_Address"), QStringLiteral("--sync-setup"),
                                  book.toString(), QStringLiteral("alice")})
                .status,
            0);
        SyncAccount account = SyncAccount::load();
        QCOMPARE(account.addressBook, book.toString());
        account.password = password;
        if (!serverUp) {
            QUrl dead = book;
            dead.setPort(1);
            account.addressBook = dead.toString();
        }
        account.save();
        QFile::remove(DataLocation::addressFilePath() + QStringLiteral(".sync"));
        QFile::remove(DataLocation::addressFilePath());
        const SyncLog log(DataLocation::syncLogPath(DataLocation::addressFilePath()));
        QFile::remove(log.path());
        if (options.removeAll(QStringLiteral("book")) != 0) {
            CVOK_AddressDoc doc;
            doc.LoadAddressFile(DataLocation::addressFilePath());
            addTo(doc, "山田 太郎");
            QVERIFY(doc.SaveAddressFile());
        }
        const CommandLine::Result r = CommandLine::runMode(
            QStringList{QStringLiteral("VOK_Address"), QStringLiteral("--sync")} + options);
        QCOMPARE(r.status, status);
        QCOMPARE(log.runs().size(), 1); // the window's 同期ログ shows it
        if (!summary.isEmpty())
            QVERIFY2(QString::fromUtf8(r.err).contains(summary), r.err.constData());
    }

    // In the window: Ctrl+Shift+S syncs; a card deleted on the server leaves the book, and
    // Ctrl+Z brings it back; a script's --sync is carried out by the running window.
    void windowSyncAndUndo()
    {
        TrayIcon::setAvailableForTesting(true);
        PaneTest::startPaneTest();
        MessageBoxGuard boxes;
        const QUrl book = m_server.addressBook(nextBook());
        const QUrl href = book.resolved(QUrl(QStringLiteral("w.vcf")));
        QCOMPARE(m_server.put(href, phoneCard("w-1")).status, 201);
        QCOMPARE(
            m_server.put(book.resolved(QUrl(QStringLiteral("a.vcf"))), phoneCard("a-1", "相田 一"))
                .status,
            201);
        storeAccount(book);
        PaneTest::Frame f;
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        CVOK_AddressDoc& doc = *f.frame->document();
        CAddressList& list = *f.frame->addressList();
        f.frame->syncEngine()->setApplySlice(1);
        QSignalSpy done(f.frame->syncEngine(), &SyncEngine::finished);
        const auto sync = [&] {
            QTest::keyClick(f.frame.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
            return done.wait(60000);
        };
        QVERIFY(sync());
        QCOMPARE(doc.records().size(), std::size_t(2));
        // Added a contact at a time, taken back in one step.
        QTest::keyClick(f.frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc.records().size(), std::size_t(0));
        QTest::keyClick(f.frame.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(doc.records().size(), std::size_t(2));

        // The row the user chose stays chosen while the server's new contacts arrive.
        const QModelIndex first = list.model()->index(0, 0);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(first).center());
        const std::vector<AddressRecord*> chosen = list.selectedRecords();
        QCOMPARE(chosen.size(), std::size_t(1));
        QCOMPARE(
            m_server.put(book.resolved(QUrl(QStringLiteral("b.vcf"))), phoneCard("b-1", "馬場 二"))
                .status,
            201);
        QVERIFY(sync());
        QCOMPARE(doc.records().size(), std::size_t(3));
        QCOMPARE(list.selectedRecords(), chosen);

        const RadicaleServer::Reply card = m_server.request("GET", href);
        QCOMPARE(m_server.request("DELETE", href, {}, {{"If-Match", card.etag}}).status, 200);
        QVERIFY(sync());
        QCOMPARE(doc.records().size(), std::size_t(2));
        QTest::keyClick(f.frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc.records().size(), std::size_t(3));

        // The contact that came back goes up again when the script asks.
        const std::optional<QByteArray> answer = SyncMode::answer(*f.frame, "SYNC\n");
        QVERIFY(answer);
        const std::optional<CommandLine::Result> result = InstanceRequest::parseAnswer(*answer);
        QVERIFY(result);
        QCOMPARE(result->status, 0);
        QVERIFY2(QString::fromUtf8(result->err).contains(QStringLiteral("上り 1")),
                 result->err.constData());
        QCOMPARE(m_server.request("GET", href).status / 100, 4); // a new card, under its UID
    }

    // In the window, many deletions ask; Yes deletes.
    void windowAsksBeforeManyDeletes()
    {
        TrayIcon::setAvailableForTesting(true);
        PaneTest::startPaneTest();
        MessageBoxGuard boxes;
        const QUrl book = m_server.addressBook(nextBook());
        for (int i = 0; i < 12; ++i)
            m_server.put(book.resolved(QUrl(QStringLiteral("d%1.vcf").arg(i))),
                         phoneCard("d-" + QByteArray::number(i), "人 " + QByteArray::number(i)));
        storeAccount(book);
        PaneTest::Frame f;
        QSignalSpy done(f.frame->syncEngine(), &SyncEngine::finished);
        f.frame->commands()->execute(ID_SYNC);
        QVERIFY(done.wait(60000));
        QCOMPARE(f.frame->document()->records().size(), std::size_t(12));
        for (int i = 0; i < 11; ++i)
            m_server.request("DELETE", book.resolved(QUrl(QStringLiteral("d%1.vcf").arg(i))));
        MessageBox::queueAnswer(MessageBox::Yes);
        f.frame->commands()->execute(ID_SYNC);
        QVERIFY(done.wait(60000)); // stopped before deleting
        QCOMPARE(f.frame->document()->records().size(), std::size_t(12));
        QVERIFY(done.wait(60000)); // asked, and run again
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(f.frame->document()->records().size(), std::size_t(1));
    }

    // In the window a first sync of two full sides asks; Enter merges, Esc leaves both.
    void windowFirstSyncAsks_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("cards");
        QTest::newRow("Enter merges") << int(Qt::Key_Return) << 2 << 2;
        QTest::newRow("Esc cancels") << int(Qt::Key_Escape) << 1 << 1;
    }
    void windowFirstSyncAsks()
    {
        QFETCH(int, key);
        QFETCH(int, records);
        QFETCH(int, cards);
        TrayIcon::setAvailableForTesting(true);
        PaneTest::startPaneTest();
        MessageBoxGuard boxes;
        const QUrl book = m_server.addressBook(nextBook());
        QCOMPARE(
            m_server.put(book.resolved(QUrl(QStringLiteral("f.vcf"))), phoneCard("f-1")).status,
            201);
        storeAccount(book);
        PaneTest::Frame f;
        CVOK_AddressDoc& doc = *f.frame->document();
        addTo(doc, "山田 太郎");
        QStringList shown;
        ModalDriver driver([&](QWidget* dialog) {
            for (const char* name : {"serverCount", "bookCount", "sameCount"})
                shown << dialog->findChild<QLabel*>(QString::fromLatin1(name))->text();
            QTest::keyClick(dialog, Qt::Key(key));
        });
        QSignalSpy done(f.frame->syncEngine(), &SyncEngine::finished);
        f.frame->commands()->execute(ID_SYNC);
        QVERIFY(done.wait(60000));
        QCOMPARE(f.frame->syncEngine()->lastSummary().outcome,
                 SyncEngine::Outcome::FirstSyncDecision);
        QTRY_COMPARE(driver.seen(), 1);
        QCOMPARE(shown, (QStringList{QStringLiteral("1 件"), QStringLiteral("1 件"),
                                     QStringLiteral("0 件")}));
        if (key == Qt::Key_Return)
            QVERIFY(done.wait(60000));
        QCOMPARE(int(doc.records().size()), records);
        QCOMPARE(cardCount(m_server, book), cards);
    }

    // Servers that answer badly, slowly or not at all: each run ends with the right kind of
    // failure, and neither the book's file nor a sync state is written.
    void failsCleanly_data()
    {
        // Each request gets the next reply once its body is in; an empty one never comes, and
        // after one that starts with "!cut" the line is dropped; "!refused": no server listens;
        // "!https": Radicale's plain HTTP asked for TLS.
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("failure"); // the kind the message names, when no answer came
        using O = SyncEngine::Outcome;
        using F = DavClient::Failure;
        QTest::newRow("bad XML") << QList<QByteArray>{reply(
                                        "207 Multi-Status",
                                        "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/a/")}
                                 << int(O::Failed) << int(F::None);
        QTest::newRow("truncated")
            << QList<QByteArray>{"!cutHTTP/1.1 207 Multi-Status\r\nContent-Length: 5000\r\n\r\n"
                                 "<d:multistatus xmlns:d=\"DAV:\"><d:response>"}
            << int(O::Failed) << int(F::None);
        QTest::newRow("stall") << QList<QByteArray>{QByteArray()} << int(O::Offline)
                               << int(F::Timeout);
        QTest::newRow("refused") << QList<QByteArray>{"!refused"} << int(O::Offline)
                                 << int(F::Refused);
        QTest::newRow("TLS to a plain server")
            << QList<QByteArray>{"!https"} << int(O::Offline) << int(F::Tls);
        QTest::newRow("closed") << QList<QByteArray>{"!cut", "!cut", "!cut"} << int(O::Offline)
                                << int(F::Closed);
        QTest::newRow("stall in the multiget")
            << QList<QByteArray>{multistatus("/dav/book/", "<d:sync-token>t1</d:sync-token>"),
                                 multistatus("/dav/book/a.vcf", "<d:getetag>\"e1\"</d:getetag>"),
                                 QByteArray()}
            << int(O::Offline) << int(F::Timeout);
        // The second batch is asked for while the first is read.
        QTest::newRow("bad XML in the second batch")
            << QList<QByteArray>{multistatus("/dav/book/", "<d:sync-token>t1</d:sync-token>"),
                                 responses(
                                     {{"a.vcf", "200", "\"a1\""}, {"b.vcf", "200", "\"b1\""}}),
                                 responses({{"a.vcf", "200", "\"a1\"", plainCard("a", "A")}}),
                                 reply("207 Multi-Status",
                                       "<d:multistatus xmlns:d=\"DAV:\"><d:resp")}
            << int(O::Failed) << int(F::None);
        QTest::newRow("redirect loop")
            << QList<QByteArray>(3, reply("301 Moved Permanently", {}, "Location: /dav/book/\r\n"))
            << int(O::Failed) << int(F::None);
        QTest::newRow("Digest refused")
            << QList<QByteArray>(
                   4,
                   reply("401 Unauthorized", {},
                         "WWW-Authenticate: Digest realm=\"dav\", nonce=\"n1\", qop=\"auth\"\r\n"))
            << int(O::AuthFailed) << int(F::None);
    }
    void failsCleanly()
    {
        using F = DavClient::Failure;
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, outcome);
        QFETCH(int, failure);
        ScriptedServer server(replies);
        QVERIFY(server.isListening());
        QUrl url = server.book();
        if (replies.first() == "!refused")
            server.close();
        if (replies.first() == "!https") {
            url = m_server.addressBook(nextBook());
            url.setScheme(QStringLiteral("https"));
        }
        Side side(url);
        side.add("山田 太郎");
        QVERIFY(side.doc.SaveAddressFile());
        const QString path = side.doc.addressFilePath();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        side.engine.client().setTimeout(500);
        side.engine.setBatchSize(1);
        side.sync();
        const SyncEngine::Summary& summary = side.engine.lastSummary();
        QCOMPARE(int(summary.outcome), outcome);
        // Told in our words; Qt's own text only in the log.
        if (failure != int(F::None)) {
            QCOMPARE(summary.message,
                     SyncMessages::Offline.arg(SyncMessages::networkReason(failure)));
            QVERIFY(summary.notes.size() == 1 &&
                    summary.notes.first().startsWith(SyncMessages::NetworkDetail.arg(QString())));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFile::exists(path + QStringLiteral(".sync")));
    }

    // Answers in parts or without what a run relies on, over two runs: the changes of 507-cut
    // pages are asked for again from each page's token; a write answered with a weak ETag has
    // its card and strong ETag fetched, so that the next run has nothing to do.
    void inParts_data()
    {
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QByteArray>("contact"); // in the book before the first run
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("request");
        QTest::addColumn<QByteArray>("asked"); // in that request
        QTest::addColumn<bool>("quietSecond");
        QTest::addColumn<int>("batch");     // cards a multiget asks for
        QTest::addColumn<QString>("group"); // the contact's, kept as group cards
        const auto token = [](const QByteArray& t) {
            return multistatus("/dav/book/", "<d:sync-token>" + t + "</d:sync-token>");
        };
        QTest::newRow("507 pages")
            << QByteArrayList{token("t1"),
                              responses({{"a.vcf", "200", "\"a1\""}}),
                              responses({{"a.vcf", "200", "\"a1\"", plainCard("a", "A")}}),
                              token("t2"),
                              responses({{"b.vcf", "200", "\"b1\""}, {"", "507"}}, "t2a"),
                              responses({{"c.vcf", "200", "\"c1\""}}, "t3"),
                              responses({{"b.vcf", "200", "\"b1\"", plainCard("b", "B")},
                                         {"c.vcf", "200", "\"c1\"", plainCard("c", "C")}})}
            << QByteArray() << 3 << 5 << QByteArray("<d:sync-token>t2a</d:sync-token>") << false
            << 100 << QString();
        // Each batch is asked for as soon as the one before is in; every card arrives once.
        QTest::newRow("one card a batch")
            << QByteArrayList{token("t1"),
                              responses({{"a.vcf", "200", "\"a1\""},
                                         {"b.vcf", "200", "\"b1\""},
                                         {"c.vcf", "200", "\"c1\""}}),
                              responses({{"a.vcf", "200", "\"a1\"", plainCard("a", "A")}}),
                              responses({{"b.vcf", "200", "\"b1\"", plainCard("b", "B")}}),
                              responses({{"c.vcf", "200", "\"c1\"", plainCard("c", "C")}}),
                              token("t1")}
            << QByteArray() << 3 << 4 << QByteArray("/dav/book/c.vcf") << true << 1 << QString();
        QTest::newRow("weak ETag")
            << QByteArrayList{token("t1"),
                              responses({}),
                              reply("201 Created", {}, "ETag: W/\"w1\"\r\n"),
                              responses({{"x.vcf", "200", "\"s1\"", plainCard("x", "X")}}),
                              responses({{"x.vcf", "200", "\"s1\""}}, "t2"),
                              token("t2")}
            << QByteArray("山田 太郎") << 1 << 3 << QByteArray("addressbook-multiget") << true
            << 100 << QString();
        QTest::newRow("group card written without an ETag")
            << QByteArrayList{token("t1"),
                              responses({}),
                              reply("201 Created", {}, "ETag: \"s1\"\r\n"),
                              reply("201 Created", {}),
                              responses({{"@put@", "200", "\"g1\"", plainCard("g", "友人")}}),
                              responses({{"x.vcf", "200", "\"s1\""}, {"@put@", "200", "\"g1\""}},
                                        "t2"),
                              token("t2")}
            << QByteArray("山田 太郎") << 1 << 4 << QByteArray("addressbook-multiget") << true
            << 100 << QStringLiteral("友人");
    }
    void inParts()
    {
        QFETCH(QByteArrayList, replies);
        QFETCH(QByteArray, contact);
        QFETCH(int, records);
        QFETCH(int, request);
        QFETCH(QByteArray, asked);
        QFETCH(bool, quietSecond);
        QFETCH(int, batch);
        QFETCH(QString, group);
        ScriptedServer server(replies);
        QVERIFY(server.isListening());
        Side side(server.book());
        side.engine.client().setTimeout(2000);
        side.engine.setBatchSize(batch);
        if (!group.isEmpty()) {
            side.account.groupMode = SyncAccount::GroupMode::GroupCards;
            side.engine.setAccount(side.account);
            side.doc.CreateGroups({group});
        }
        if (!contact.isEmpty()) {
            side.add(contact.constData());
            if (!group.isEmpty())
                side.doc.MoveToGroup({side.doc.records().begin()->get()}, group);
            const QByteArray uid =
                QByteArray::fromStdString((*side.doc.records().begin())->uid().toString());
            server.substitute("x.vcf", uid + ".vcf");
            server.substitute("UID:x", "UID:" + uid);
        }
        QCOMPARE(side.sync().outcome, SyncEngine::Outcome::Ok);
        const SyncEngine::Summary second = side.sync();
        QCOMPARE(second.outcome, SyncEngine::Outcome::Ok);
        QCOMPARE(second.nothingChanged, quietSecond);
        QCOMPARE(int(side.doc.records().size()), records);
        QVERIFY2(request < server.requests.size(), server.requests.join("\n----\n").constData());
        QVERIFY2(server.requests[request].contains(asked),
                 server.requests.join("\n----\n").constData());
    }

    void cleanupTestCase() { m_server.stop(); }
};

VOK_TEST_MAIN(TestRadicale)
#include "tst_radicale.moc"
