#include "CoreTestUtil.h"
#include "TestEnv.h"
#include "core/CVOK_AddressDoc.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"
#include "settings/GroupStore.h"
#include "settings/RegistryKey.h"

#include <QSignalSpy>
#include <utility>

namespace {

using namespace CoreTest;

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

// What the document announces, one line per signal, in order.
class Announcements
{
public:
    explicit Announcements(CVOK_AddressDoc& doc)
    {
        using D = CVOK_AddressDoc;
        QObject::connect(&doc, &D::recordsAdded, &m_context,
                         [this](const std::vector<AddressRecord*>& r, bool marked) {
                             m_log << QStringLiteral("added ") + names(r) +
                                          (marked ? QStringLiteral(" (marked)") : QString());
                         });
        QObject::connect(&doc, &D::recordsChanged, &m_context,
                         [this](const std::vector<AddressRecord*>& r) {
                             m_log << QStringLiteral("changed ") + names(r);
                         });
        QObject::connect(&doc, &D::recordsRemoving, &m_context,
                         [this](const std::vector<const AddressRecord*>& r) {
                             m_log << QStringLiteral("removing ") + names(r);
                         });
        QObject::connect(&doc, &D::groupAdded, &m_context,
                         [this](const QString& g) { m_log << QStringLiteral("group added ") + g; });
        QObject::connect(&doc, &D::groupRenamed, &m_context,
                         [this](const QString& from, const QString& to) {
                             m_log << QStringLiteral("group renamed %1 %2").arg(from, to);
                         });
        QObject::connect(&doc, &D::groupRemoved, &m_context, [this](const QString& g) {
            m_log << QStringLiteral("group removed ") + g;
        });
        QObject::connect(&doc, &D::undoStateChanged, &m_context, [this] { ++m_undoStates; });
    }

    // What was said since the last call; every step ends in one word to the undo commands.
    QStringList take()
    {
        QStringList out = std::exchange(m_log, {});
        if (std::exchange(m_undoStates, 0) != 1)
            out << QStringLiteral("(not one undo state change)");
        return out;
    }

private:
    template <class Records> static QString names(const Records& records)
    {
        QStringList out;
        for (const AddressRecord* r : records)
            out << nameOf(r);
        return out.join(u' ');
    }

