#include "CoreTestUtil.h"
#include "TestEnv.h"
#include "core/AutoSave.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "model/storage/AddressFile.h"
#include "model/storage/CompanionFile.h"
#include "model/text/Cp932.h"
#include "settings/GroupStore.h"
#include "settings/RegistryKey.h"

#include <QDir>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using CoreTest::contact;

std::string utf8Name(const AddressRecord& r)
{
    return Cp932::toUtf8(r.name());
}

ContactExtras teacher()
{
    ContactExtras x;
    x.honorific = "先生";
    x.jointNames = {{"花子", "", "はなこ"}};
    x.title = "教頭";
    x.setNenga({2027, ContactExtras::Nenga::Send::Send, false, true, false});
    return x;
}

} // namespace

// Every contact keeps one identity and its extras through what the user and other programs do
// to the book; the companion file beside Address.vok carries them from one run to the next.
class TestIdentity : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/id-XXXXXX"));
        m_path = m_dir->filePath(QStringLiteral("Address.vok"));
    }

    // What keeps a UID and what gets a new one.
    void identityThroughOperations()
    {
        CVOK_AddressDoc doc;
        QVERIFY(doc.LoadAddressFile(m_path));
        AddressRecord* a = doc.AddRecord(contact("山田 太郎", "Private"));
        const ContactUid uid = a->uid();
        QVERIFY(!uid.isNull());
        QCOMPARE(doc.findByUid(uid), a);

        AddressRecord edited = *a;
        edited.setField(AddressRecord::Phone, "03-1111-2222");
        QVERIFY(doc.ChangeRecord(a, edited));
        QVERIFY(a->uid() == uid);
        QCOMPARE(doc.MoveToGroup({a}, QStringLiteral("Business")), std::size_t(1));
        QVERIFY(a->uid() == uid);

        const std::vector<AddressRecord*> copies = doc.CopyToGroup({a}, QStringLiteral("Other"));
        QCOMPARE(copies.size(), std::size_t(1));
        QVERIFY(!copies[0]->uid().isNull() && !(copies[0]->uid() == uid));

        QCOMPARE(doc.RemoveRecords({a}), std::size_t(1));
        QCOMPARE(doc.findByUid(uid), nullptr);
        QVERIFY(doc.Undo());
        QCOMPARE(doc.findByUid(uid), a); // undo brings back the same one

        // A card's own UID is kept unless another contact holds it.
        auto card = contact("佐藤 花子", "Private");
        const ContactUid cardUid = ContactUid::generate();
        card->setUid(cardUid);
        auto clash = contact("鈴木 一郎", "Private");
        clash->setUid(uid);
        std::vector<std::unique_ptr<AddressRecord>> batch;
        batch.push_back(std::move(card));
        batch.push_back(std::move(clash));
        const std::vector<AddressRecord*> in = doc.ImportRecords(std::move(batch));
        QVERIFY(in[0]->uid() == cardUid);
        QVERIFY(!(in[1]->uid() == uid));
        QCOMPARE(doc.findByUid(uid), a);
    }

    // Many new identities at once: each its own version-4 UID, also across a fork, whose
    // child must not hand out what the parent will.
    void manyNewIdentities()
    {
        std::set<std::string> seen;
        for (int i = 0; i < 1000; ++i) {
            const std::string text = ContactUid::generate().toString();
            QVERIFY(text[14] == '4' && seen.insert(text).second);
        }
        int pipe[2];
        QCOMPARE(::pipe(pipe), 0);
        if (::fork() == 0) {
            const std::string text = ContactUid::generate().toString();
            ::_exit(::write(pipe[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
        }
        char child[36];
        QCOMPARE(::read(pipe[0], child, sizeof child), ssize_t(sizeof child));
        ::wait(nullptr);
        ::close(pipe[0]);
        ::close(pipe[1]);
        QVERIFY(std::string(child, sizeof child) != ContactUid::generate().toString());
    }

    // Extras are part of an edit: undone and redone with it, and saved only in the companion
    // file, which leaves Address.vok as it was.
    void extrasEditUndoAndSave()
    {
        AddressRecord* a = nullptr;
        ContactUid uid;
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(m_path));
            a = doc.AddRecord(contact("山田 太郎", "Private"));
            uid = a->uid();
            QVERIFY(doc.SaveAddressFile());
        }
        const QByteArray bookBefore = readAll(m_path);
        CVOK_AddressDoc doc;
        QVERIFY(doc.LoadAddressFile(m_path));
        a = doc.records().at(0);
        QVERIFY(a->uid() == uid);
        AddressRecord value = *a;
        value.setExtras(teacher());
        QVERIFY(doc.ChangeRecord(a, value));
        QVERIFY(doc.Undo());
        QVERIFY(!a->extras());
        QVERIFY(doc.Redo());
        QVERIFY(a->extras() && *a->extras() == teacher());
        QVERIFY(doc.SaveAddressFile());
        QCOMPARE(readAll(m_path), bookBefore);

        CVOK_AddressDoc again;
        QVERIFY(again.LoadAddressFile(m_path));
        const AddressRecord* back = again.records().at(0);
        QVERIFY(back->uid() == uid);
        QVERIFY(back->extras() && *back->extras() == teacher());
        QFileInfo companion(again.companionFilePath());
        QCOMPARE(companion.permissions() & (QFile::ReadGroup | QFile::ReadOther),
                 QFileDevice::Permissions());

        // The fingerprint the load worked out goes with the edit: the file holds the new one.
        AddressRecord moved = *back;
        moved.setField(AddressRecord::Address, "Jinnan 1-1, Shibuya");
        QVERIFY(again.ChangeRecord(again.records().at(0), moved));
        QVERIFY(again.SaveAddressFile());
        CompanionFile::Contents written;
        QCOMPARE(CompanionFile::Load(local(again.companionFilePath()), written),
                 CompanionFile::Status::Ok);
        QCOMPARE(written.entries.size(), std::size_t(1));
        QVERIFY(written.entries[0].fingerprint == RecordFingerprint::of(*again.records().at(0)));
    }

    // Another copy of the program (or an older version) rewrote Address.vok without the
    // companion: every contact it left alone keeps its identity and extras; extras that fit
    // nobody any more are kept aside and reported, never given to someone else.
    void outsideChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("keepExtras"); // names that keep the teacher's extras
        QTest::addColumn<int>("setAside");
        QTest::newRow("edited in place") << "edit" << QStringList{"B", "D"} << 0;
        QTest::newRow("added at the end") << "append" << QStringList{"B", "D"} << 0;
        QTest::newRow("deleted a contact with extras") << "delete" << QStringList{"D"} << 1;
        QTest::newRow("replaced one wholly") << "replace" << QStringList{"D"} << 1;
        QTest::newRow("restored backup") << "restore" << QStringList{"B"} << 1;
        QTest::newRow("reordered") << "reverse" << QStringList{"B", "D"} << 0;
    }

    void outsideChanges()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, keepExtras);
        QFETCH(int, setAside);
        std::map<std::string, ContactUid> uids;
        QByteArray olderBook;
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(m_path));
            for (const char* n : {"A", "B", "C"})
                doc.AddRecord(contact(n, "Private"));
            QVERIFY(doc.SaveAddressFile());
            olderBook = readAll(m_path);
            doc.AddRecord(contact("D", "Private"));
            for (AddressRecord* r : {doc.records().at(1), doc.records().at(3)}) {
                AddressRecord v = *r;
                v.setExtras(teacher());
                QVERIFY(doc.ChangeRecord(r, v));
            }
            QVERIFY(doc.SaveAddressFile());
            for (const auto& r : doc.records())
                uids[utf8Name(*r)] = r->uid();
        }
        // The other program: Address.vok alone.
        RecordList list;
        QCOMPARE(AddressFile::Load(local(m_path), list), AddressFile::Status::Ok);
        if (change == "edit")
            list.at(1)->setField(AddressRecord::Phone, "03-0000-0000");
        else if (change == "append")
            list.AppendRecord(contact("E", "Private"));
        else if (change == "delete")
            list.RemoveRecord(list.at(1));
        else if (change == "replace")
            list.at(1)->assign(
                {"X", "", "", "", "1", "", "", "", "", "", "", "", "", "", "", "Other"});
        else if (change == "reverse") {
            RecordList reversed;
            for (std::size_t i = list.size(); i-- > 0;)
                reversed.AppendRecord(std::make_unique<AddressRecord>(*list.at(i)));
            list.DeleteAllRecords();
            for (std::size_t i = 0; i < reversed.size(); ++i)
                list.AppendRecord(std::make_unique<AddressRecord>(*reversed.at(i)));
        }
        if (change == "restore") {
            QFile::remove(m_path);
            QVERIFY(writeAll(m_path, olderBook));
        } else {
            QCOMPARE(AddressFile::Save(local(m_path), list), AddressFile::Status::Ok);
        }

        CVOK_AddressDoc doc;
        QVERIFY(doc.LoadAddressFile(m_path));
        QCOMPARE(int(doc.companionLoad().setAside.size()), setAside);
        for (const auto& r : doc.records()) {
            const std::string name = utf8Name(*r);
            const bool known = uids.count(name) != 0;
            if (known && name != "X")
                QVERIFY2(r->uid() == uids[name], name.c_str());
            const bool extras = r->extras() != nullptr;
            QCOMPARE(extras, keepExtras.contains(QString::fromStdString(name)));
        }
        // What was set aside stays in the file for good.
        QVERIFY(doc.SaveAddressFile());
        CompanionFile::Contents contents;
        QCOMPARE(CompanionFile::Load(local(doc.companionFilePath()), contents),
                 CompanionFile::Status::Ok);
        QCOMPARE(int(contents.aside.size()), setAside);
    }

    // A book written by an older version (no companion) gets identities at its first start,
    // saved at once so that they never change; a damaged companion is kept as the backup.
    void olderBookAndDamagedCompanion()
    {
        RecordList list;
        list.AppendRecord(contact("A", "Private"));
        QCOMPARE(AddressFile::Save(local(m_path), list), AddressFile::Status::Ok);
        ContactUid first;
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(m_path));
            QCOMPARE(doc.companionLoad().status, CompanionFile::Status::Missing);
            AutoSave save(&doc);
            QVERIFY(save.hasUnsavedChanges());
            QVERIFY(save.SaveNow());
            first = doc.records().at(0)->uid();
        }
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(m_path));
            QVERIFY(doc.records().at(0)->uid() == first);
        }
        const QString companion = m_path + QStringLiteral(".extra");
        QVERIFY(writeAll(companion, "something else\n"));
        CVOK_AddressDoc doc;
        QVERIFY(doc.LoadAddressFile(m_path));
        QCOMPARE(doc.companionLoad().status, CompanionFile::Status::Damaged);
        AutoSave save(&doc);
        QVERIFY(save.SaveNow());
        QCOMPARE(readAll(companion + QStringLiteral(".bak")), QByteArray("something else\n"));
    }

    // The user's groups, in their order, travel in the companion file: a book copied to a
    // fresh profile shows them; groups only the old settings know join them.
    void groupsTravelWithTheBook()
    {
        {
            CVOK_AddressDoc doc;
            QVERIFY(doc.LoadAddressFile(m_path));
            for (const char* g : {"友人", "会社", "趣味"})
                QVERIFY(doc.CreateGroup(QString::fromUtf8(g)));
            doc.AddRecord(contact("A", "友人"));
            QVERIFY(doc.SaveAddressFile());
        }
        QFile::remove(RegistryKey::storePath()); // another machine
        GroupStore::add(QStringLiteral("PTA"));
        CVOK_AddressDoc doc;
        QVERIFY(doc.LoadAddressFile(m_path));
        QCOMPARE(doc.userGroups(), (QStringList{QStringLiteral("友人"), QStringLiteral("会社"),
                                                QStringLiteral("趣味"), QStringLiteral("PTA")}));
        QVERIFY(!doc.CreateGroup(QStringLiteral("会社")));
    }

private:
    static std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }
    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool writeAll(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

VOK_TEST_CORE_MAIN(TestIdentity)
#include "tst_identity.moc"
