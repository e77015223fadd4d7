#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/book/BookSnapshot.h"
#include "model/book/ContactExtras.h"
#include "model/storage/CompanionAlign.h"
#include "model/storage/CompanionFile.h"

using namespace ModelTest;

namespace {

// A record of the alignment tables: a letter is a contact; "'" after it keeps the name and
// changes the rest, "*" keeps the rest and changes the name; "~" changes both.
RecordFingerprint fp(const QString& token)
{
    const std::string letter = token.left(1).toStdString();
    RecordFingerprint f{RecordFingerprint::hash(letter, 1), RecordFingerprint::hash(letter, 2)};
    if (token.contains(u'\'') || token.contains(u'~'))
        f.rest ^= 0xFF;
    if (token.contains(u'*') || token.contains(u'~'))
        f.name ^= 0xFF;
    return f;
}

std::vector<RecordFingerprint> sequence(const QString& text)
{
    std::vector<RecordFingerprint> out;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts))
        out.push_back(fp(token));
    return out;
}

} // namespace

class TestCompanion : public QObject
{
    Q_OBJECT
private slots:
    void align_data();
    void align();
    void alignsLargeBooksQuickly();
    void roundTrip();
    void damaged_data();
    void damaged();
};

// Entries as the companion file holds them, records as Address.vok holds them after another
// program changed it; expected: for each record the entry it keeps, "-" for a new identity.
void TestCompanion::align_data()
{
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unchanged") << "A B C" << "A B C" << "0 1 2";
    QTest::newRow("edited in place") << "A B C" << "A B' C" << "0 1 2";
    QTest::newRow("renamed in place") << "A B C" << "A B* C" << "0 1 2";
    QTest::newRow("several edited") << "A B C D E F" << "A B' C D* E' F" << "0 1 2 3 4 5";
    QTest::newRow("replaced wholly") << "A B C" << "A B~ C" << "0 - 2";
    QTest::newRow("added by another copy") << "A B C" << "A B C D" << "0 1 2 -";
    QTest::newRow("deleted in the middle") << "A B C D" << "A C D" << "0 2 3";
    QTest::newRow("last deleted, another added") << "A B C" << "A B D" << "0 1 -";
    QTest::newRow("reordered") << "A B C D" << "D C B A" << "3 2 1 0";
    QTest::newRow("moved and edited") << "A B C D" << "B A C' D" << "1 0 2 3";
    QTest::newRow("twin deleted") << "A A B" << "A B" << "0 2";
    QTest::newRow("twins kept in order") << "A B A" << "A B A" << "0 1 2";
    QTest::newRow("restored older backup") << "A B C D E" << "A B C" << "0 1 2";
    QTest::newRow("stop between the two files") << "A B C" << "A B' C D" << "0 1 2 -";
    QTest::newRow("empty companion") << "" << "A B" << "- -";
    QTest::newRow("emptied book") << "A B" << "" << "";
}

void TestCompanion::align()
{
    QFETCH(QString, entries);
    QFETCH(QString, records);
    QFETCH(QString, expected);
    const std::vector<std::size_t> match = CompanionAlign::align(sequence(entries), sequence(records));
    QStringList got;
    for (std::size_t m : match)
        got << (m == CompanionAlign::None ? QStringLiteral("-") : QString::number(m));
    QCOMPARE(got.join(u' '), expected);
}

// A thousand edits, deletions and additions in 100,000 records: every record that is still
// there keeps its entry (a quadratic stretch would not end within the test's time limit).
void TestCompanion::alignsLargeBooksQuickly()
{
    std::vector<RecordFingerprint> entries;
    for (std::uint64_t i = 0; i < 100000; ++i)
        entries.push_back({RecordFingerprint::hash("n", i), RecordFingerprint::hash("r", i)});
    std::vector<RecordFingerprint> records;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i % 300 == 0)
            continue; // deleted
        RecordFingerprint f = entries[i];
        if (i % 100 == 1)
            f.rest ^= 1; // edited
        records.push_back(f);
    }
    for (std::uint64_t i = 0; i < 400; ++i)
        records.push_back({RecordFingerprint::hash("new", i), i});
    const std::vector<std::size_t> match = CompanionAlign::align(entries, records);
    std::size_t placed = 0;
    for (std::size_t r = 0; r < match.size(); ++r)
        placed += match[r] != CompanionAlign::None;
    QCOMPARE(placed, records.size() - 400);
}

