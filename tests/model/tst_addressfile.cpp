#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/storage/AddressFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ModelTest;

namespace {

constexpr int kRecord = int(AddressFile::RecordSize);

int slotOffset(int field)
{
    int offset = 0;
    for (int i = 0; i < field; ++i)
        offset += int(AddressRecord::SlotWidth[std::size_t(i)]);
    return offset;
}

// One record in the file layout, built by hand rather than by the code under test.
QByteArray handRecord(const std::array<QByteArray, AddressRecord::FieldCount>& fields)
{
    QByteArray out(kRecord, '\0');
    for (int i = 0; i < AddressRecord::FieldCount; ++i)
        out.replace(slotOffset(i), fields[std::size_t(i)].size(), fields[std::size_t(i)]);
    return out;
}

QByteArray handRecord(int n)
{
    std::array<QByteArray, AddressRecord::FieldCount> f;
    for (int i = 0; i < AddressRecord::FieldCount; ++i)
        f[std::size_t(i)] = QByteArray::number(n) + '.' + QByteArray::number(i);
    f[AddressRecord::Name] = qb(sjis("佐藤　表ソ")) + QByteArray::number(n);
    f[AddressRecord::Memo] = qb(sjis("一行目\r\n二行目"));
    f[AddressRecord::Group] = qb(sjis("友人"));
    return handRecord(f);
}

QByteArray rep(const char* utf8, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += qb(sjis(utf8));
    return out;
}

bool permissionsEnforced(const QString& dir)
{
    const QString probe = dir + QStringLiteral("/probe");
    const int fd = ::open(local(probe).c_str(), O_WRONLY | O_CREAT, 0600);
    if (fd < 0)
        return true;
    ::close(fd);
    ::unlink(local(probe).c_str());
    return false;
}

QStringList strayFiles(const QString& dir)
{
    return QDir(dir).entryList(QStringList{QStringLiteral(".Address.vok.*")},
                               QDir::Files | QDir::Hidden);
}

} // namespace

class TestAddressFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loadSizes_data();
    void loadSizes();
    void loadAppends();
    void saveEmptyList();
    void fullSlots_data();
    void fullSlots();
    void overlongCut_data();
    void overlongCut();
    void slotWithoutZero();
    void byteExactRoundTrip();
    void writeFailureKeepsOldFile_data();
    void writeFailureKeepsOldFile();
    void unreadable_data();
    void unreadable();
    void oddRecords_data();
    void oddRecords();
    void keepsModeAndLink();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestAddressFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/af-XXXXXX"));
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("Address.vok"));
}

void TestAddressFile::cleanup()
{
    QFile::setPermissions(m_dir->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_dir.reset();
}

void TestAddressFile::loadSizes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("records");
    QTest::newRow("0 bytes") << 0 << 0;
    QTest::newRow("1683 bytes") << kRecord - 1 << 0;
    QTest::newRow("1684 bytes") << kRecord << 1;
    QTest::newRow("3368 bytes") << 2 * kRecord << 2;
    QTest::newRow("3369 bytes") << 2 * kRecord + 1 << 2;
    // Beyond one read batch: a record that straddles two reads must come through whole.
    QTest::newRow("300 records and a half") << 300 * kRecord + kRecord / 2 << 300;
}

void TestAddressFile::loadSizes()
{
    QFETCH(int, size);
    QFETCH(int, records);
    QByteArray data;
    for (int i = 0; data.size() < size; ++i)
        data += handRecord(i);
    data.truncate(size);
    QVERIFY(writeAll(m_file, data));

    RecordList list;
    QCOMPARE(AddressFile::Load(local(m_file), list), AddressFile::Status::Ok);
    QCOMPARE(int(list.size()), records);
    for (int i = 0; i < records; ++i)
        QCOMPARE(qb(list.at(std::size_t(i))->name()),
                 qb(sjis("佐藤　表ソ")) + QByteArray::number(i));

    // The trailing partial record is gone after the next save; the rest is byte for byte.
    QCOMPARE(AddressFile::Save(local(m_file), list), AddressFile::Status::Ok);
    QCOMPARE(readAll(m_file), data.left(records * kRecord));
    QVERIFY(QFileInfo::exists(m_file));
}

