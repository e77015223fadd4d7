#include "TestMain.h"
#include "app/CAddressApp.h"
#include "app/CMainFrame.h"
#include "app/CommandLine.h"
#include "app/InstanceRequest.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordSelection.h"
#include "model/exchange/csv/CsvFile.h"
#include "settings/RegistryKey.h"
#include "ui/groups/CGroupTree.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string cp(const QString& text)
{
    return Text::toCp932(text).value_or(std::string());
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The saved book, read again.
QStringList savedContacts()
{
    CVOK_AddressDoc book;
    book.LoadAddressFile();
    QStringList out;
    for (const auto& r : book.records())
        out << Text::fromCp932(r->name()) + u'/' + Text::fromCp932(r->group());
    return out;
}

CommandLine::Result runMode(QStringList arguments)
{
    arguments.replaceInStrings(QStringLiteral("@"), TestEnv::root() + u'/');
    return CommandLine::runMode(QStringList{"VOK_Address"} + arguments);
}

const QByteArray kVCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nCATEGORIES:友人\r\n"
                           "X-PHONETIC-LAST-NAME:やまだ\r\nEND:VCARD\r\n"
                           "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Jane\r\nNOTE:🙂 hi\r\nEND:VCARD\r\n";

} // namespace

// --export and --import as scripts run them, and --import handed to a running copy.
class TestExchangeModes : public QObject
{
    Q_OBJECT
private slots:
    // The running copy's window stands on a desktop with a tray (without one its first start
    // would stop to explain closing).
    void initTestCase() { TrayIcon::setAvailableForTesting(true); }

    void init()
    {
        QFile::remove(RegistryKey::storePath());
        TestEnv::removeBook(DataLocation::addressFilePath());
        QFile::remove(TestEnv::root() + QStringLiteral("/data/Readings.txt"));
    }

    void exportMode_data();
    void exportMode();
    void exportNeverOntoTheBook_data();
    void exportNeverOntoTheBook();
    void exportReplacesSafely_data();
    void exportReplacesSafely();
    void importMode_data();
    void importMode();
    void protocol_data();
    void protocol();
    void handOver_data();
    void handOver();
    void oversizedRequest_data();
    void oversizedRequest();
};

void TestExchangeModes::exportMode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("file");    // what the file holds: "vcard3 N", "vcard4 N", ...
    QTest::addColumn<QByteArray>("text"); // in the file, or in the error
    QTest::newRow(".vcf: vCard 3.0 with readings")
        << QStringList{"--export", "@out.vcf"} << 0 << "vcard3 4"
        << QByteArray("X-PHONETIC-LAST-NAME:やまだ");
    QTest::newRow("--format vcard4 whatever the name")
        << QStringList{"--export", "@out.txt", "--format", "vcard4"} << 0 << "vcard4 4"
        << QByteArray("N;SORT-AS=");
    QTest::newRow(".csv: UTF-8 with a header") << QStringList{"--export", "@out.csv"} << 0
                                               << "utf8 4" << QByteArray("\"株式会社A, B支店\"");
    QTest::newRow(".txt: the legacy file")
        << QStringList{"--export", "@out.txt"} << 0 << "legacy 4" << QByteArray();
    QTest::newRow("--format csv: the legacy file")
        << QStringList{"--export", "@out.csv", "--format", "csv"} << 0 << "legacy 4"
        << QByteArray();
    QTest::newRow("--format csv-utf8, one group in other case")
        << QStringList{"--export", "@out.dat", "--group", "PRIVATE", "--format", "csv-utf8"} << 0
        << "utf8 1" << QByteArray("Jane");
    QTest::newRow("a stored group") << QStringList{"--export", "@out.vcf", "--group", "友人"} << 0
                                    << "vcard3 1" << QByteArray("FN:山田 太郎");
    QTest::newRow("a stored group's extras")
        << QStringList{"--export", "@out.vcf", "--group", "友人"} << 0 << "vcard3 1"
        << QByteArray("TITLE:部長");
    QTest::newRow("extras of the last contact")
        << QStringList{"--export", "@out.vcf"} << 0 << "vcard3 4" << QByteArray("TITLE:課長");
    QTest::newRow("a group only contacts bear")
        << QStringList{"--export", "@out.vcf", "--group", "旧グループ"} << 0 << "vcard3 1"
        << QByteArray("CATEGORIES:旧グループ");
    QTest::newRow("unknown group") << QStringList{"--export", "@out.vcf", "--group", "家族"} << 1
                                   << "" << QByteArray("no group named 家族");
    QTest::newRow("unknown format")
        << QStringList{"--export", "@out.vcf", "--format", "ldif"} << 1 << ""
        << QByteArray("--format must be vcard3, vcard4, csv or csv-utf8: ldif");
    QTest::newRow("extension without a format")
        << QStringList{"--export", "@out.dat"} << 1 << "" << QByteArray("give --format");
    QTest::newRow("no file") << QStringList{"--export", "--group", "友人"} << 1 << ""
                             << QByteArray("the file is missing");
    QTest::newRow("option without value") << QStringList{"--export", "@out.vcf", "--group"} << 1
                                          << "" << QByteArray("--group needs a value");
    QTest::newRow("unknown option") << QStringList{"--export", "@out.vcf", "--all"} << 1 << ""
                                    << QByteArray("unknown option: --all");
    QTest::newRow("folder missing") << QStringList{"--export", "@none/out.vcf"} << 1 << ""
                                    << QByteArray("cannot write the file");
}

