#include "TestEnv.h"
#include "sync/DavMultistatus.h"
#include "sync/Discovery.h"

#include <QTest>

// Answers of servers as they come: what a run reads from each, and that nothing half-read
// passes for a whole answer.
class TestMultistatus : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("seen"); // href=status:etag per response, then #token
        const QByteArray head = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                                "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">";
        QTest::newRow("changed and removed, with token")
            << head + "<d:response><d:href>/a/b/1.vcf</d:href><d:propstat><d:prop>"
                      "<d:getetag>\"e1\"</d:getetag></d:prop><d:status>HTTP/1.1 200 OK"
                      "</d:status></d:propstat></d:response><d:response><d:href>/a/b/%E6%9D%B1.vcf"
                      "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>"
                      "<d:sync-token>t2</d:sync-token></d:multistatus>"
            << true << "/a/b/1.vcf=200:\"e1\" /a/b/東.vcf=404: #t2";
        QTest::newRow("507 on the collection: truncated")
            << head + "<d:response><d:href>/a/b/</d:href><d:status>HTTP/1.1 507 Insufficient "
                      "Storage</d:status></d:response><d:sync-token>t3</d:sync-token>"
                      "</d:multistatus>"
            << true << "/a/b/=507: #t3";
        QTest::newRow("a 404 propstat beside the 200 one")
            << head + "<d:response><d:href>/x</d:href><d:propstat><d:prop><d:displayname/>"
                      "</d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>"
                      "<d:propstat><d:prop><d:getetag>\"e\"</d:getetag></d:prop><d:status>"
                      "HTTP/1.1 200 OK</d:status></d:propstat></d:response></d:multistatus>"
            << true << "/x=200:\"e\" #";
        QTest::newRow("other prefixes, unknown elements")
            << QByteArray("<D:multistatus xmlns:D=\"DAV:\"><D:response><X:odd xmlns:X=\"x\">"
                          "<D:href>/no</D:href></X:odd><D:href>/y</D:href><D:propstat><D:prop>"
                          "<D:getetag>\"f\"</D:getetag></D:prop><D:status>HTTP/1.1 200 OK"
                          "</D:status></D:propstat></D:response></D:multistatus>")
            << true << "/y=200:\"f\" #";
        QTest::newRow("cut off") << head + "<d:response><d:href>/a/b/1.vcf</d:href><d:propst"
                                 << false << "";
        QTest::newRow("no multistatus")
            << QByteArray("<html><body>Login</body></html>") << false << "";
        QTest::newRow("empty") << QByteArray() << false << "";
    }
    void parse()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, whole);
        QFETCH(QString, seen);
        const std::optional<DavMultistatus> ms = DavMultistatus::parse(body);
        QCOMPARE(ms.has_value(), whole);
        if (!ms)
            return;
        QStringList got;
        for (const DavMultistatus::Response& r : ms->responses)
            got << QStringLiteral("%1=%2:%3")
                       .arg(r.href)
                       .arg(r.status)
                       .arg(QString::fromUtf8(r.etag));
        got << u'#' + ms->syncToken;
        QCOMPARE(got.join(u' '), seen);
    }

    // Where an account's address books are looked for, in order: the servers DNS names for
    // the e-mail's domain or the host (secure ones first, by priority, then weight), then the
    // host itself; a URL, an address or this machine is asked directly.
    void discoveryAttempts_data()
    {
        using S = Discovery::Service;
        QTest::addColumn<QString>("where");
        QTest::addColumn<QList<S>>("secure");
        QTest::addColumn<QList<S>>("plain");
        QTest::addColumn<QString>("tried");
        QTest::newRow("e-mail, no records")
            << "taro@example.jp" << QList<S>() << QList<S>() << "https://example.jp/";
        QTest::newRow("host, both kinds")
            << "example.jp"
            << QList<S>{{"dav3.example.jp.", 443, 20, 0},
                        {"dav2.example.jp.", 443, 10, 1},
                        {"dav.example.jp.", 8443, 10, 9}}
            << QList<S>{{"old.example.jp.", 80, 0, 0}}
            << "https://dav.example.jp:8443/ https://dav2.example.jp/ https://dav3.example.jp/ "
               "http://old.example.jp/ https://example.jp/";
        QTest::newRow("service declined")
            << "b.example" << QList<S>{{".", 0, 0, 0}} << QList<S>() << "https://b.example/";
        for (const char* direct : {"https://dav.example.jp/x/", "127.0.0.1:5232"})
            QTest::newRow(direct) << direct << QList<S>() << QList<S>() << "";
    }
    void discoveryAttempts()
    {
        QFETCH(QString, where);
        QFETCH(QList<Discovery::Service>, secure);
        QFETCH(QList<Discovery::Service>, plain);
        QFETCH(QString, tried);
        const QString host = Discovery::lookupHost(where);
        QCOMPARE(host.isEmpty(), tried.isEmpty());
        if (host.isEmpty())
            return;
        QStringList urls;
        for (const QUrl& url : Discovery::attempts(host, secure, plain))
            urls << url.toString();
        QCOMPARE(urls.join(u' '), tried);
    }
};

VOK_TEST_CORE_MAIN(TestMultistatus)
#include "tst_multistatus.moc"