void TestAddressFile::loadAppends()
{
    QVERIFY(writeAll(m_file, handRecord(7)));
    RecordList list;
    list.AppendRecord(tagged(1, "Other"));
    QCOMPARE(AddressFile::Load(local(m_file), list), AddressFile::Status::Ok);
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(qb(list.at(0)->name()), QByteArray("n1-f00"));
    QCOMPARE(qb(list.at(1)->group()), qb(sjis("友人")));

    RecordList none;
    QCOMPARE(AddressFile::Load(local(m_dir->filePath("absent.vok")), none),
             AddressFile::Status::Missing);
    QVERIFY(none.empty());
}

void TestAddressFile::saveEmptyList()
{
    QVERIFY(writeAll(m_file, handRecord(1)));
    RecordList list;
    QCOMPARE(AddressFile::Save(local(m_file), list), AddressFile::Status::Ok);
    QVERIFY(QFileInfo::exists(m_file));
    QCOMPARE(QFileInfo(m_file).size(), qint64(0));
    QVERIFY(strayFiles(m_dir->path()).isEmpty());
}

void TestAddressFile::fullSlots_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("name 127 ascii") << int(AddressRecord::Name) << QByteArray(127, 'n');
    QTest::newRow("name 127 mixed")
        << int(AddressRecord::Name) << qb("a" + sjis("山") + std::string(124, 'b'));
    QTest::newRow("office email 127") << int(AddressRecord::OfficeEmail) << QByteArray(127, 'e');
    QTest::newRow("postal code 15") << int(AddressRecord::PostalCode) << QByteArray(15, '1');
    QTest::newRow("office fax 15 with kanji")
        << int(AddressRecord::OfficeFax) << qb("x" + sjis("表表表表表表表"));
    QTest::newRow("address 259") << int(AddressRecord::Address) << "a" + rep("住", 129);
    QTest::newRow("memo 259 CR LF")
        << int(AddressRecord::Memo) << qb(std::string(256, 'm') + "\r\nz");
    QTest::newRow("office memo 259") << int(AddressRecord::OfficeMemo) << QByteArray(259, 'o');
    QTest::newRow("group 19") << int(AddressRecord::Group) << qb("g" + sjis("ソソソソソソソソソ"));
}

void TestAddressFile::fullSlots()
{
    QFETCH(int, field);
    QFETCH(QByteArray, text);
    const int width = int(AddressRecord::SlotWidth[std::size_t(field)]);
    QCOMPARE(text.size(), width - 1);

    RecordList list;
    auto* r = list.AppendRecord(tagged(0, "Private"));
    r->setField(field, sv(text));
    list.AppendRecord(tagged(1, "Other"));
    QCOMPARE(AddressFile::Save(local(m_file), list), AddressFile::Status::Ok);
    const QByteArray data = readAll(m_file);
    QCOMPARE(data.size(), 2 * kRecord);
    QCOMPARE(data.mid(slotOffset(field), width - 1), text);
    QCOMPARE(data.at(slotOffset(field) + width - 1), '\0');

    RecordList back;
    QCOMPARE(AddressFile::Load(local(m_file), back), AddressFile::Status::Ok);
    QCOMPARE(back.size(), std::size_t(2));
    QVERIFY(*back.at(0) == *list.at(0));
    QVERIFY(*back.at(1) == *list.at(1));
}

