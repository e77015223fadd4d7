#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/book/GroupName.h"
#include "model/book/RecordList.h"

#include <unordered_set>

using namespace ModelTest;

class TestRecordList : public QObject
{
    Q_OBJECT
private slots:
    void groupCompare_data();
    void groupCompare();
    void recordFields();
    void appendKeepsOrderAndDuplicates();
    void removeRecord_data();
    void removeRecord();
    void removeRecordNoLongerInList();
    void countGroupRecords_data();
    void countGroupRecords();
    void removeGroupRecords_data();
    void removeGroupRecords();
    void groupNameFromDoomedRecord();
    void renameGroup_data();
    void renameGroup();
    void removeManySelected();
    void deleteAllRecords();
    void editInPlaceKeepsPosition();
    void takeOutAndPutBack_data();
    void takeOutAndPutBack();
};

void TestRecordList::groupCompare_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("equal");
    QTest::newRow("same") << qb(sjis("Private")) << qb(sjis("Private")) << true;
    QTest::newRow("letter case") << qb(sjis("Private")) << qb(sjis("pRIVATE")) << true;
    QTest::newRow("prefix") << qb(sjis("Private")) << qb(sjis("Private2")) << false;
    QTest::newRow("prefix reversed") << qb(sjis("Priv")) << qb(sjis("Private")) << false;
    QTest::newRow("trailing space") << qb(sjis("Other")) << qb(sjis("Other ")) << false;
    QTest::newRow("both empty") << QByteArray() << QByteArray() << true;
    QTest::newRow("empty and name") << QByteArray() << qb(sjis("a")) << false;
    QTest::newRow("double-byte same") << qb(sjis("友人")) << qb(sjis("友人")) << true;
    QTest::newRow("double-byte differ") << qb(sjis("友人")) << qb(sjis("友達")) << false;
    // ア is 0x83 0x41 and ヂ 0x83 0x61: a trail byte is no letter and must not fold.
    QTest::newRow("trail bytes do not fold") << qb(sjis("ア")) << qb(sjis("ヂ")) << false;
    QTest::newRow("full-width case folds") << qb(sjis("ＡＢＣ")) << qb(sjis("ａｂｃ")) << true;
    QTest::newRow("full-width is not half-width") << qb(sjis("Ａ")) << qb(sjis("A")) << false;
    QTest::newRow("mixed widths and case") << qb(sjis("友Ａb")) << qb(sjis("友ａB")) << true;
    QTest::newRow("half-width kana") << qb(sjis("ｱ")) << qb(sjis("ｧ")) << false;
}

void TestRecordList::groupCompare()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, equal);
    QCOMPARE(GroupName::equals(sv(a), sv(b)), equal);
    QCOMPARE(GroupName::equals(sv(b), sv(a)), equal);
    // An ordering, too: consistent in both directions.
    QCOMPARE(GroupName::compare(sv(a), sv(b)), -GroupName::compare(sv(b), sv(a)));
}

void TestRecordList::recordFields()
{
    AddressRecord r;
    for (int i = 0; i < AddressRecord::FieldCount; ++i)
        QVERIFY(r.field(i).empty());
    r.setField(AddressRecord::Memo, sjis("一行目\r\n二行目"));
    r.setField(AddressRecord::Name, "Taro");
    r.setField(AddressRecord::Group, "Private");
    QCOMPARE(qb(r.memo()), qb(sjis("一行目\r\n二行目")));
    QCOMPARE(qb(r.name()), QByteArray("Taro"));
    QCOMPARE(qb(r.group()), QByteArray("Private"));
    QVERIFY(r.email().empty());
    // A field set from another field of the same record.
    r.setField(AddressRecord::Company, r.name());
    QCOMPARE(qb(r.company()), QByteArray("Taro"));
    r.setField(AddressRecord::Name, r.memo().substr(0, 4));
    QCOMPARE(qb(r.name()), qb(sjis("一行")));
    QCOMPARE(qb(r.memo()), qb(sjis("一行目\r\n二行目")));
    r.setField(AddressRecord::Memo, "");
    QVERIFY(r.memo().empty());
    QCOMPARE(qb(r.group()), QByteArray("Private"));
}

void TestRecordList::appendKeepsOrderAndDuplicates()
{
    RecordList list;
    QVERIFY(list.AppendRecord(nullptr) == nullptr);
    QCOMPARE(list.size(), std::size_t(0));
    auto* a = list.AppendRecord(tagged(1, "Private"));
    auto* b = list.AppendRecord(tagged(1, "Private"));
    auto* c = list.AppendRecord(tagged(2, "Other"));
    QCOMPARE(list.size(), std::size_t(3));
    QVERIFY(a != b);
    QVERIFY(*a == *b);
    QCOMPARE(list.at(0), a);
    QCOMPARE(list.at(1), b);
    QCOMPARE(list.at(2), c);
}

void TestRecordList::removeRecord_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("head") << 0;
    QTest::newRow("middle") << 2;
    QTest::newRow("tail") << 4;
}

