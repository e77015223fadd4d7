#include "CoreTestUtil.h"
#include "TestEnv.h"
#include "core/CVOK_AddressDoc.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"
#include "settings/GroupStore.h"
#include "settings/RegistryKey.h"

#include <QSignalSpy>

namespace {

using CoreTest::contact;

// The book as the file and the settings would hold it, and which records make it up.
struct State
{
    QByteArray file;
    QStringList groups;
    QStringList stored;
    std::vector<const AddressRecord*> identity;

    bool operator==(const State& o) const
    {
        return file == o.file && groups == o.groups && stored == o.stored && identity == o.identity;
    }
};

State stateOf(const CVOK_AddressDoc& doc)
{
    State s;
    for (const auto& r : doc.records()) {
        QByteArray bytes(int(AddressFile::RecordSize), '\0');
        AddressFile::EncodeRecord(*r, bytes.data());
        s.file += bytes;
        s.identity.push_back(r.get());
    }
    s.groups = doc.userGroups();
    s.stored = GroupStore::load();
    return s;
}

enum Op
{
    Add,
    Edit,
    RemoveSome,
    Import,
    Move,
    Copy,
    CreateGroup,
    RenameGroup,
    DeleteGroup,
};

void perform(CVOK_AddressDoc& doc, Op op)
{
    const RecordList& all = doc.records();
    switch (op) {
    case Add:
        doc.AddRecord(contact("新", "Private"));
        break;
    case Edit: {
        AddressRecord value = *all.at(2);
        value.setField(AddressRecord::Email, "c@example.jp");
        doc.ChangeRecord(all.at(2), value);
        break;
    }
    case RemoveSome:
        doc.RemoveRecords({all.at(0), all.at(3), all.at(5)});
        break;
    case Import: {
        std::vector<std::unique_ptr<AddressRecord>> file;
        file.push_back(contact("x", "Other"));
        file.push_back(contact("y", "Family"));
        doc.ImportRecords(std::move(file));
        break;
    }
    case Move:
        doc.MoveToGroup({all.at(1), all.at(4)}, QStringLiteral("Work"));
        break;
    case Copy:
        doc.CopyToGroup({all.at(0), all.at(1)}, QStringLiteral("Family"));
        break;
    case CreateGroup:
        doc.CreateGroup(QStringLiteral("友人"));
        break;
    case RenameGroup:
        doc.RenameGroup(QStringLiteral("Family"), QStringLiteral("家族"));
        break;
    case DeleteGroup:
        doc.DeleteGroup(QStringLiteral("Family"));
        break;
    }
}

} // namespace

// Every change to the book can be taken back and made again: the records come back as the
// same objects at the same places (so the file is as before), the groups with them.
class TestUndo : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CVOK_AddressDoc> m_doc;

