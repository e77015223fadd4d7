#include "TestMain.h"

#include "mail/MailLauncher.h"

#include <QUrlQuery>

class TestMailLauncher : public QObject
{
    Q_OBJECT

private slots:
    void mailtoUrl_data()
    {
        QTest::addColumn<QString>("joined");
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QStringList>("recipients");
        QTest::newRow("three contacts, one with ? and &")
            << "taro@example.jp;a?cc=evil@x.jp&body=hi@example.jp;hanako@example.jp"
            << QByteArray("mailto:taro@example.jp,a%3Fcc%3Devil@x.jp%26body%3Dhi@example.jp,"
                          "hanako@example.jp")
            << QStringList{"taro@example.jp", "a?cc=evil@x.jp&body=hi@example.jp",
                           "hanako@example.jp"};
        QTest::newRow("one") << "taro@example.jp" << QByteArray("mailto:taro@example.jp")
                             << QStringList{"taro@example.jp"};
        QTest::newRow("empty addresses left out")
            << ";taro@example.jp;;" << QByteArray("mailto:taro@example.jp")
            << QStringList{"taro@example.jp"};
        QTest::newRow("comma, hash, percent and blank inside an address")
            << "a,b#c%d e@x.jp" << QByteArray("mailto:a%2Cb%23c%25d%20e@x.jp")
            << QStringList{"a,b#c%d e@x.jp"};
        QTest::newRow("line break cannot start a header")
            << "a@x.jp\r\nBcc: b@y.jp" << QByteArray("mailto:a@x.jp%0D%0ABcc%3A%20b@y.jp")
            << QStringList{"a@x.jp\r\nBcc: b@y.jp"};
        QTest::newRow("nothing selected") << "" << QByteArray("mailto:") << QStringList{};
    }

    void mailtoUrl()
    {
        QFETCH(QString, joined);
        QFETCH(QByteArray, encoded);
        QFETCH(QStringList, recipients);
        const QUrl url = MailLauncher::mailtoFromJoined(joined);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.toEncoded(), encoded);
        // Read back the way a mail program does: no query, no fragment, only the recipients.
        QVERIFY(!url.hasQuery());
        QVERIFY(!url.hasFragment());
        QStringList back;
        for (const QString& part : url.path(QUrl::FullyEncoded).split(u',', Qt::SkipEmptyParts))
            back << QUrl::fromPercentEncoding(part.toUtf8());
        QCOMPARE(back, recipients);
    }

    void execLine_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("program and field code") << "thunderbird %u" << QStringList{"thunderbird"};
        QTest::newRow("quoted path with blank, then an option")
            << "\"/opt/My Mail/mail\" -compose %U" << QStringList{"/opt/My Mail/mail", "-compose"};
        QTest::newRow("escaped quote inside quotes")
            << "\"/opt/a\\\"b/mail\"" << QStringList{"/opt/a\"b/mail"};
        QTest::newRow("percent sign kept")
            << "mail --rate=50%%" << QStringList{"mail", "--rate=50%"};
        QTest::newRow("tabs and several blanks")
            << "  evolution\t \t%F  " << QStringList{"evolution"};
        QTest::newRow("shell characters are plain text")
            << "mail;rm -rf x" << QStringList{"mail;rm", "-rf", "x"};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void execLine()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, words);
        QCOMPARE(MailLauncher::splitExecLine(exec), words);
    }

    void desktopEntry()
    {
        const QString apps =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        QVERIFY(QDir().mkpath(apps + QStringLiteral("/vendor")));
        const QByteArray entry = "[Desktop Action compose]\nExec=wrong --compose\n"
                                 "[Desktop Entry]\nName=Mail\nTryExec=nothing\n"
                                 "Exec = \"/usr/bin/my mail\" %u\n"
                                 "[Other]\nExec=also-wrong\n";
        for (const QString& path : {apps + QStringLiteral("/mymail.desktop"),
                                    apps + QStringLiteral("/vendor/mail.desktop")}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(entry);
        }
        const QString found = MailLauncher::findDesktopFile(QStringLiteral("mymail.desktop"));
        QCOMPARE(found, apps + QStringLiteral("/mymail.desktop"));
        QCOMPARE(MailLauncher::findDesktopFile(QStringLiteral("vendor-mail.desktop")),
                 apps + QStringLiteral("/vendor/mail.desktop"));
        QVERIFY(MailLauncher::findDesktopFile(QStringLiteral("../mymail.desktop")).isEmpty());
        QVERIFY(MailLauncher::findDesktopFile(QStringLiteral("absent.desktop")).isEmpty());
        QCOMPARE(MailLauncher::readDesktopExec(found), QStringLiteral("\"/usr/bin/my mail\" %u"));
        QCOMPARE(MailLauncher::splitExecLine(MailLauncher::readDesktopExec(found)),
                 QStringList{QStringLiteral("/usr/bin/my mail")});
    }

    // The whole path with stand-ins: an xdg-mime that names a desktop entry whose program
    // records its arguments.
    void launchDefaultMailClient()
    {
        const QString root = TestEnv::root();
        const QString bin = root + QStringLiteral("/bin");
        const QString record = root + QStringLiteral("/launched.txt");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(
            QDir().mkpath(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications")));
        auto writeScript = [](const QString& path, const QByteArray& text) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return false;
            file.write(text);
            file.close();
            return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        };
        QVERIFY(writeScript(
            bin + QStringLiteral("/xdg-mime"),
            "#!/bin/sh\n[ \"$3\" = x-scheme-handler/mailto ] && echo fakemail.desktop\n"));
        const QString program = bin + QStringLiteral("/fake mail");
        QVERIFY(writeScript(program, "#!/bin/sh\necho \"$#\" > \"" + record.toUtf8() + "\"\n"));
        QFile entry(qEnvironmentVariable("XDG_DATA_HOME") +
                    QStringLiteral("/applications/fakemail.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=\"" + program.toUtf8() +
                    "\" --compose %u\n");
        entry.close();

        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + oldPath);
        const bool started = MailLauncher::launchDefaultMailClient();
        qputenv("PATH", oldPath);
        QVERIFY(started);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > 0, 30000);
        QFile result(record);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll().trimmed(), QByteArray("0")); // started without arguments
    }

    void launchFailsSilentlyWithoutHandler()
    {
        const QString bin = TestEnv::root() + QStringLiteral("/bin-none");
        QVERIFY(QDir().mkpath(bin));
        QFile script(bin + QStringLiteral("/xdg-mime"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + oldPath);
        const bool started = MailLauncher::launchDefaultMailClient();
        qputenv("PATH", oldPath);
        QVERIFY(!started);
    }
};

VOK_TEST_MAIN(TestMailLauncher)
#include "tst_maillauncher.moc"
