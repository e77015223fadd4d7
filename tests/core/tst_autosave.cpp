#include "CoreTestUtil.h"
#include "TestEnv.h"
#include "core/AutoSave.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "settings/RegistryKey.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <sys/stat.h>

namespace {

std::unique_ptr<AddressRecord> contact(int n)
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, "c" + std::to_string(n));
    r->setField(AddressRecord::Group, "Private");
    return r;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the file would hold for the book as it stands.
QByteArray bookBytes(const CVOK_AddressDoc& doc)
{
    QByteArray out;
    for (const auto& r : doc.records()) {
        QByteArray bytes(int(AddressFile::RecordSize), '\0');
        AddressFile::EncodeRecord(*r, bytes.data());
        out += bytes;
    }
    return out;
}

} // namespace

// Saving in the background: when, how often, and that the newest book always wins.
class TestAutoSave : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<CVOK_AddressDoc> m_doc;
    std::unique_ptr<AutoSave> m_save;

    void open(const QString& path)
    {
        m_doc = std::make_unique<CVOK_AddressDoc>();
        m_doc->LoadAddressFile(path);
        m_save = std::make_unique<AutoSave>(m_doc.get());
        m_save->setDelays(50, 200);
    }

private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/as-XXXXXX"));
        m_path = m_dir->filePath(QStringLiteral("Address.vok"));
        open(m_path);
    }

    void cleanup()
    {
        m_save.reset();
        m_doc.reset();
    }

    // Changes in quick succession give one save, after they pause.
    void burstGivesOneSave()
    {
        QSignalSpy finished(m_save.get(), &AutoSave::saveFinished);
        for (int i = 0; i < 5; ++i)
            m_doc->AddRecord(contact(i));
        QVERIFY(!QFileInfo::exists(m_path)); // not yet: the burst may go on
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
        QVERIFY(!m_save->hasUnsavedChanges());
        QTest::qWait(300);
        QCOMPARE(finished.count(), 1);
    }

    // Steady changes, each before the pause the save waits for, still reach the file by the
    // longest wait after the first of them.
    void steadyChangesAreSaved()
    {
        m_save->setDelays(1000, 100);
        QSignalSpy finished(m_save.get(), &AutoSave::saveFinished);
        QElapsedTimer changing;
        changing.start();
        int n = 0;
        while (finished.isEmpty() && changing.elapsed() < 4000) {
            m_doc->AddRecord(contact(n++));
            QTest::qWait(20);
        }
        QVERIFY2(!finished.isEmpty(), "no save while the changes went on");
        QVERIFY(finished.at(0).at(0).toBool());
        QTRY_VERIFY(!m_save->hasUnsavedChanges());
        QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
    }

    // Every change of the records is saved in the background, and so is taking it back.
    void everyChangeIsSaved_data()
    {
        using namespace CoreTest;
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("undo");
        const std::pair<Op, const char*> ops[] = {
            {Add, "new contact"},
            {Edit, "edit"},
            {RemoveSome, "delete"},
            {Import, "import"},
            {Move, "move"},
            {Copy, "copy"},
            {RenameGroup, "rename group"},
            {DeleteGroup, "delete group"},
        };
        for (const auto& [op, name] : ops) {
            QTest::newRow(name) << int(op) << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, undone").arg(QLatin1String(name))))
                << int(op) << true;
        }
    }

    void everyChangeIsSaved()
    {
        QFETCH(int, op);
        QFETCH(bool, undo);
        m_save.reset();
        m_doc = CoreTest::openBook(m_path);
        m_save = std::make_unique<AutoSave>(m_doc.get());
        m_save->setDelays(20, 100);
        QSignalSpy finished(m_save.get(), &AutoSave::saveFinished);
        CoreTest::perform(*m_doc, CoreTest::Op(op));
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
        if (undo) {
            QVERIFY(m_doc->Undo());
            QTRY_COMPARE(finished.count(), 2);
            QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
        }
    }

    // Nothing changed, nothing written: a file that is there stays untouched.
    void nothingChangedWritesNothing_data()
    {
        QTest::addColumn<bool>("fileThere");
        QTest::newRow("no file") << false;
        QTest::newRow("a file") << true;
    }

    void nothingChangedWritesNothing()
    {
        QFETCH(bool, fileThere);
        if (fileThere) {
            m_doc->AddRecord(contact(1));
            QVERIFY(m_save->SaveNow());
            QFile::remove(m_path + QStringLiteral(".bak"));
            open(m_path);
        }
        const QByteArray before = fileBytes(m_path);
        // Changes to groups alone are none of the data file's business.
        m_doc->CreateGroup(QStringLiteral("Family"));
        m_doc->DeleteGroup(QStringLiteral("Family"));
        QVERIFY(m_save->SaveNow());
        QTest::qWait(300);
        QCOMPARE(QFileInfo::exists(m_path), fileThere);
        QCOMPARE(fileBytes(m_path), before);
        QVERIFY(!QFileInfo::exists(m_path + QStringLiteral(".bak")));
    }

    // A reading given alone is saved in the background too, without the data file.
    void readingAloneIsSaved()
    {
        m_doc->AddRecord(contact(1));
        QVERIFY(m_save->SaveNow());
        const QDateTime written = QFileInfo(m_path).lastModified();
        QSignalSpy finished(m_save.get(), &AutoSave::saveFinished);
        m_doc->SetReading("c1", "しーわん");
        QVERIFY(m_save->hasUnsavedChanges());
        QTRY_VERIFY(!m_save->hasUnsavedChanges());
        const QString readings = m_dir->filePath(QStringLiteral("Readings.txt"));
        QVERIFY(QFile(readings).open(QIODevice::ReadOnly));
        QVERIFY(fileBytes(readings).contains("しーわん"));
        QCOMPARE(QFileInfo(m_path).lastModified(), written);
        QCOMPARE(finished.count(), 0); // no background write of the book
    }

    // Readings go with the book on the worker: one given while they are written goes with the
    // next save, and a reading of a name no contact bears any more is dropped.
    void readingDuringSaveGoesNext()
    {
        m_doc->AddRecord(contact(1));
        m_doc->AddRecord(contact(2));
        m_doc->SetReading("c1", "しーわん");
        m_doc->SetReading("gone", "きえた");
        m_save->setDelays(0, 0);
        m_save->SaveInBackground([](bool) {});
        QVERIFY(m_save->isSaving());
        m_doc->SetReading("c2", "しーつー");
        QTRY_VERIFY(!m_save->hasUnsavedChanges() && !m_save->isSaving());
        const QByteArray written = fileBytes(m_dir->filePath(QStringLiteral("Readings.txt")));
        QVERIFY(written.contains("しーわん") && written.contains("しーつー"));
        QVERIFY(!written.contains("きえた"));
    }

    // A save asked for while one is being written waits for it, and the newest book wins.
    void saveNowWaitsAndNewestWins()
    {
        for (int i = 0; i < 3000; ++i)
            m_doc->AddRecord(contact(i));
        m_save->setDelays(0, 0);
        QTRY_VERIFY(m_save->isSaving() || !m_save->hasUnsavedChanges());
        m_doc->RemoveRecords({m_doc->records().at(0)});
        QVERIFY(m_save->SaveNow());
        QVERIFY(!m_save->isSaving());
        QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
        QTest::qWait(100); // the background save's result arrives late: it changes nothing
        QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
        QVERIFY(!m_save->hasUnsavedChanges());
    }

    // Many changes and saves interleaved: the file always ends as the book.
    void interleavedChanges()
    {
        m_save->setDelays(0, 5);
        for (int round = 0; round < 40; ++round) {
            m_doc->AddRecord(contact(round));
            if (round % 4 == 3)
                m_doc->Undo();
            QTest::qWait(round % 7);
        }
        QTRY_VERIFY(!m_save->hasUnsavedChanges() && !m_save->isSaving());
        QCOMPARE(fileBytes(m_path), bookBytes(*m_doc));
    }

    // A save that fails is reported once; the next one that works clears it.
    void failureReportedOnce()
    {
        const QString folder = m_dir->filePath(QStringLiteral("gone"));
        open(folder + QStringLiteral("/Address.vok"));
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly)); // a file where the folder would be
        QSignalSpy failed(m_save.get(), &AutoSave::saveFailed);
        QSignalSpy finished(m_save.get(), &AutoSave::saveFinished);
        m_doc->AddRecord(contact(1));
        QTRY_COMPARE(finished.count(), 1);
        m_doc->AddRecord(contact(2));
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(failed.count(), 1);
        QVERIFY(m_save->hasUnsavedChanges());
        QVERIFY(!m_save->SaveNow());
        QVERIFY(QFile::remove(folder));
        m_doc->AddRecord(contact(3));
        QTRY_COMPARE(finished.count(), 3);
        QCOMPARE(finished.last().at(0).toBool(), true);
        QCOMPARE(fileBytes(folder + QStringLiteral("/Address.vok")), bookBytes(*m_doc));
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
    }

    // A file that could not be read is never replaced, in the background or at once.
    void unreadableFileNeverReplaced()
    {
        QVERIFY(QDir().mkpath(m_path)); // a folder in the file's place cannot be read
        open(m_path);
        QVERIFY(m_doc->loadFailed());
        QSignalSpy finished(m_save.get(), &AutoSave::saveFinished);
        m_doc->AddRecord(contact(1));
        QTest::qWait(300);
        QCOMPARE(finished.count(), 0);
        QVERIFY(!m_save->SaveNow());
        QVERIFY(QFileInfo(m_path).isDir());
    }

    // The first save of a run keeps the file it replaces, a damaged one included.
    void firstSaveKeepsBackup()
    {
        // Two whole records, then a cut-off one.
        QByteArray record(int(AddressFile::RecordSize), '\0');
        record.replace(0, 1, "A").replace(1664, 7, "Private");
        const QByteArray damaged = record + record + QByteArray(100, 'x');
        {
            QFile f(m_path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(damaged);
        }
        open(m_path);
        QVERIFY(m_doc->loadDamaged());
        QCOMPARE(m_doc->records().size(), std::size_t(2));
        QVERIFY(m_save->SaveNow()); // nothing changed: the damaged file stays as it is
        QCOMPARE(fileBytes(m_path), damaged);
        m_doc->AddRecord(contact(1));
        QVERIFY(m_save->SaveNow());
        QCOMPARE(fileBytes(m_path + QStringLiteral(".bak")), damaged);
        QCOMPARE(QFileInfo(m_path).size(), qint64(3 * AddressFile::RecordSize));
        m_doc->AddRecord(contact(2));
        QVERIFY(m_save->SaveNow());
        QCOMPARE(fileBytes(m_path + QStringLiteral(".bak")), damaged);
    }
};

VOK_TEST_CORE_MAIN(TestAutoSave)
#include "tst_autosave.moc"
