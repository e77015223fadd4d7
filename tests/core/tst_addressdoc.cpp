#include "CoreTestUtil.h"
#include "TestEnv.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"
#include "settings/GroupStore.h"
#include "settings/RegistryKey.h"

#include <QDir>
#include <QSignalSpy>
#include <sys/stat.h>

namespace {

using CoreTest::contact;

QStringList names(const std::vector<AddressRecord*>& records)
{
    QStringList out;
    for (const AddressRecord* r : records)
        out << QString::fromStdString(Cp932::toUtf8(r->name()));
    return out;
}

QStringList groupsOf(const RecordList& records)
{
    QStringList out;
    for (const auto& r : records)
        out << QString::fromStdString(Cp932::toUtf8(r->group()));
    return out;
}

} // namespace

// The book's operations and what each announces; the views rely on nothing else.
class TestAddressDoc : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/doc-XXXXXX"));
        m_path = m_dir->filePath(QStringLiteral("Address.vok"));
    }

    void recordOperationsAnnounce()
    {
        CVOK_AddressDoc doc;
        doc.LoadAddressFile(m_path);
        QSignalSpy added(&doc, &CVOK_AddressDoc::recordsAdded);
        QSignalSpy changed(&doc, &CVOK_AddressDoc::recordsChanged);
        std::vector<bool> presentWhenTold;
        connect(&doc, &CVOK_AddressDoc::recordsRemoving, this,
                [&](const std::vector<const AddressRecord*>& doomed) {
                    for (const AddressRecord* r : doomed)
                        presentWhenTold.push_back(doc.contains(r));
                });

        AddressRecord* a = doc.AddRecord(contact("a", "Private"));
        AddressRecord* b = doc.AddRecord(contact("b", "Business"));
        QCOMPARE(added.count(), 2);
        QCOMPARE(added.at(0).at(1).toBool(), false); // typed in: not marked

        std::vector<std::unique_ptr<AddressRecord>> file;
        file.push_back(contact("c", "Other"));
        file.push_back(contact("d", "Other"));
        QCOMPARE(names(doc.ImportRecords(std::move(file))), (QStringList{"c", "d"}));
        QCOMPARE(added.at(2).at(1).toBool(), true); // imported rows are marked

        // Only the records that really change group are announced as moved.
        QCOMPARE(doc.MoveToGroup({a, b}, QStringLiteral("Business")), std::size_t(1));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(groupsOf(doc.records()), (QStringList{"Business", "Business", "Other", "Other"}));

        const auto copies = doc.CopyToGroup({a}, QStringLiteral("Other"));
        QCOMPARE(copies.size(), std::size_t(1));
        QCOMPARE(added.last().at(1).toBool(), true);
        QCOMPARE(doc.records().size(), std::size_t(5));

        AddressRecord value = *b;
        value.setField(AddressRecord::Name, "B");
        QVERIFY(doc.ChangeRecord(b, value));
        QCOMPARE(b->name(), std::string_view("B"));
        QCOMPARE(changed.count(), 2);

        QCOMPARE(doc.RemoveRecords({a, copies.front()}), std::size_t(2));
        QCOMPARE(presentWhenTold, (std::vector<bool>{true, true}));
        QVERIFY(!doc.contains(a));
        QVERIFY(!doc.ChangeRecord(a, value)); // gone: nothing to change
        QCOMPARE(changed.count(), 2);
    }

    void groupOperations()
    {
        CVOK_AddressDoc doc;
        doc.LoadAddressFile(m_path);
        QSignalSpy addedGroup(&doc, &CVOK_AddressDoc::groupAdded);
        QSignalSpy renamed(&doc, &CVOK_AddressDoc::groupRenamed);
        QSignalSpy removed(&doc, &CVOK_AddressDoc::groupRemoved);
        QVERIFY(doc.CreateGroup(QStringLiteral("Family")));
        QVERIFY(!doc.CreateGroup(QStringLiteral("FAMILY"))); // the same group
        QCOMPARE(addedGroup.count(), 1);
        doc.AddRecord(contact("a", "family"));
        doc.AddRecord(contact("b", "Private"));

        QVERIFY(doc.RenameGroup(QStringLiteral("Family"), QStringLiteral("家族")));
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(GroupStore::load(), QStringList{"家族"});
        QCOMPARE(doc.userGroups(), QStringList{"家族"});
        QCOMPARE(groupsOf(doc.records()), (QStringList{"家族", "Private"}));

        QCOMPARE(doc.DeleteGroup(QStringLiteral("家族")), std::size_t(1));
        QCOMPARE(removed.count(), 1);
        QVERIFY(GroupStore::load().isEmpty());
        QCOMPARE(groupsOf(doc.records()), QStringList{"Private"});
    }

    // Greek capitals and small letters are different groups for the records; the stored keys
    // must follow the same comparison, or deleting one group removes the other's key.
    void groupKeysFollowTheGroupComparison_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("Greek") << "ΑΒ"
                               << "αβ";
        QTest::newRow("Cyrillic") << "ДОМ"
                                  << "дом";
    }

    void groupKeysFollowTheGroupComparison()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        CVOK_AddressDoc doc;
        QVERIFY(doc.CreateGroup(first));
        QVERIFY(doc.CreateGroup(second));
        doc.DeleteGroup(second);
        QCOMPARE(GroupStore::load(), QStringList{first});
        QVERIFY(doc.RenameGroup(first, QStringLiteral("X")));
        QCOMPARE(GroupStore::load(), QStringList{"X"});
    }

    void unreadableFileIsNeverReplaced()
    {
        // A FIFO cannot be read as a file by anyone, root included; a plain rename would
        // replace it.
        QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
        CVOK_AddressDoc doc;
        QVERIFY(!doc.LoadAddressFile(m_path));
        QVERIFY(doc.loadFailed());
        doc.AddRecord(contact("a", "Private"));
        QVERIFY(!doc.SaveAddressFile());
        struct stat st
        {
        };
        QCOMPARE(::lstat(QFile::encodeName(m_path).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{"Address.vok"});
    }

    void firstSaveCreatesTheFolder()
    {
        const QString path = m_dir->filePath(QStringLiteral("new/data/Address.vok"));
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(path));
            QVERIFY(doc.records().empty());
            doc.AddRecord(contact("a", "Private"));
            QVERIFY(doc.SaveAddressFile());
        }
        QCOMPARE(QFileInfo(path).size(), qint64(AddressFile::RecordSize));
        CVOK_AddressDoc again;
        QVERIFY(again.LoadAddressFile(path));
        QCOMPARE(names({again.records().at(0)}), QStringList{"a"});
    }

    // Readings live beside the book, are saved with it, and leave with the last contact of
    // their name; a book without them loads as before.
    void readingsBesideTheBook()
    {
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(m_path));
            doc.AddRecord(contact("山田 太郎", "Private"));
            AddressRecord* gone = doc.AddRecord(contact("佐藤 花子", "Private"));
            QSignalSpy changed(&doc, &CVOK_AddressDoc::readingChanged);
            doc.SetReading(Cp932::fromUtf8("山田 太郎").bytes, "やまだ たろう");
            doc.SetReading(Cp932::fromUtf8("佐藤 花子").bytes, "さとう はなこ");
            doc.SetReading(Cp932::fromUtf8("佐藤 花子").bytes, "さとう はなこ"); // unchanged
            QCOMPARE(changed.count(), 2);
            doc.RemoveRecords({gone});
            QVERIFY(doc.SaveAddressFile());
        }
        QFile file(m_dir->filePath(QStringLiteral("Readings.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), QStringLiteral("山田 太郎\tやまだ たろう\n"));
        CVOK_AddressDoc again;
        QVERIFY(again.LoadAddressFile(m_path));
        QCOMPARE(again.storedReading(Cp932::fromUtf8("山田 太郎").bytes),
                 std::string_view("やまだ たろう"));
    }

    void dataLocation_data()
    {
        QTest::addColumn<QString>("overrideDir");
        QTest::addColumn<QString>("expected");
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QTest::newRow("per-user data folder")
            << QString() << data + QStringLiteral("/VOK_Address/Address.vok");
        QTest::newRow("VOK_ADDRESS_DIR wins")
            << QStringLiteral("/somewhere/else") << QStringLiteral("/somewhere/else/Address.vok");
    }

    void dataLocation()
    {
        QFETCH(QString, overrideDir);
        QFETCH(QString, expected);
        const QByteArray saved = qgetenv("VOK_ADDRESS_DIR");
        if (overrideDir.isEmpty())
            qunsetenv("VOK_ADDRESS_DIR");
        else
            qputenv("VOK_ADDRESS_DIR", QFile::encodeName(overrideDir));
        const QString path = DataLocation::addressFilePath();
        qputenv("VOK_ADDRESS_DIR", saved);
        QCOMPARE(path, expected);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

VOK_TEST_CORE_MAIN(TestAddressDoc)
#include "tst_addressdoc.moc"
