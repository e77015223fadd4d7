#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/book/BookSnapshot.h"
#include "model/io/AtomicFile.h"
#include "model/storage/AddressFileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ModelTest;

namespace {

bool writeBytes(const QString& path, const QByteArray& data)
{
    return AtomicFile::replace(local(path), [&data](int fd) {
        return ::write(fd, data.constData(), std::size_t(data.size())) == data.size();
    });
}

QStringList hiddenFiles(const QString& dir)
{
    return QDir(dir)
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)
        .filter(QRegularExpression(QStringLiteral("^\\.")));
}

int modeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(local(path).c_str(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

// Replacing a file safely, the backup generation, and what interrupted saves leave behind.
class TestAtomicFile : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/af-XXXXXX"));
        m_path = m_dir->filePath(QStringLiteral("Address.vok"));
        AtomicFile::setHardLinksForTesting(true);
    }

    // The replaced file is kept as the backup, whether the file system links or copies it.
    void backupKeepsTheReplacedFile_data()
    {
        QTest::addColumn<bool>("hardLinks");
        // The backup may already be the file itself, as a save that failed after it left it.
        QTest::addColumn<bool>("linked");
        QTest::newRow("second name") << true << false;
        QTest::newRow("copy") << false << false;
        QTest::newRow("backup is the file") << true << true;
    }

    void backupKeepsTheReplacedFile()
    {
        QFETCH(bool, hardLinks);
        QFETCH(bool, linked);
        AtomicFile::setHardLinksForTesting(hardLinks);
        const QString backup = m_path + QStringLiteral(".bak");
        QVERIFY(writeAll(m_path, "old contents"));
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        if (linked)
            QCOMPARE(::link(local(m_path).c_str(), local(backup).c_str()), 0);
        else
            QVERIFY(writeAll(backup, "an older backup"));

        QVERIFY(AtomicFile::replace(
            local(m_path), [](int fd) { return ::write(fd, "new", 3) == 3; }, true));
        QCOMPARE(readAll(m_path), QByteArray("new"));
        QCOMPARE(readAll(backup), QByteArray("old contents"));
        QCOMPARE(modeOf(backup), 0600);
        // Later replacements leave the backup alone.
        QVERIFY(writeBytes(m_path, "newer"));
        QCOMPARE(readAll(backup), QByteArray("old contents"));
        QCOMPARE(hiddenFiles(m_dir->path()), QStringList{});
    }

    void noBackupWithoutAFile()
    {
        QVERIFY(AtomicFile::replace(
            local(m_path), [](int fd) { return ::write(fd, "x", 1) == 1; }, true));
        QVERIFY(!QFileInfo::exists(m_path + QStringLiteral(".bak")));
        QCOMPARE(readAll(m_path), QByteArray("x"));
    }

    // A write that fails leaves the old file, no backup taken for it, and nothing hidden.
    void failedWriteLeavesTheOldFile()
    {
        QVERIFY(writeAll(m_path, "old"));
        QVERIFY(!AtomicFile::replace(
            local(m_path), [](int fd) { return ::write(fd, "half", 4) < 0; }, true));
        QCOMPARE(readAll(m_path), QByteArray("old"));
        QVERIFY(!QFileInfo::exists(m_path + QStringLiteral(".bak")));
        QCOMPARE(hiddenFiles(m_dir->path()), QStringList{});
    }

    // Only our own hidden names go, and only when no running save holds them.
    void removeStale_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("removed");
        QTest::newRow("interrupted save") << ".Address.vok.a1B2c3" << false << true;
        QTest::newRow("save running in another copy") << ".Address.vok.a1B2c3" << true << false;
        QTest::newRow("five characters") << ".Address.vok.a1B2c" << false << false;
        QTest::newRow("seven characters") << ".Address.vok.a1B2c3d" << false << false;
        QTest::newRow("not the random alphabet") << ".Address.vok.a1B2_3" << false << false;
        QTest::newRow("another file's") << ".Readings.txt.a1B2c3" << false << false;
        QTest::newRow("not hidden") << "Address.vok.a1B2c3" << false << false;
        QTest::newRow("the backup") << "Address.vok.bak" << false << false;
    }

    void removeStale()
    {
        QFETCH(QString, name);
        QFETCH(bool, locked);
        QFETCH(bool, removed);
        const QString file = m_dir->filePath(name);
        QVERIFY(writeAll(file, "left over"));
        QVERIFY(writeAll(m_path, "the book"));
        int holder = -1;
        if (locked) {
            holder = ::open(local(file).c_str(), O_RDONLY | O_CLOEXEC);
            QVERIFY(holder >= 0);
            QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        }
        QCOMPARE(AtomicFile::removeStale(local(m_path)), std::size_t(removed ? 1 : 0));
        if (holder >= 0)
            ::close(holder);
        QCOMPARE(QFileInfo::exists(file), !removed);
        QCOMPARE(readAll(m_path), QByteArray("the book"));
    }

    // Until a save has renamed its hidden files, they are locked: a copy that starts then keeps
    // them, and the save succeeds. A hidden file that copy finds in the moment before its lock
    // goes, and the save makes another.
    void runningSaveIsLocked_data()
    {
        QTest::addColumn<int>("moment");     // -1: while writing, else an AtomicFile::Step
        QTest::addColumn<int>("occurrence"); // the look comes the nth time the moment does
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("hardLinks");
        QTest::addColumn<int>("removed");
        const int created = int(AtomicFile::Step::Created);
        const int kept = int(AtomicFile::Step::Kept);
        const int flushed = int(AtomicFile::Step::Flushed);
        QTest::newRow("writing") << -1 << 1 << false << true << 0;
        QTest::newRow("flushed") << flushed << 1 << false << true << 0;
        QTest::newRow("flushed, backup made") << flushed << 1 << true << true << 0;
        QTest::newRow("backup as a second name") << kept << 1 << true << true << 0;
        QTest::newRow("backup as a copy") << kept << 1 << true << false << 0;
        QTest::newRow("not yet locked") << created << 1 << false << true << 1;
        QTest::newRow("backup's, not yet locked") << created << 2 << true << true << 1;
    }
    void runningSaveIsLocked()
    {
        QFETCH(int, moment);
        QFETCH(int, occurrence);
        QFETCH(bool, backup);
        QFETCH(bool, hardLinks);
        QFETCH(int, removed);
        AtomicFile::setHardLinksForTesting(hardLinks);
        QVERIFY(writeAll(m_path, "old"));
        QVERIFY(writeAll(m_path + QStringLiteral(".bak"), "older"));
        std::size_t removedDuring = 0;
        int seen = 0;
        const auto look = [&] {
            if (++seen == occurrence)
                removedDuring = AtomicFile::removeStale(local(m_path));
        };
        AtomicFile::setStepForTesting([&](AtomicFile::Step at) {
            if (int(at) == moment)
                look();
        });
        const bool saved = AtomicFile::replace(
            local(m_path),
            [&](int fd) {
                if (moment < 0)
                    look();
                return ::write(fd, "new", 3) == 3;
            },
            backup);
        AtomicFile::setStepForTesting({});
        QVERIFY(saved);
        QVERIFY(seen >= occurrence);
        QCOMPARE(removedDuring, std::size_t(removed));
        QCOMPARE(readAll(m_path), QByteArray("new"));
        QCOMPARE(readAll(m_path + QStringLiteral(".bak")), QByteArray(backup ? "old" : "older"));
        QCOMPARE(hiddenFiles(m_dir->path()), QStringList{});
    }

    // The writer: folders made private, the first write keeps the backup, an older snapshot
    // never replaces a newer one, and a snapshot writes the same bytes as the list it copies.
    void writer()
    {
        const QString nested = m_dir->filePath(QStringLiteral("a/b/Address.vok"));
        RecordList list;
        list.AppendRecord(tagged(1, "Private"));
        auto longer = tagged(2, sjis("友人"));
        longer->setField(AddressRecord::Name, std::string(300, 'x')); // cut to its slot
        list.AppendRecord(std::move(longer));
        const QString byList = m_dir->filePath(QStringLiteral("list.vok"));
        QCOMPARE(AddressFile::Save(local(byList), list), AddressFile::Status::Ok);

        AddressFileWriter writer(local(nested));
        QCOMPARE(writer.Write(BookSnapshot(list, 2)), AddressFile::Status::Ok);
        QCOMPARE(readAll(nested), readAll(byList));
        QCOMPARE(modeOf(m_dir->filePath(QStringLiteral("a"))), 0700);
        QCOMPARE(modeOf(m_dir->filePath(QStringLiteral("a/b"))), 0700);
        QVERIFY(!QFileInfo::exists(nested + QStringLiteral(".bak"))); // nothing to keep yet

        RecordList older;
        older.AppendRecord(tagged(9, "Other"));
        QCOMPARE(writer.Write(BookSnapshot(older, 1)), AddressFile::Status::Ok);
        QCOMPARE(readAll(nested), readAll(byList)); // the newer stays

        list.AppendRecord(tagged(3, "Other"));
        QCOMPARE(writer.Write(BookSnapshot(list, 3)), AddressFile::Status::Ok);
        QCOMPARE(QFileInfo(nested).size(), qint64(3 * AddressFile::RecordSize));

        // A new run: its first write keeps the file it replaces.
        const QByteArray before = readAll(nested);
        AddressFileWriter nextRun(local(nested));
        QCOMPARE(nextRun.Write(BookSnapshot(older, 1)), AddressFile::Status::Ok);
        QCOMPARE(readAll(nested + QStringLiteral(".bak")), before);
        QCOMPARE(nextRun.Write(BookSnapshot(list, 2)), AddressFile::Status::Ok);
        QCOMPARE(readAll(nested + QStringLiteral(".bak")), before);
    }
};

VOK_TEST_APPLESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