void TestExchangeModes::exportMode()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    {
        CVOK_AddressDoc book;
        QVERIFY(book.LoadAddressFile());
        QVERIFY(book.CreateGroup(QStringLiteral("友人")));
        const QStringList contacts[] = {{"山田 太郎", "友人", "株式会社A, B支店"},
                                        {"Jane", "Private", ""},
                                        {"John", "Business", ""},
                                        {"古い", "旧グループ", ""}};
        for (const QStringList& c : contacts) {
            auto r = std::make_unique<AddressRecord>();
            r->setField(AddressRecord::Name, cp(c[0]));
            r->setField(AddressRecord::Group, cp(c[1]));
            r->setField(AddressRecord::Company, cp(c[2]));
            ContactExtras x; // kept beside the book, and going out with the contact
            x.title = c[1] == QStringLiteral("友人") ? "部長" : "課長";
            r->setExtras(x);
            book.AddRecord(std::move(r));
        }
        book.SetReading(cp(QStringLiteral("山田 太郎")), "やまだ たろう");
        QVERIFY(book.SaveAddressFile());
    }
    // A file of that name is there already: a refused export leaves it alone.
    const QString out = arguments.value(1).replace(u'@', TestEnv::root() + u'/');
    QFile::remove(out);
    const bool existing = arguments.value(1).startsWith(u'@') &&
                          !TestEnv::writeFile(arguments.value(1).mid(1), "keep").isEmpty();
    const CommandLine::Result r = runMode(arguments);
    QCOMPARE(r.status, status);
    if (status != 0) {
        QVERIFY2(r.err.contains(text), r.err.constData());
        QVERIFY(r.err.startsWith("VOK_Address --export: "));
        QCOMPARE(readAll(out), existing ? QByteArray("keep") : QByteArray());
        return;
    }
    QVERIFY(r.err.isEmpty());
    const QStringList what = file.split(u' ');
    QVERIFY(r.out.contains(what[1].toUtf8() + " contact(s)"));
    const QByteArray bytes = readAll(out);
    const int count = what[1].toInt();
    if (what[0].startsWith(QLatin1String("vcard"))) {
        QCOMPARE(int(bytes.count("BEGIN:VCARD\r\n")), count);
        QCOMPARE(int(bytes.count(what[0] == QLatin1String("vcard3") ? "VERSION:3.0\r\n"
                                                                    : "VERSION:4.0\r\n")),
                 count);
    } else if (what[0] == QLatin1String("utf8")) {
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF名前,"));
        QCOMPARE(int(bytes.count("\r\n")), count + 1);
    } else {
        // Byte for byte what the legacy writer makes of the saved book.
        CVOK_AddressDoc book;
        book.LoadAddressFile();
        const auto all = RecordSelection::ofGroup(book.records(), RecordSelection::RootGroup);
        QCOMPARE(bytes, QByteArray::fromStdString(CsvFile::Format(all)));
    }
    QVERIFY2(bytes.contains(text), bytes.constData());
}

