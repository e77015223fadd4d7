#include "TestMain.h"

#include "mail/MailLauncher.h"

#include <QUrlQuery>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
        QTest::newRow("hash, percent and blank inside an address")
            << "b#c%d e@x.jp" << QByteArray("mailto:b%23c%25d%20e@x.jp")
            << QStringList{"b#c%d e@x.jp"};
        QTest::newRow("several addresses in one field")
            << "taro@example.jp, jiro@example.jp,;hanako@example.jp"
            << QByteArray("mailto:taro@example.jp,jiro@example.jp,hanako@example.jp")
            << QStringList{"taro@example.jp", "jiro@example.jp", "hanako@example.jp"};
        QTest::newRow("line break dropped, cannot start a header")
            << "a@x.jp\r\nBcc: b@y.jp" << QByteArray("mailto:a@x.jpBcc%3A%20b@y.jp")
            << QStringList{"a@x.jpBcc: b@y.jp"};
        QTest::newRow("tab, NUL and line separator dropped")
            << QStringLiteral("ta\tro@exam\u2028ple.jp") + QChar(0) + QStringLiteral("\x7f")
            << QByteArray("mailto:taro@example.jp") << QStringList{"taro@example.jp"};
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
        QTest::newRow("a program behind env and flatpak")
            << "env GTK_THEME=Adwaita flatpak run --command=mail org.example.Mail @@u %U @@"
            << QStringList{"env",
                           "GTK_THEME=Adwaita",
                           "flatpak",
                           "run",
                           "--command=mail",
                           "org.example.Mail",
                           "@@u",
                           "@@"};
        QTest::newRow("every field code removed")
            << "mail %f %F %u %U %d %D %n %N %i %c %k %v %m" << QStringList{"mail"};
        QTest::newRow("field code inside a word")
            << "mail --file=%f --x%%y" << QStringList{"mail", "--file=", "--x%y"};
        QTest::newRow("escapes inside quotes") << "mail \"a \\\\ b\" \"\\$HOME\" \"\\`x\\`\""
                                               << QStringList{"mail", "a \\ b", "$HOME", "`x`"};
        QTest::newRow("empty quoted argument kept")
            << "mail \"\" x" << QStringList{"mail", "", "x"};
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
                                 "Exec = \"/usr/bin/my mail\" -x\\s\\\\\\\\y %u\n"
                                 "Terminal=true\nExec=second\n"
                                 "[Other]\nExec=also-wrong\nTerminal=false\n";
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
        // String escapes first (\s a blank, \\\\ a backslash), then the Exec quoting.
        const MailLauncher::DesktopEntry read = MailLauncher::readDesktopEntry(found);
        QCOMPARE(read.exec, QStringLiteral("\"/usr/bin/my mail\" -x \\\\y %u"));
        QVERIFY(read.terminal);
        QCOMPARE(MailLauncher::splitExecLine(read.exec),
                 (QStringList{"/usr/bin/my mail", "-x", "\\\\y"}));
    }

    // The user's gesture ends here: the frame asks for the default mail program. Stand-ins on
    // a PATH of their own: an xdg-mime that answers only when the test lets it, and programs
    // and terminals that record how they were started.
    void launchDefaultMailClient_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QStringList>("programs"); // present on PATH
        QTest::addColumn<QStringList>("started");  // name and arguments; empty: nothing
        QTest::newRow("whole Exec line")
            << "\"BIN/fake mail\" --compose -x %u" << false << QStringList{"fake mail"}
            << QStringList{"fake mail", "--compose", "-x"};
        QTest::newRow("flatpak handler")
            << "flatpak run --branch=stable org.example.Mail --rate=50%% @@u %U @@" << false
            << QStringList{"flatpak"}
            << QStringList{"flatpak", "run", "--branch=stable", "org.example.Mail", "--rate=50%",
                           "@@u",     "@@"};
        QTest::newRow("terminal program in x-terminal-emulator")
            << "mutt %u" << true << QStringList{"mutt", "x-terminal-emulator", "xterm"}
            << QStringList{"x-terminal-emulator", "-e", "mutt"};
        QTest::newRow("terminal program, another terminal")
            << "mutt -F \"my rc\" %u" << true << QStringList{"mutt", "gnome-terminal"}
            << QStringList{"gnome-terminal", "--", "mutt", "-F", "my rc"};
        QTest::newRow("terminal program, no terminal")
            << "mutt %u" << true << QStringList{"mutt"} << QStringList{};
        QTest::newRow("no handler") << "" << false << QStringList{} << QStringList{};
    }

    void launchDefaultMailClient()
    {
        QFETCH(QString, exec);
        QFETCH(bool, terminal);
        QFETCH(QStringList, programs);
        QFETCH(QStringList, started);
        const QString root = TestEnv::root() + u'/' + QString::fromLatin1(QTest::currentDataTag());
        const QString bin = root + QStringLiteral("/bin");
        const QString record = root + QStringLiteral("/started.txt");
        const QString gate = root + QStringLiteral("/gate");
        const QString apps =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(apps));
        QCOMPARE(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
        const QByteArray id = QByteArray(QTest::currentDataTag()).replace(' ', '-') + ".desktop";
        QVERIFY(writeScript(bin + QStringLiteral("/xdg-mime"),
                            "#!/bin/sh\nread go < '" + gate.toUtf8() + "'\n" +
                                (exec.isEmpty() ? "echo\n" : "echo " + id + "\n")));
        for (const QString& program : programs) {
            QVERIFY(writeScript(bin + u'/' + program, "#!/bin/sh\nprintf '%s\\n' \"${0##*/}\" "
                                                      "\"$@\" > '" +
                                                          record.toUtf8() + "'\n"));
        }
        QFile entry(apps + u'/' + QString::fromLatin1(id));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=" +
                    QString(exec).replace(QStringLiteral("BIN"), bin).toUtf8() +
                    "\nTerminal=" + (terminal ? "true" : "false") + "\n");
        entry.close();

        // Only the stand-ins: no terminal of this machine may answer instead.
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin));
        int calls = 0;
        auto result = MailLauncher::Outcome::Started;
        QVERIFY(MailLauncher::launchDefaultMailClient([&](MailLauncher::Outcome outcome) {
            ++calls;
            result = outcome;
        }));
        // The lookup has not answered yet, and the window does not wait for it.
        QCOMPARE(calls, 0);
        int fd = -1;
        QTRY_VERIFY((fd = ::open(QFile::encodeName(gate).constData(), O_WRONLY | O_NONBLOCK)) >= 0);
        QCOMPARE(::write(fd, "\n", 1), ssize_t(1));
        ::close(fd);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 15000);
        qputenv("PATH", oldPath);
        // A desktop without a mail program is told apart from one whose program cannot start.
        QCOMPARE(result, exec.isEmpty()      ? MailLauncher::Outcome::NoMailProgram
                         : started.isEmpty() ? MailLauncher::Outcome::NotStarted
                                             : MailLauncher::Outcome::Started);
        if (started.isEmpty())
            QVERIFY(!QFile::exists(record));
        else
            QTRY_COMPARE_WITH_TIMEOUT(recordedLines(record), started, 15000);
    }

private:
    static QStringList recordedLines(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    static bool writeScript(const QString& path, const QByteArray& text)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(text);
        file.close();
        return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ExeOwner);
    }
};

VOK_TEST_MAIN(TestMailLauncher)
#include "tst_maillauncher.moc"