void TestRecordList::removeRecord()
{
    QFETCH(int, index);
    RecordList list;
    for (int i = 0; i < 5; ++i)
        list.AppendRecord(tagged(i, "Private"));
    std::vector<const AddressRecord*> before;
    for (const auto& r : list)
        before.push_back(r.get());
    std::vector<const AddressRecord*> told;
    bool presentWhenTold = false;
    list.recordsRemoving = [&](const std::vector<const AddressRecord*>& doomed) {
        told = doomed;
        presentWhenTold = list.contains(doomed.front());
    };
    QVERIFY(list.RemoveRecord(before[index]));
    QCOMPARE(told.size(), std::size_t(1));
    QCOMPARE(told.front(), before[index]);
    QVERIFY(presentWhenTold);
    QCOMPARE(list.size(), std::size_t(4));
    before.erase(before.begin() + index);
    for (std::size_t i = 0; i < before.size(); ++i)
        QCOMPARE(list.at(i), before[i]);
}

void TestRecordList::removeRecordNoLongerInList()
{
    RecordList list;
    list.AppendRecord(tagged(0, "Private"));
    const AddressRecord* gone = list.AppendRecord(tagged(1, "Private"));
    list.AppendRecord(tagged(2, "Private"));
    QVERIFY(list.RemoveRecord(gone));
    int calls = 0;
    list.recordsRemoving = [&](const std::vector<const AddressRecord*>&) { ++calls; };
    // The pointer is only compared, never followed.
    QVERIFY(!list.RemoveRecord(gone));
    QVERIFY(!list.RemoveRecord(nullptr));
    AddressRecord outsider;
    QVERIFY(!list.RemoveRecord(&outsider));
    QCOMPARE(calls, 0);
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(qb(list.at(1)->name()), QByteArray("n2-f00"));
}

void TestRecordList::countGroupRecords_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<int>("count");
    QTest::newRow("exact and other cases") << QByteArray("Private") << 3;
    QTest::newRow("upper case query") << QByteArray("PRIVATE") << 3;
    QTest::newRow("double-byte") << qb(sjis("友人")) << 1;
    QTest::newRow("full-width folded") << qb(sjis("ｆａｍｉｌｙ")) << 2;
    QTest::newRow("no such group") << QByteArray("Nobody") << 0;
    QTest::newRow("empty group") << QByteArray() << 1;
    QTest::newRow("prefix does not count") << QByteArray("Priv") << 0;
}

namespace {

void fillGroups(RecordList& list)
{
    const char* groups[] = {"Private",      "private",      "Business", "PRIVATE", "友人",
                            "ＦＡＭＩＬＹ", "ｆａｍｉｌｙ", "",         "Private2"};
    int n = 0;
    for (const char* g : groups)
        list.AppendRecord(tagged(n++, sjis(g)));
}

} // namespace

void TestRecordList::countGroupRecords()
{
    QFETCH(QByteArray, group);
    QFETCH(int, count);
    RecordList list;
    fillGroups(list);
    QCOMPARE(int(list.CountGroupRecords(sv(group))), count);
}

void TestRecordList::removeGroupRecords_data()
{
    countGroupRecords_data();
}

void TestRecordList::removeGroupRecords()
{
    QFETCH(QByteArray, group);
    QFETCH(int, count);
    RecordList list;
    fillGroups(list);
    const std::size_t total = list.size();
    std::vector<std::string> keptNames;
    for (const auto& r : list) {
        if (!GroupName::equals(r->group(), sv(group)))
            keptNames.emplace_back(r->name());
    }
    std::size_t told = 0;
    list.recordsRemoving = [&](const std::vector<const AddressRecord*>& doomed) {
        told += doomed.size();
        for (const auto* r : doomed)
            QVERIFY(list.contains(r));
    };
    QCOMPARE(int(list.RemoveGroupRecords(sv(group))), count);
    QCOMPARE(int(told), count);
    QCOMPARE(list.size(), total - std::size_t(count));
    QCOMPARE(list.CountGroupRecords(sv(group)), std::size_t(0));
    for (std::size_t i = 0; i < keptNames.size(); ++i)
        QCOMPARE(qb(list.at(i)->name()), qb(keptNames[i]));
}

void TestRecordList::groupNameFromDoomedRecord()
{
    // The name handed in may live inside a record that the call itself destroys or rewrites.
    RecordList list;
    for (int i = 0; i < 4; ++i)
        list.AppendRecord(tagged(i, i % 2 ? "Business" : "Private"));
    QCOMPARE(list.RenameGroup(list.at(0)->group(), "Friends"), std::size_t(2));
    QCOMPARE(qb(list.at(2)->group()), QByteArray("Friends"));
    QCOMPARE(list.RemoveGroupRecords(list.at(0)->group()), std::size_t(2));
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(qb(list.at(1)->group()), QByteArray("Business"));
}

void TestRecordList::renameGroup_data()
{
    QTest::addColumn<QByteArray>("oldName");
    QTest::addColumn<QByteArray>("newName");
    QTest::addColumn<int>("renamed");
    QTest::newRow("all letter cases") << QByteArray("Private") << QByteArray("Home") << 3;
    QTest::newRow("to double-byte") << QByteArray("private") << qb(sjis("家族")) << 3;
    QTest::newRow("full-width") << qb(sjis("Ｆａｍｉｌｙ")) << QByteArray("fam") << 2;
    QTest::newRow("nothing matches") << QByteArray("None") << QByteArray("x") << 0;
    QTest::newRow("same name other case") << QByteArray("private") << QByteArray("PriVate") << 3;
}