// The book, its backups and its companion files are never an export's target, whatever name
// leads to them: the export would replace them.
void TestExchangeModes::exportNeverOntoTheBook_data()
{
    QTest::addColumn<QString>("target"); // relative to the book's folder
    QTest::addColumn<QString>("link");   // made to lead to the target: "symlink", "hardlink"
    QTest::newRow("the book") << "Address.vok"
                              << "";
    QTest::newRow("the book by another path") << "../data/./Address.vok"
                                              << "";
    QTest::newRow("a link to the book") << "Address.vok"
                                        << "symlink";
    QTest::newRow("a hard link to the book") << "Address.vok"
                                             << "hardlink";
    QTest::newRow("its backup") << "Address.vok.bak"
                                << "";
    QTest::newRow("its older backup, not there yet") << "Address.vok.bak.1"
                                                     << "";
    QTest::newRow("the readings") << "Readings.txt"
                                  << "";
    QTest::newRow("the companion file") << "Address.vok.extra"
                                        << "";
    QTest::newRow("the companion's backup") << "Address.vok.extra.bak"
                                            << "";
    QTest::newRow("the drafts") << "Address.vok.draft"
                                << "";
    QTest::newRow("the lock") << ".Address.vok.lock"
                              << "";
}

void TestExchangeModes::exportNeverOntoTheBook()
{
    QFETCH(QString, target);
    QFETCH(QString, link);
    const QString dir = QFileInfo(DataLocation::addressFilePath()).absolutePath();
    {
        CVOK_AddressDoc book;
        QVERIFY(book.LoadAddressFile());
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, "Yamada");
        r->setField(AddressRecord::Group, "Private");
        book.AddRecord(std::move(r));
        book.SetReading("Yamada", "やまだ");
        QVERIFY(book.SaveAddressFile());
        QVERIFY(book.SaveAddressFile());
    }
    const QString path = dir + u'/' + target;
    QString file = path;
    if (link == u"symlink") {
        file = TestEnv::root() + QStringLiteral("/book.csv");
        QFile::remove(file);
        QVERIFY(QFile::link(path, file));
    } else if (link == u"hardlink") {
        file = TestEnv::root() + QStringLiteral("/book.csv");
        QFile::remove(file);
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(file).constData()),
                 0);
    }
    QStringList kept;
    QList<QByteArray> before;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
        kept << name;
        before << readAll(dir + u'/' + name);
    }
    const CommandLine::Result r = runMode({"--export", file, "--format", "csv"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("will not export onto the address book"), r.err.constData());
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), kept);
    for (int i = 0; i < kept.size(); ++i)
        QCOMPARE(readAll(dir + u'/' + kept[i]), before[i]);
    QFile::remove(TestEnv::root() + QStringLiteral("/book.csv"));
}

// An export replaces its file only once it is complete, and a new file is the user's alone,
// like the book.
void TestExchangeModes::exportReplacesSafely_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("a new file") << false;
    QTest::newRow("the disk fills up on the way") << true;
}

void TestExchangeModes::exportReplacesSafely()
{
    QFETCH(bool, diskFull);
    {
        CVOK_AddressDoc book;
        QVERIFY(book.LoadAddressFile());
        for (int i = 0; i < 50; ++i) {
            auto r = std::make_unique<AddressRecord>();
            r->setField(AddressRecord::Name, "Contact " + std::to_string(i));
            r->setField(AddressRecord::Group, "Private");
            book.AddRecord(std::move(r));
        }
        QVERIFY(book.SaveAddressFile());
    }
    const QString out = TestEnv::root() + QStringLiteral("/safe.vcf");
    QFile::remove(out);
    if (diskFull)
        QVERIFY(!TestEnv::writeFile(QStringLiteral("safe.vcf"), "keep").isEmpty());
    CommandLine::Result r;
    if (diskFull) {
        // A file may grow to 512 bytes: the export stops part of the way.
        struct sigaction ignore = {}, previous = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &previous);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 512;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        r = runMode({"--export", out});
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::sigaction(SIGXFSZ, &previous, nullptr);
    } else {
        r = runMode({"--export", out});
    }
    QCOMPARE(r.status, diskFull ? 1 : 0);
    if (diskFull) {
        QCOMPARE(readAll(out), QByteArray("keep"));
    } else {
        QCOMPARE(int(readAll(out).count("BEGIN:VCARD")), 50);
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(out).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }
    QCOMPARE(QDir(TestEnv::root())
                 .entryList({QStringLiteral(".safe.vcf.*")}, QDir::Files | QDir::Hidden),
             QStringList());
}

