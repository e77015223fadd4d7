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
        QTest::newRow("second name") << true;
        QTest::newRow("copy") << false;
    }

    void backupKeepsTheReplacedFile()
    {
        QFETCH(bool, hardLinks);
        AtomicFile::setHardLinksForTesting(hardLinks);
        const QString backup = m_path + QStringLiteral(".bak");
        QVERIFY(writeAll(m_path, "old contents"));
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
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

    // Until a save has renamed its hidden file, the file is locked: a copy that starts then
    // keeps it, and the save succeeds.
    void runningSaveIsLocked_data()
    {
        QTest::addColumn<bool>("whileWriting"); // else after the flush, before the rename
        QTest::addColumn<bool>("backup");
        QTest::newRow("writing") << true << false;
        QTest::newRow("flushed") << false << false;
        QTest::newRow("flushed, backup made") << false << true;
    }
    void runningSaveIsLocked()
    {
        QFETCH(bool, whileWriting);
        QFETCH(bool, backup);
        QVERIFY(writeAll(m_path, "old"));
        std::size_t removedDuring = 99;
        const auto look = [&] { removedDuring = AtomicFile::removeStale(local(m_path)); };
        if (!whileWriting)
            AtomicFile::setBeforeRenameForTesting(look);
        const bool saved = AtomicFile::replace(
            local(m_path),
            [&](int fd) {
                if (whileWriting)
                    look();
                return ::write(fd, "new", 3) == 3;
            },
            backup);
        AtomicFile::setBeforeRenameForTesting({});
        QVERIFY(saved);
        QCOMPARE(removedDuring, std::size_t(0));
        QCOMPARE(readAll(m_path), QByteArray("new"));
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