void TestCompanion::roundTrip()
{
    RecordList list;
    auto add = [&](const char* name) {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, sjis(name));
        r->setUid(ContactUid::generate());
        return list.AppendRecord(std::move(r));
    };
    add("鈴木 一郎");
    AddressRecord* full = add("山田 太郎");
    ContactExtras x;
    x.honorific = "先生";
    x.jointNames = {{"花子", "", "はなこ"}, {"一郎\t二郎", "殿", ""}};
    x.title = "部長\\課長";
    x.department = "営業部\n第二課";
    x.setNenga({2027, ContactExtras::Nenga::Send::Send, true, false, true});
    x.setNenga({2026, ContactExtras::Nenga::Send::DontSend, false, true, false});
    x.foreignUid = "ABC-123@phone";
    x.unknown = {{"later", "a\tb"}};
    x.fullText[AddressRecord::Name] = "𠮷田 太郎";
    full->setExtras(x);
    const BookSnapshot snapshot(list, 1, 1, {"友人", "会社\tA"});
    CompanionFile::Entry aside{ContactUid::generate(), {7, 8},
                               std::make_shared<const ContactExtras>(x)};
    const std::string text = CompanionFile::Encode(snapshot, {aside});

    CompanionFile::Contents back;
    QCOMPARE(CompanionFile::Decode(text, back), CompanionFile::Status::Ok);
    QCOMPARE(back.groups, (std::vector<std::string>{"友人", "会社\tA"}));
    QCOMPARE(back.entries.size(), std::size_t(2));
    QVERIFY(back.entries[0].uid == list.at(0)->uid());
    QVERIFY(!back.entries[0].extras);
    QVERIFY(back.entries[1].uid == full->uid());
    QVERIFY(back.entries[1].fingerprint == RecordFingerprint::of(*full));
    QVERIFY(back.entries[1].extras && *back.entries[1].extras == x);
    QCOMPARE(back.aside.size(), std::size_t(1));
    QVERIFY(back.aside[0].uid == aside.uid && back.aside[0].fingerprint == aside.fingerprint);
    // Readable: one line a contact, extras below it.
    QVERIFY(text.find("\thonorific\t先生\n") != std::string::npos);
    QVERIFY(text.find("\tjoint\t一郎\\t二郎\t殿\t\n") != std::string::npos);

    // Laid out without decoding, each entry's lines give the same extras (a comment skipped).
    const std::string commented = std::string(text).insert(text.find("\ttitle"), "#\n");
    CompanionFile::Layout layout;
    QCOMPARE(CompanionFile::Scan(commented, layout), CompanionFile::Status::Ok);
    std::shared_ptr<const ContactExtras> none, got;
    QVERIFY(CompanionFile::DecodeProperties(layout.entries[0].properties, none) && !none);
    QVERIFY(CompanionFile::DecodeProperties(layout.entries[1].properties, got) && *got == x);
    QVERIFY(layout.entries[1].uid == full->uid() && layout.aside[0].uid == aside.uid);
}

void TestCompanion::damaged_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("entries"); // what could still be read
    const QByteArray head = "VOK_Address extra 1\n";
    const QByteArray one = "2f1c9b7e-0a4d-4c1b-9f6e-3d2a1b0c9e8f\t"
                           "0123456789abcdef0123456789abcdef\n\thonorific\t様\n";
    QTest::newRow("foreign") << QByteArray("name,uid\nx,y\n") << 0;
    QTest::newRow("newer format") << QByteArray("VOK_Address extra 2\nend\t0\n") << 0;
    QTest::newRow("cut before its end") << head + one << 1;
    QTest::newRow("count differs") << head + one + "end\t2\n" << 1;
    QTest::newRow("broken uid") << head + "not-a-uid\t0123\n" + one + "end\t1\n" << 1;
    QTest::newRow("property without contact") << head + "\ttitle\tx\n" + one + "end\t1\n" << 1;
}

void TestCompanion::damaged()
{
    QFETCH(QByteArray, text);
    QFETCH(int, entries);
    CompanionFile::Contents back;
    QCOMPARE(CompanionFile::Decode(std::string_view(text.constData(), std::size_t(text.size())),
                                   back),
             CompanionFile::Status::Damaged);
    QCOMPARE(int(back.entries.size()), entries);
}

VOK_TEST_APPLESS_MAIN(TestCompanion)
#include "tst_companion.moc"