void TestExchangeModes::importMode_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no such file
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("saved"); // name/group of each saved contact
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("vCards: the file's group created, a character replaced")
        << kVCards << QStringList{} << 0 << QStringList{"山田 太郎/友人", "Jane/Other"}
        << QByteArray("imported 2 contact(s)\nグループを作りました / created groups: 友人")
        << QByteArray("replaced by 〓: Jane（メモ）: 🙂");
    QTest::newRow("a CSV of another program, as guessed")
        << QByteArray("Name,E-mail Address,Notes\r\nAnn,ann@example.com,\"a, b\"\r\n")
        << QStringList{} << 0 << QStringList{"Ann/Other"} << QByteArray("imported 1 contact(s)")
        << QByteArray();
    QTest::newRow("our own file, a damaged line named")
        << QByteArray("A,,,,,,,,,,,,,,,Private\r\nB,,\r\nC,,,,,,,,,,,,,,,Business\r\n")
        << QStringList{} << 0 << QStringList{"A/Private", "C/Business"}
        << QByteArray("imported 2 contact(s)") << QByteArray("line 2 not imported");
    QTest::newRow("--group: everyone there, created")
        << kVCards << QStringList{"--group", "新規"} << 0
        << QStringList{"山田 太郎/新規", "Jane/新規"} << QByteArray("created groups: 新規")
        << QByteArray();
    QTest::newRow("--group of the root refused")
        << kVCards << QStringList{"--group", "vok_address"} << 1 << QStringList{} << QByteArray()
        << QByteArray("not a usable group name: vok_address");
    QTest::newRow("not an address book")
        << QByteArray("\x01\x02\x03", 3) << QStringList{} << 1 << QStringList{} << QByteArray()
        << QByteArray("neither vCard nor CSV");
    QTest::newRow("nothing in it") << QByteArray("\r\n") << QStringList{} << 1 << QStringList{}
                                   << QByteArray() << QByteArray("no contacts to import");
    QTest::newRow("missing") << QByteArray() << QStringList{} << 1 << QStringList{} << QByteArray()
                             << QByteArray("cannot read the file");
}

void TestExchangeModes::importMode()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QStringList, saved);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const QString path = content.isEmpty() ? TestEnv::root() + QStringLiteral("/none.vcf")
                                           : TestEnv::writeFile(QStringLiteral("in.dat"), content);
    const CommandLine::Result r =
        CommandLine::runMode(QStringList{"VOK_Address", "--import", path} + options);
    QCOMPARE(r.status, status);
    QVERIFY2(r.out.contains(out), r.out.constData());
    QVERIFY2(r.err.contains(err), r.err.constData());
    QCOMPARE(savedContacts(), saved);
    // Readings came along.
    if (content == kVCards) {
        CVOK_AddressDoc book;
        book.LoadAddressFile();
        QCOMPARE(book.storedReading(cp(QStringLiteral("山田 太郎"))),
                 std::string_view(status == 0 ? "やまだ" : ""));
    }
}

void TestExchangeModes::protocol_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("group");
    QTest::newRow("plain") << "/tmp/a.vcf"
                           << "";
    QTest::newRow("blanks, percent, line breaks") << "/tmp/my contacts %20\n100%.vcf"
                                                  << "友 人\r\n";
}

// Requests and answers travel as one line each, whatever the names hold.
void TestExchangeModes::protocol()
{
    QFETCH(QString, path);
    QFETCH(QString, group);
    const QByteArray line = InstanceRequest::importLine({path, group});
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    const auto back = InstanceRequest::parseImport(line);
    QVERIFY(back);
    QCOMPARE(back->path, path);
    QCOMPARE(back->group, group);
    const CommandLine::Result result{1, path.toUtf8(), group.toUtf8()};
    const QByteArray answer = InstanceRequest::answerLine(result);
    QCOMPARE(answer.count('\n'), 1);
    const auto parsed = InstanceRequest::parseAnswer(answer);
    QVERIFY(parsed);
    QCOMPARE(parsed->status, 1);
    QCOMPARE(parsed->out, path.toUtf8());
    QCOMPARE(parsed->err, group.toUtf8());
    QVERIFY(!InstanceRequest::parseImport("show\n"));
    QVERIFY(!InstanceRequest::parseAnswer("ok\n"));
}