void TestRecordList::renameGroup()
{
    QFETCH(QByteArray, oldName);
    QFETCH(QByteArray, newName);
    QFETCH(int, renamed);
    RecordList list;
    fillGroups(list);
    std::vector<std::string> before;
    for (const auto& r : list)
        before.emplace_back(r->group());
    QCOMPARE(int(list.RenameGroup(sv(oldName), sv(newName))), renamed);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const AddressRecord* r = list.at(i);
        if (GroupName::equals(before[i], sv(oldName)))
            QCOMPARE(qb(r->group()), newName); // the letters of the new name
        else
            QCOMPARE(qb(r->group()), qb(before[i]));
        QCOMPARE(qb(r->name()), qb(tagged(int(i), "")->name()));
    }
}

void TestRecordList::removeManySelected()
{
    constexpr int count = 100000;
    RecordList list;
    for (int i = 0; i < count; ++i)
        list.AppendRecord(tagged(i, "Private"));
    std::unordered_set<const AddressRecord*> selected;
    for (int i = 0; i < count; i += 2)
        selected.insert(list.at(std::size_t(i)));
    AddressRecord outsider;
    selected.insert(&outsider); // not in the list: ignored
    int calls = 0;
    std::size_t told = 0;
    list.recordsRemoving = [&](const std::vector<const AddressRecord*>& doomed) {
        ++calls;
        told = doomed.size();
    };
    QCOMPARE(list.RemoveRecords(selected), std::size_t(count / 2));
    QCOMPARE(calls, 1);
    QCOMPARE(told, std::size_t(count / 2));
    QCOMPARE(list.size(), std::size_t(count / 2));
    for (int i = 0; i < count / 2; i += 997) {
        char want[16];
        std::snprintf(want, sizeof want, "n%d-f00", 2 * i + 1);
        QCOMPARE(qb(list.at(std::size_t(i))->name()), QByteArray(want));
    }
    QCOMPARE(list.RemoveRecords({}), std::size_t(0));
    QCOMPARE(calls, 1);
}

void TestRecordList::deleteAllRecords()
{
    RecordList list;
    std::size_t told = 0;
    list.recordsRemoving = [&](const std::vector<const AddressRecord*>& doomed) {
        told = doomed.size();
    };
    list.DeleteAllRecords();
    QCOMPARE(told, std::size_t(0));
    fillGroups(list);
    const std::size_t total = list.size();
    list.DeleteAllRecords();
    QCOMPARE(told, total);
    QVERIFY(list.empty());
}

void TestRecordList::editInPlaceKeepsPosition()
{
    RecordList list;
    fillGroups(list);
    AddressRecord* third = list.at(2);
    third->setField(AddressRecord::Name, sjis("山田　太郎"));
    third->setField(AddressRecord::Group, "Other");
    QCOMPARE(list.at(2), third);
    QCOMPARE(qb(list.at(2)->name()), qb(sjis("山田　太郎")));
}

// Records taken out for an undo stay alive and go back to the very places they had.
void TestRecordList::takeOutAndPutBack_data()
{
    QTest::addColumn<QList<int>>("taken");
    QTest::newRow("none") << QList<int>{};
    QTest::newRow("first") << QList<int>{0};
    QTest::newRow("last") << QList<int>{5};
    QTest::newRow("scattered") << QList<int>{1, 3, 4};
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4, 5};
}

void TestRecordList::takeOutAndPutBack()
{
    QFETCH(QList<int>, taken);
    RecordList list;
    std::vector<AddressRecord*> order;
    for (int i = 0; i < 6; ++i)
        order.push_back(list.AppendRecord(tagged(i, "Private")));
    bool told = false;
    list.recordsRemoving = [&](const std::vector<const AddressRecord*>&) { told = true; };

    std::vector<RecordList::Taken> out = list.TakeOutIf([&](const AddressRecord* r) {
        for (int i : taken)
            if (order[std::size_t(i)] == r)
                return true;
        return false;
    });
    QVERIFY(!told); // nothing is destroyed
    QCOMPARE(out.size(), std::size_t(taken.size()));
    QCOMPARE(list.size(), std::size_t(6 - taken.size()));
    for (std::size_t k = 0; k < out.size(); ++k) {
        QCOMPARE(out[k].index, std::size_t(taken[qsizetype(k)]));
        QCOMPARE(out[k].record.get(), order[out[k].index]);
        QVERIFY(!list.contains(out[k].record.get()));
    }
    list.PutBack(out);
    QVERIFY(out.empty());
    QCOMPARE(list.size(), std::size_t(6));
    for (std::size_t i = 0; i < 6; ++i)
        QCOMPARE(list.at(i), order[i]);
}

VOK_TEST_APPLESS_MAIN(TestRecordList)
#include "tst_recordlist.moc"