void TestAddressFile::overlongCut_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stored");
    // An odd start puts the 128th byte on the lead byte of a double-byte character.
    QTest::newRow("name") << int(AddressRecord::Name) << "a" + rep("あ", 70) << "a" + rep("あ", 63);
    QTest::newRow("email ascii") << int(AddressRecord::Email) << QByteArray(300, 'x')
                                 << QByteArray(127, 'x');
    QTest::newRow("postal code") << int(AddressRecord::PostalCode) << rep("表", 9) << rep("表", 7);
    QTest::newRow("phone odd") << int(AddressRecord::Phone) << "0" + rep("ソ", 8)
                               << "0" + rep("ソ", 7);
    QTest::newRow("address") << int(AddressRecord::Address) << "a" + rep("住", 200)
                             << "a" + rep("住", 129);
    QTest::newRow("memo CR LF at the edge")
        << int(AddressRecord::Memo) << QByteArray(258, 'm') + "\r\nxyz" << QByteArray(258, 'm');
    QTest::newRow("group") << int(AddressRecord::Group) << "g" + rep("友", 12)
                           << "g" + rep("友", 9);
    QTest::newRow("office fax half-width kana")
        << int(AddressRecord::OfficeFax) << rep("ｱ", 20) << rep("ｱ", 15);
}

void TestAddressFile::overlongCut()
{
    QFETCH(int, field);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stored);
    RecordList list;
    auto* r = list.AppendRecord(tagged(0, "Private"));
    r->setField(field, sv(text));
    list.AppendRecord(tagged(1, "Other"));
    QCOMPARE(AddressFile::Save(local(m_file), list), AddressFile::Status::Ok);
    const QByteArray data = readAll(m_file);
    QCOMPARE(data.size(), 2 * kRecord);
    const int width = int(AddressRecord::SlotWidth[std::size_t(field)]);
    QCOMPARE(data.mid(slotOffset(field), width).left(stored.size()), stored);
    QVERIFY(data.mid(slotOffset(field) + stored.size(), width - stored.size()) ==
            QByteArray(width - stored.size(), '\0'));

    RecordList back;
    QCOMPARE(AddressFile::Load(local(m_file), back), AddressFile::Status::Ok);
    QCOMPARE(back.size(), std::size_t(2));
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        if (i == field)
            QCOMPARE(qb(back.at(0)->field(i)), stored);
        else
            QCOMPARE(qb(back.at(0)->field(i)), qb(list.at(0)->field(i))); // neighbours intact
    }
    QVERIFY(*back.at(1) == *list.at(1));
}

void TestAddressFile::slotWithoutZero()
{
    // Another program may fill a slot to the brim; the text still ends at the slot's end.
    QByteArray data = handRecord(0);
    data.replace(slotOffset(AddressRecord::Name), 128, QByteArray(128, 'N'));
    data.replace(slotOffset(AddressRecord::Group), 20, QByteArray(20, 'G'));
    QVERIFY(writeAll(m_file, data));
    RecordList list;
    QCOMPARE(AddressFile::Load(local(m_file), list), AddressFile::Status::Ok);
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(qb(list.at(0)->name()), QByteArray(128, 'N'));
    QCOMPARE(qb(list.at(0)->email()), QByteArray("0.1"));
    QCOMPARE(qb(list.at(0)->group()), QByteArray(20, 'G'));
    QCOMPARE(AddressFile::Save(local(m_file), list), AddressFile::Status::Ok);
    const QByteArray saved = readAll(m_file);
    QCOMPARE(saved.mid(0, 128), QByteArray(127, 'N') + '\0');
    QCOMPARE(saved.mid(slotOffset(AddressRecord::Group), 20), QByteArray(19, 'G') + '\0');
}

void TestAddressFile::byteExactRoundTrip()
{
    std::array<QByteArray, AddressRecord::FieldCount> f;
    f[AddressRecord::Name] = qb(sjis("山田　太郎"));
    f[AddressRecord::Email] = "taro@example.jp";
    f[AddressRecord::PostalCode] = "100-0005";
    f[AddressRecord::Address] = qb(sjis("東京都千代田区丸の内１－１\r\nＶＯＫビル　３Ｆ"));
    f[AddressRecord::Memo] = qb(sjis("〜表ソ\\n①")); // a literal backslash-n, too
    f[AddressRecord::Company] = "\x82\xA0\xFF\x80";  // not all valid CP932: kept as is
    f[AddressRecord::Group] = "Business";
    const QByteArray a = handRecord(f);
    const QByteArray b = handRecord(3);
    const QByteArray empty(kRecord, '\0');
    const QByteArray data = a + b + a + empty + b; // equal records are both kept
    QVERIFY(writeAll(m_file, data));
    RecordList list;
    QCOMPARE(AddressFile::Load(local(m_file), list), AddressFile::Status::Ok);
    QCOMPARE(list.size(), std::size_t(5));
    QVERIFY(*list.at(0) == *list.at(2));
    QVERIFY(list.at(0) != list.at(2));
    QCOMPARE(AddressFile::Save(local(m_file), list), AddressFile::Status::Ok);
    QCOMPARE(readAll(m_file), data);
}