void TestExchangeModes::handOver_data()
{
    QTest::addColumn<bool>("readable");
    QTest::newRow("imported by the running copy") << true;
    QTest::newRow("its failure reported") << false;
}

// With a copy running, --import goes to it: the contacts appear in its window and its book is
// saved, so its next save keeps them; the script gets the summary and the exit status.
void TestExchangeModes::handOver()
{
    QFETCH(bool, readable);
    CAddressApp running;
    QVERIFY(running.InitInstance({QStringLiteral("VOK_Address")}));
    CMainFrame* frame = running.mainFrame();
    QSignalSpy shown(frame->document(), &CVOK_AddressDoc::recordsAdded);
    const QString path = readable ? TestEnv::writeFile(QStringLiteral("hand.vcf"), kVCards)
                                  : TestEnv::root() + QStringLiteral("/none.vcf");

    CommandLine::Result result;
    std::atomic<bool> done = false;
    std::thread script([&] {
        result = CommandLine::runMode({"VOK_Address", "--import", path});
        done = true;
    });
    // The running copy answers from its event loop.
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    script.join();

    QCOMPARE(result.status, readable ? 0 : 1);
    if (!readable) {
        QVERIFY2(result.err.contains("cannot read the file"), result.err.constData());
        QCOMPARE(shown.count(), 0);
        return;
    }
    QVERIFY2(result.out.contains("imported into the running VOK_Address"), result.out.constData());
    QCOMPARE(shown.count(), 1);
    QCOMPARE(frame->document()->records().size(), std::size_t(2));
    QVERIFY(!frame->groupTree()
                 ->findItems(QStringLiteral("友人"), Qt::MatchExactly | Qt::MatchRecursive)
                 .isEmpty());
    QCOMPARE(savedContacts(), (QStringList{"山田 太郎/友人", "Jane/Other"}));
}

void TestExchangeModes::oversizedRequest_data()
{
    QTest::addColumn<QByteArray>("head"); // the request's start; blanks fill it to the length
    QTest::addColumn<int>("length");      // the whole line, its line end included
    QTest::addColumn<bool>("carriedOut");
    const int max = int(InstanceRequest::MaxLine);
    const QByteArray import = "IMPORT " + TestEnv::root().toUtf8() + "/in.vcf %E5%8F%8B";
    QTest::newRow("show, as long as a request may be") << QByteArray("show") << max << true;
    QTest::newRow("show, a byte longer") << QByteArray("show") << max + 1 << false;
    QTest::newRow("import, a byte longer") << import << max + 1 << false;
    QTest::newRow("import, far longer") << import << 4 * max << false;
}

// A line longer than any request is refused as a whole: its head is never carried out.
void TestExchangeModes::oversizedRequest()
{
    QFETCH(QByteArray, head);
    QFETCH(int, length);
    QFETCH(bool, carriedOut);
    SingleInstance running(QStringLiteral("vok-oversized"));
    QVERIFY(running.tryLock());
    QVERIFY(running.listen());
    QByteArrayList handled;
    running.setRequestHandler([&](const QByteArray& line) -> std::optional<QByteArray> {
        handled << line;
        return std::nullopt; // shown, as "show" is
    });
    QSignalSpy shown(&running, &SingleInstance::showRequested);

    QLocalSocket client;
    client.connectToServer(running.serverPath());
    QVERIFY(client.waitForConnected(5000));
    client.write(head + QByteArray(length - head.size() - 1, ' ') + '\n');
    QTRY_VERIFY_WITH_TIMEOUT(
        client.bytesAvailable() > 0 || client.state() == QLocalSocket::UnconnectedState, 20000);
    QCOMPARE(handled.size(), carriedOut ? 1 : 0);
    QCOMPARE(shown.count(), carriedOut ? 1 : 0);
    if (carriedOut)
        QCOMPARE(handled.first().size(), length);
}

VOK_TEST_MAIN(TestExchangeModes)
#include "tst_exchangemodes.moc"