private slots:
    void init()
    {
        QFile::remove(RegistryKey::storePath());
        GroupStore::add(QStringLiteral("Family"));
        GroupStore::add(QStringLiteral("Work"));
        m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/undo-XXXXXX"));
        m_doc = std::make_unique<CVOK_AddressDoc>();
        m_doc->LoadAddressFile(m_dir->filePath(QStringLiteral("Address.vok")));
        const char* groups[] = {"Family", "Private", "family", "Work", "Family", "Other"};
        int n = 0;
        for (const char* g : groups) {
            const QByteArray name = "c" + QByteArray::number(n++);
            m_doc->AddRecord(contact(name.constData(), g));
        }
    }

    void cleanup() { m_doc.reset(); }

    void undoAndRedo_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("recordsAfter");
        QTest::newRow("new contact") << int(Add) << 7;
        QTest::newRow("edit") << int(Edit) << 6;
        QTest::newRow("delete contacts") << int(RemoveSome) << 3;
        QTest::newRow("import") << int(Import) << 8;
        QTest::newRow("drag move") << int(Move) << 6;
        QTest::newRow("drag copy") << int(Copy) << 8;
        QTest::newRow("create group") << int(CreateGroup) << 6;
        QTest::newRow("rename group (letter case kept)") << int(RenameGroup) << 6;
        QTest::newRow("delete group") << int(DeleteGroup) << 3;
    }

    void undoAndRedo()
    {
        QFETCH(int, op);
        QFETCH(int, recordsAfter);
        CVOK_AddressDoc& doc = *m_doc;
        const State before = stateOf(doc);
        const std::uint64_t revision = doc.recordsRevision();
        perform(doc, Op(op));
        const State after = stateOf(doc);
        QVERIFY(!(after == before));
        QCOMPARE(doc.records().size(), std::size_t(recordsAfter));
        QVERIFY(doc.canUndo());
        QVERIFY(!doc.canRedo());

        QSignalSpy added(&doc, &CVOK_AddressDoc::recordsAdded);
        QSignalSpy removing(&doc, &CVOK_AddressDoc::recordsRemoving);
        QVERIFY(doc.Undo());
        QVERIFY(stateOf(doc) == before);
        QVERIFY(doc.canRedo());
        // Views hear of every record that comes and goes.
        std::size_t back = 0, gone = 0;
        for (const auto& a : added)
            back += a.at(0).value<std::vector<AddressRecord*>>().size();
        for (const auto& r : removing)
            gone += r.at(0).value<std::vector<const AddressRecord*>>().size();
        QCOMPARE(std::ptrdiff_t(back) - std::ptrdiff_t(gone),
                 std::ptrdiff_t(before.identity.size()) - std::ptrdiff_t(recordsAfter));

        QVERIFY(doc.Redo());
        QVERIFY(stateOf(doc) == after);
        QVERIFY(doc.Undo());
        QVERIFY(stateOf(doc) == before);
        // Only changes to the records are changes of the data file.
        const bool fileChanged = after.file != before.file;
        QCOMPARE(doc.recordsRevision() != revision, fileChanged);
    }

    // Many steps back, then a new change drops what was undone.
    void manyStepsAndNewChange()
    {
        CVOK_AddressDoc& doc = *m_doc;
        const State start = stateOf(doc);
        std::vector<State> states;
        for (int i = 0; i < 25; ++i) {
            states.push_back(stateOf(doc));
            if (i % 3 == 0)
                doc.RemoveRecords({doc.records().at(0)});
            else
                doc.AddRecord(contact("n", "Other"));
        }
        for (int i = 24; i >= 0; --i) {
            QVERIFY(doc.Undo());
            QVERIFY2(stateOf(doc) == states[std::size_t(i)], qPrintable(QString::number(i)));
        }
        QVERIFY(stateOf(doc) == start);
        QVERIFY(doc.Redo());
        QVERIFY(doc.Redo());
        doc.AddRecord(contact("z", "Other"));
        QVERIFY(!doc.canRedo());
        QVERIFY(doc.Undo());
        QVERIFY(stateOf(doc) == states[2]);
    }

    // A contact edited, then deleted: undoing both brings back the same contact as it was.
    void stepsShareRecords()
    {
        CVOK_AddressDoc& doc = *m_doc;
        const State before = stateOf(doc);
        AddressRecord* target = doc.records().at(1);
        AddressRecord value = *target;
        value.setField(AddressRecord::Name, "edited");
        doc.ChangeRecord(target, value);
        doc.DeleteGroup(QStringLiteral("Private"));
        QVERIFY(!doc.contains(target));
        QVERIFY(doc.Undo());
        QVERIFY(doc.contains(target));
        QCOMPARE(target->name(), std::string_view("edited"));
        QVERIFY(doc.Undo());
        QVERIFY(stateOf(doc) == before);
    }

    // The end of the run forgets the history: nothing can be undone into a freed book.
    void deleteAllForgets()
    {
        m_doc->RemoveRecords({m_doc->records().at(0)});
        QVERIFY(m_doc->canUndo());
        const std::uint64_t revision = m_doc->revision();
        m_doc->DeleteAllRecords();
        QVERIFY(!m_doc->canUndo());
        QVERIFY(!m_doc->Undo());
        QCOMPARE(m_doc->revision(), revision);
    }
};

VOK_TEST_CORE_MAIN(TestUndo)
#include "tst_undo.moc"