void TestAddressFile::writeFailureKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder refuses writing") << QStringLiteral("readonly");
    QTest::newRow("no file descriptor left") << QStringLiteral("nofile");
    QTest::newRow("disk full midway") << QStringLiteral("fsize");
    QTest::newRow("folder is a file") << QStringLiteral("notdir");
}

void TestAddressFile::writeFailureKeepsOldFile()
{
    QFETCH(QString, how);
    QByteArray old;
    for (int i = 0; i < 3; ++i)
        old += handRecord(i);
    QVERIFY(writeAll(m_file, old));
    RecordList list;
    for (int i = 0; i < 600; ++i) // more than one write batch
        list.AppendRecord(tagged(i, "Private"));

    QString target = m_file;
    AddressFile::Status status = AddressFile::Status::Ok;
    if (how == u"readonly") {
        QVERIFY(QFile::setPermissions(m_dir->path(),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther));
        if (!permissionsEnforced(m_dir->path())) {
            // Running as root: the folder's mode is no obstacle. The same failure to create the
            // new file comes from a process that may open no more files.
            QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
            how = QStringLiteral("nofile");
        }
    }
    if (how == u"readonly") {
        status = AddressFile::Save(local(target), list);
    } else if (how == u"nofile") {
        struct rlimit saved
        {
        };
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        const int probe = ::dup(0);
        QVERIFY(probe >= 0);
        ::close(probe);
        struct rlimit tight = saved;
        tight.rlim_cur = rlim_t(probe); // every descriptor from here on is refused
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        status = AddressFile::Save(local(target), list);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    } else if (how == u"fsize") {
        struct rlimit saved
        {
        };
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        struct sigaction ignore
        {
        };
        struct sigaction previous
        {
        };
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &previous);
        struct rlimit tight = saved;
        tight.rlim_cur = rlim_t(100 * kRecord + 17); // the new file stops in mid-record
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tight), 0);
        status = AddressFile::Save(local(target), list);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &saved), 0);
        ::sigaction(SIGXFSZ, &previous, nullptr);
    } else if (how == u"notdir") {
        // The file's folder is a regular file: nothing can be created there, root or not.
        target = m_file + QStringLiteral("/Address.vok");
        status = AddressFile::Save(local(target), list);
    }
    QCOMPARE(status, AddressFile::Status::WriteError);
    QCOMPARE(readAll(m_file), old);
    QVERIFY(strayFiles(m_dir->path()).isEmpty());
}

void TestAddressFile::unreadable_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("error"); // what the report names as the reason
    QTest::newRow("a folder in its place") << QStringLiteral("dir") << EISDIR;
    QTest::newRow("a FIFO in its place") << QStringLiteral("fifo") << EINVAL;
    QTest::newRow("no read permission") << QStringLiteral("mode") << EACCES;
    QTest::newRow("a path through a file") << QStringLiteral("notdir") << ENOTDIR;
}

void TestAddressFile::unreadable()
{
    QFETCH(QString, what);
    QFETCH(int, error);
    QString path = m_file;
    if (what == u"dir") {
        QVERIFY(QDir().mkpath(m_file));
    } else if (what == u"fifo") {
        QCOMPARE(::mkfifo(local(m_file).c_str(), 0600), 0);
    } else if (what == u"mode") {
        QVERIFY(writeAll(m_file, handRecord(0)));
        QVERIFY(QFile::setPermissions(m_file, QFileDevice::WriteOwner));
        if (::access(local(m_file).c_str(), R_OK) == 0)
            QSKIP("file permissions are not enforced for this user (root)");
    } else if (what == u"notdir") {
        QVERIFY(writeAll(m_file, QByteArray("x")));
        path = m_file + QStringLiteral("/Address.vok");
    }
    RecordList list;
    AddressFile::LoadReport report;
    QCOMPARE(AddressFile::Load(local(path), list, &report), AddressFile::Status::ReadError);
    QVERIFY(list.empty());
    QCOMPARE(report.error, error);
}