    QObject m_context;
    QStringList m_log;
    int m_undoStates = 0;
};

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
        m_dir = std::make_unique<QTemporaryDir>(TestEnv::root() + QStringLiteral("/undo-XXXXXX"));
        m_doc = openBook(m_dir->filePath(QStringLiteral("Address.vok")));
    }

    void cleanup() { m_doc.reset(); }

    // What each operation does and undoes to the book, and what it tells the views on the way:
    // views and saving follow these announcements alone. Redo says what the operation said.
    void undoAndRedo_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("recordsAfter");
        QTest::addColumn<QStringList>("announced");
        QTest::addColumn<QStringList>("announcedOnUndo");
        QTest::newRow("new contact")
            << int(Add) << 7 << QStringList{"added 新"} << QStringList{"removing 新"};
        QTest::newRow("edit") << int(Edit) << 6 << QStringList{"changed c2"}
                              << QStringList{"changed c2"};
        // Restored contacts were typed in: their rows are not marked as imported.
        QTest::newRow("delete contacts") << int(RemoveSome) << 3 << QStringList{"removing c0 c3 c5"}
                                         << QStringList{"added c0 c3 c5"};
        QTest::newRow("import") << int(Import) << 8 << QStringList{"added x y (marked)"}
                                << QStringList{"removing x y"};
        QTest::newRow("drag move")
            << int(Move) << 6 << QStringList{"changed c1 c4"} << QStringList{"changed c1 c4"};
        QTest::newRow("drag copy") << int(Copy) << 8 << QStringList{"added c0 c1 (marked)"}
                                   << QStringList{"removing c0 c1"};
        QTest::newRow("create group") << int(CreateGroup) << 6 << QStringList{"group added 友人"}
                                      << QStringList{"group removed 友人"};
        // The group's contacts follow the renamed group; nothing is said of them one by one.
        QTest::newRow("rename group (letter case kept)")
            << int(RenameGroup) << 6 << QStringList{"group renamed Family 家族"}
            << QStringList{"group renamed 家族 Family"};
        QTest::newRow("delete group")
            << int(DeleteGroup) << 3 << QStringList{"removing c0 c2 c4", "group removed Family"}
            << QStringList{"group added Family", "added c0 c2 c4"};
    }

    void undoAndRedo()
    {
        QFETCH(int, op);
        QFETCH(int, recordsAfter);
        QFETCH(QStringList, announced);
        QFETCH(QStringList, announcedOnUndo);
        CVOK_AddressDoc& doc = *m_doc;
        const State before = stateOf(doc);
        const std::uint64_t revision = doc.recordsRevision();
        Announcements heard(doc);
        perform(doc, Op(op));
        const State after = stateOf(doc);
        QVERIFY(!(after == before));
        QCOMPARE(doc.records().size(), std::size_t(recordsAfter));
        QVERIFY(doc.canUndo());
        QVERIFY(!doc.canRedo());
        QCOMPARE(heard.take(), announced);

        QVERIFY(doc.Undo());
        QVERIFY(stateOf(doc) == before);
        QVERIFY(doc.canRedo());
        QCOMPARE(heard.take(), announcedOnUndo);

        QVERIFY(doc.Redo());
        QVERIFY(stateOf(doc) == after);
        QCOMPARE(heard.take(), announced);
        QVERIFY(doc.Undo());
        QVERIFY(stateOf(doc) == before);
        QCOMPARE(heard.take(), announcedOnUndo);
        // Only changes to the records are changes of the data file.
        const bool fileChanged = after.file != before.file;
        QCOMPARE(doc.recordsRevision() != revision, fileChanged);
    }

    // Changes made while joining go back and come again with the one before them, as one step.
    void joinedSteps_data()
    {
        QTest::addColumn<QList<int>>("joined");
        QTest::newRow("import and the groups it creates")
            << QList<int>{int(CreateGroup), int(RenameGroup)};
        QTest::newRow("import and an edit") << QList<int>{int(Edit)};
    }

    void joinedSteps()
    {
        QFETCH(QList<int>, joined);
        CVOK_AddressDoc& doc = *m_doc;
        doc.AddRecord(contact("before", "Other"));
        const State before = stateOf(doc);
        perform(doc, Import);
        doc.JoinChanges(true);
        for (int op : joined)
            perform(doc, Op(op));
        doc.JoinChanges(false);
        const State after = stateOf(doc);

        for (int round = 0; round < 2; ++round) {
            QVERIFY(doc.Undo());
            QVERIFY(stateOf(doc) == before);
            QVERIFY(doc.Redo());
            QVERIFY(stateOf(doc) == after);
            QVERIFY(!doc.canRedo());
        }
        // The step before is one of its own.
        QVERIFY(doc.Undo());
        QVERIFY(doc.Undo());
        QCOMPARE(nameOf(doc.records().at(doc.records().size() - 1)), QStringLiteral("c5"));
    }

    // The last 100 changes can be taken back, no more; the book holds six of its own.
    void hundredStepsKept_data()
    {
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("undoable");
        QTest::newRow("fewer") << 30 << 36;
        QTest::newRow("exactly 100") << 94 << 100;
        QTest::newRow("one more") << 95 << 100;
        QTest::newRow("many more") << 250 << 100;
    }

    void hundredStepsKept()
    {
        QFETCH(int, changes);
        QFETCH(int, undoable);
        CVOK_AddressDoc& doc = *m_doc;
        for (int i = 0; i < changes; ++i)
            doc.AddRecord(contact("n", "Other"));
        int undone = 0;
        while (doc.Undo())
            ++undone;
        QCOMPARE(undone, undoable);
        QCOMPARE(doc.records().size(), std::size_t(6 + changes - undoable));
        int redone = 0;
        while (doc.Redo())
            ++redone;
        QCOMPARE(redone, undoable);
        QCOMPARE(doc.records().size(), std::size_t(6 + changes));
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