// Whole records that no writer of the format makes are counted; real books, odd values in
// them included, give none.
void TestAddressFile::oddRecords_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("odd");
    QByteArray whole;
    for (int i = 0; i < 4; ++i)
        whole += handRecord(i);
    QTest::newRow("whole records") << whole << 0;
    std::array<QByteArray, AddressRecord::FieldCount> f;
    f[AddressRecord::Name] = qb(sjis("ﾔﾏﾀﾞ　髙﨑")) + "\xF0\x40"; // half-width, NEC, user-defined
    f[AddressRecord::Memo] = "tab\there\x01 imported\x1B[0m";
    f[AddressRecord::Group] = "Private";
    QTest::newRow("control characters an import brought") << handRecord(f) << 0;
    f[AddressRecord::Name] = QByteArray(kRecord, 'a').left(127) + "\x82"; // cut in two
    f[AddressRecord::Email] = QByteArray(128, 'b');                       // ran over
    QTest::newRow("values that ran over their slots") << handRecord(f) << 0;
    std::mt19937 random(20);
    // An older writer copied each value into a buffer it never cleared: after the zero byte,
    // anything.
    QByteArray leftOver = whole;
    for (int r = 0; r < 4; ++r) {
        for (int i = 0; i < AddressRecord::FieldCount; ++i) {
            const int slot = r * kRecord + slotOffset(i);
            const int end = slot + int(AddressRecord::SlotWidth[i]);
            for (int at = leftOver.indexOf('\0', slot) + 1; at < end; ++at)
                leftOver[at] = char(random());
        }
    }
    QTest::newRow("bytes left after the zero byte") << leftOver << 0;
    QByteArray noise(10 * kRecord, '\0');
    for (char& c : noise)
        c = char(random());
    QTest::newRow("random bytes") << noise << 10;
    QByteArray text;
    while (text.size() < 3 * kRecord)
        text += "山田 太郎,taro@example.jp,150-0041,東京都渋谷区神南1-1\r\n";
    QTest::newRow("a UTF-8 text") << text.left(3 * kRecord) << 3;
    QTest::newRow("zero-filled blocks") << QByteArray(2 * kRecord, '\0') << 2;
    QTest::newRow("one garbage record among whole ones")
        << whole.left(2 * kRecord) + noise.left(kRecord) + whole.mid(2 * kRecord) << 1;
}

void TestAddressFile::oddRecords()
{
    QFETCH(QByteArray, file);
    QFETCH(int, odd);
    QVERIFY(writeAll(m_file, file));
    RecordList list;
    AddressFile::LoadReport report;
    QCOMPARE(AddressFile::Load(local(m_file), list, &report), AddressFile::Status::Ok);
    QCOMPARE(int(report.records), int(file.size() / kRecord));
    QCOMPARE(int(list.size()), int(file.size() / kRecord)); // the model still hands every one
    QCOMPARE(int(report.oddRecords), odd);
}

void TestAddressFile::keepsModeAndLink()
{
    QVERIFY(writeAll(m_file, handRecord(0)));
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup));
    const QString link = m_dir->filePath(QStringLiteral("link.vok"));
    QVERIFY(QFile::link(m_file, link));
    RecordList list;
    QCOMPARE(AddressFile::Load(local(link), list), AddressFile::Status::Ok);
    list.AppendRecord(tagged(9, "Other"));
    QCOMPARE(AddressFile::Save(local(link), list), AddressFile::Status::Ok);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(m_file).size(), qint64(2 * kRecord));
    struct stat st
    {
    };
    QCOMPARE(::stat(local(m_file).c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
}

VOK_TEST_APPLESS_MAIN(TestAddressFile)
#include "tst_addressfile.moc"
