#include "TestEnv.h"
#include "model/book/AddressRecord.h"
#include "model/sync/GroupCards.h"
#include "model/sync/SyncFields.h"
#include "model/sync/SyncMerge.h"
#include "model/sync/SyncPlan.h"
#include "model/sync/SyncState.h"
#include "model/sync/VCardDoc.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

using R = AddressRecord;

// A phone's card: folded photo, two mobiles, an item group, an emoji note, unknown lines.
const std::string kPhoneCard =
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "PRODID:-//Apple Inc.//iPhone OS 17.0//EN\r\n"
    "N:東雲;翠;;;\r\n"
    "FN:東雲 翠\r\n"
    "X-PHONETIC-LAST-NAME:しののめ\r\n"
    "X-PHONETIC-FIRST-NAME:みどり\r\n"
    "TEL;type=CELL;type=VOICE;type=pref:090-1234-5678\r\n"
    "TEL;type=CELL;type=VOICE:080-2222-3333\r\n"
    "item1.TEL;type=WORK:03-1111-2222\r\n"
    "item1.X-ABLabel:_$!<Work>!$_\r\n"
    "item2.ADR;type=HOME:;;千代田1-1;千代田区;東京都;100-0001;日本\r\n"
    "NOTE:誕生日🎂 〜 楽しみ\r\n"
    "BDAY:1990-02-03\r\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGB\r\n"
    " QgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0\r\n"
    "CATEGORIES:Family,VIP\r\n"
    "X-SOCIALPROFILE;type=twitter:x-apple:midori\r\n"
    "UID:3f1c0a4e-1b2c-4d5e-8f90-123456789abc\r\n"
    "END:VCARD\r\n";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

// Lines of a missing from b, then lines of b missing from a.
std::pair<std::vector<std::string>, std::vector<std::string>> diff(const std::string& a,
                                                                   const std::string& b)
{
    std::vector<std::string> la = lines(a), lb = lines(b), gone, come;
    std::sort(la.begin(), la.end());
    std::sort(lb.begin(), lb.end());
    std::set_difference(la.begin(), la.end(), lb.begin(), lb.end(), std::back_inserter(gone));
    std::set_difference(lb.begin(), lb.end(), la.begin(), la.end(), std::back_inserter(come));
    return {gone, come};
}

std::string S(const char* text = "")
{
    return text;
}

SyncFields phoneFields(const char* phone)
{
    SyncFields f;
    f.value[R::Name] = "山田 太郎";
    f.value[R::Phone] = phone;
    return f;
}

SyncState::Entry entry(const std::string& uid, const SyncFields& f)
{
    SyncState::Entry e;
    e.uid = uid;
    e.href = "/c/" + uid + ".vcf";
    e.etag = "\"1\"";
    e.card = SyncFields::newCard(f, uid).text();
    e.base = f;
    return e;
}

} // namespace

class TestSyncMerge : public QObject
{
    Q_OBJECT
private slots:
    void readsPhoneCard()
    {
        const std::optional<VCardDoc> doc = VCardDoc::parse(kPhoneCard);
        QVERIFY(doc);
        QCOMPARE(doc->text(), kPhoneCard); // untouched: byte for byte
        const SyncFields f = SyncFields::fromCard(*doc);
        QCOMPARE(f.value[R::Name], std::string("東雲 翠"));
        QCOMPARE(f.value[SyncFields::Reading], std::string("しののめ みどり"));
        QCOMPARE(f.value[R::MobilePhone], std::string("090-1234-5678"));
        QCOMPARE(f.value[R::OfficePhone], std::string("03-1111-2222"));
        QCOMPARE(f.value[R::Address], std::string("東京都千代田区千代田1-1"));
        QCOMPARE(f.value[R::PostalCode], std::string("100-0001"));
        QCOMPARE(f.value[R::Memo], std::string("誕生日🎂 〜 楽しみ"));
        QCOMPARE(f.value[R::Group], std::string("Family"));
        // Bare LF from a server reads the same.
        std::string lf = kPhoneCard;
        for (std::size_t p; (p = lf.find("\r\n")) != std::string::npos;)
            lf.erase(p, 1);
        QCOMPARE(SyncFields::fromCard(*VCardDoc::parse(lf)), f);
    }

    // A changed slot rewrites only the lines of its property; everything else stays.
    void patchTouchesOnlyItsLines_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("gone");
        QTest::addColumn<QStringList>("come");
        QTest::newRow("office phone") << int(R::OfficePhone) << "03-9999-0000"
                                      << QStringList{"item1.TEL;type=WORK:03-1111-2222"}
                                      << QStringList{"item1.TEL;type=WORK:03-9999-0000"};
        QTest::newRow("mobile, the first of two")
            << int(R::MobilePhone) << "070-0000-1111"
            << QStringList{"TEL;type=CELL;type=VOICE;type=pref:090-1234-5678"}
            << QStringList{"TEL;type=CELL;type=VOICE;type=pref:070-0000-1111"};
        QTest::newRow("memo emptied")
            << int(R::Memo) << "" << QStringList{"NOTE:誕生日🎂 〜 楽しみ"} << QStringList{};
        QTest::newRow("e-mail added") << int(R::Email) << "m@example.jp" << QStringList{}
                                      << QStringList{"EMAIL;TYPE=INTERNET,HOME:m@example.jp"};
        QTest::newRow("address keeps region and locality")
            << int(R::Address) << "東京都千代田区丸の内2-2"
            << QStringList{"item2.ADR;type=HOME:;;千代田1-1;千代田区;東京都;100-0001;日本"}
            << QStringList{"item2.ADR;type=HOME:;;丸の内2-2;千代田区;東京都;100-0001;日本"};
        QTest::newRow("group keeps the other categories")
            << int(R::Group) << "Friends" << QStringList{"CATEGORIES:Family,VIP"}
            << QStringList{"CATEGORIES:Friends,VIP"};
        QTest::newRow("reading") << int(SyncFields::Reading) << "しののめ すい"
                                 << QStringList{"X-PHONETIC-FIRST-NAME:みどり"}
                                 << QStringList{"X-PHONETIC-FIRST-NAME:すい"};
        QTest::newRow("name, FN and N")
            << int(R::Name) << "東雲 碧" << QStringList{"N:東雲;翠;;;", "FN:東雲 翠"}
            << QStringList{"N:東雲;碧;;;", "FN:東雲 碧"};
        QTest::newRow("escaped memo")
            << int(R::Memo) << "a;b,c\nd" << QStringList{"NOTE:誕生日🎂 〜 楽しみ"}
            << QStringList{"NOTE:a\\;b\\,c\\nd"};
    }
    void patchTouchesOnlyItsLines()
    {
        QFETCH(int, slot);
        QFETCH(QString, value);
        QFETCH(QStringList, gone);
        QFETCH(QStringList, come);
        VCardDoc doc = *VCardDoc::parse(kPhoneCard);
        SyncFields f = SyncFields::fromCard(doc);
        const SyncFields before = f;
        f.value[slot] = value.toStdString();
        SyncFields::patch(doc, slot, f);
        const auto [removed, added] = diff(kPhoneCard, doc.text());
        std::vector<std::string> wantGone, wantCome;
        for (const QString& l : gone)
            wantGone.push_back(l.toStdString());
        for (const QString& l : come)
            wantCome.push_back(l.toStdString());
        std::sort(wantGone.begin(), wantGone.end());
        std::sort(wantCome.begin(), wantCome.end());
        QCOMPARE(removed, wantGone);
        QCOMPARE(added, wantCome);
        // Read back: the slot has its new value, the others theirs.
        const SyncFields after = SyncFields::fromCard(*VCardDoc::parse(doc.text()));
        for (int s = 0; s < SyncFields::SlotCount; ++s)
            QCOMPARE(after.value[s], s == slot ? f.value[s] : before.value[s]);
    }

    // One slot, three ways: base, ours, theirs → merged, conflicts.
    void mergeField_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("ours");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("merged");
        QTest::addColumn<bool>("conflict");
        QTest::newRow("nothing") << "1"
                                 << "1"
                                 << "1"
                                 << "1" << false;
        QTest::newRow("ours") << "1"
                              << "2"
                              << "1"
                              << "2" << false;
        QTest::newRow("theirs") << "1"
                                << "1"
                                << "3"
                                << "3" << false;
        QTest::newRow("both the same") << "1"
                                       << "2"
                                       << "2"
                                       << "2" << false;
        QTest::newRow("both differ: server's") << "1"
                                               << "2"
                                               << "3"
                                               << "3" << true;
        QTest::newRow("ours emptied, theirs edited") << "1"
                                                     << ""
                                                     << "3"
                                                     << "3" << true;
    }
    void mergeField()
    {
        QFETCH(QString, base);
        QFETCH(QString, ours);
        QFETCH(QString, theirs);
        QFETCH(QString, merged);
        QFETCH(bool, conflict);
        const SyncFields b = phoneFields(base.toUtf8().constData());
        SyncFields o = phoneFields(ours.toUtf8().constData());
        o.value[R::Memo] = "メモ";
        SyncFields t = phoneFields(theirs.toUtf8().constData());
        SyncFields bm = b;
        bm.value[R::Memo] = "メモ";
        t.value[R::Memo] = "メモ";
        const SyncMerge::Result r = SyncMerge::merge(&bm, &bm, o, t);
        QCOMPARE(QString::fromStdString(r.merged.value[R::Phone]), merged);
        QCOMPARE(r.conflicts.size(), std::size_t(conflict));
        // The losing value is in the memo, under its label, for the user to take.
        const std::string memo =
            conflict ? "メモ\n" + SyncMerge::conflictNote(R::Phone, o.value[R::Phone]) : "メモ";
        QCOMPARE(r.merged.value[R::Memo], memo);
        Q_UNUSED(b);
    }

    // What a run does for each kind of change on each side.
    void plan_data()
    {
        QTest::addColumn<QString>("book"); // u: unchanged, e: edited, d: deleted, n: new, a: absent
        QTest::addColumn<QString>("server"); // u: unchanged, e: edited, d: deleted, n: new
        QTest::addColumn<int>("down");
        QTest::addColumn<int>("up");
        QTest::addColumn<int>("bookRemovals");
        QTest::addColumn<int>("serverDeletes");
        QTest::newRow("nothing") << "u"
                                 << "u" << 0 << 0 << 0 << 0;
        QTest::newRow("edited here") << "e"
                                     << "u" << 0 << 1 << 0 << 0;
        QTest::newRow("edited there") << "u"
                                      << "e" << 1 << 0 << 0 << 0;
        QTest::newRow("deleted here") << "d"
                                      << "u" << 0 << 0 << 0 << 1;
        QTest::newRow("deleted there") << "u"
                                       << "d" << 0 << 0 << 1 << 0;
        QTest::newRow("edit here beats delete there") << "e"
                                                      << "d" << 0 << 1 << 0 << 0;
        QTest::newRow("edit there beats delete here") << "d"
                                                      << "e" << 1 << 0 << 0 << 0;
        QTest::newRow("deleted on both") << "d"
                                         << "d" << 0 << 0 << 0 << 0;
        QTest::newRow("new here") << "n"
                                  << "u" << 0 << 1 << 0 << 0;
        QTest::newRow("new there") << "a"
                                   << "n" << 1 << 0 << 0 << 0;
        QTest::newRow("same UID new on both: paired") << "n"
                                                      << "n" << 0 << 0 << 0 << 0;
    }
    void plan()
    {
        QFETCH(QString, book);
        QFETCH(QString, server);
        QFETCH(int, down);
        QFETCH(int, up);
        QFETCH(int, bookRemovals);
        QFETCH(int, serverDeletes);
        SyncState state;
        std::vector<SyncPlan::Local> locals;
        std::map<std::string, SyncPlan::Card> changed;
        std::set<std::string> removed;
        // Eight contacts nobody touches, so that one deletion stays under the guard.
        for (int i = 0; i < 8; ++i) {
            const std::string uid = "still-" + std::to_string(i);
            state.entries.push_back(entry(uid, phoneFields("03")));
            locals.push_back({uid, phoneFields("03")});
        }
        const SyncFields f = phoneFields("1");
        const bool known = book != "n" && server != "n" && book != "a";
        if (known)
            state.entries.push_back(entry("x", f));
        if (book == "u" || book == "n")
            locals.push_back({"x", f});
        if (book == "e")
            locals.push_back({"x", phoneFields("2")});
        if (server == "e" || server == "n")
            changed["/c/x.vcf"] = {
                "\"2\"", SyncFields::newCard(server == "e" ? phoneFields("3") : f, "x").text()};
        if (server == "d")
            removed.insert("/c/x.vcf");
        const SyncPlan p = SyncPlan::make(state, locals, changed, removed, "/c/");
        QCOMPARE(int(p.down()), down);
        QCOMPARE(int(p.up()), up);
        QCOMPARE(int(p.bookRemovals()), bookRemovals);
        QCOMPARE(int(p.serverDeletes()), serverDeletes);
        QVERIFY(!p.needsConfirmation());
        // An edit re-created after a delete there goes to the same href, its card kept.
        if (book == "e" && server == "d") {
            const auto& item = p.items.back();
            QCOMPARE(item.server, SyncPlan::Item::Server::Create);
            QCOMPARE(item.href, std::string("/c/x.vcf"));
        }
    }

    // Groups as group cards: who moved the contact decides; the contact's own card (its
    // CATEGORIES says the base's group) is never rewritten for it.
    void groupCards_data()
    {
        for (const char* c : {"base", "here", "holder", "result", "addedTo", "removedFrom"})
            QTest::addColumn<std::string>(c);
        QTest::newRow("moved here")
            << S("友人") << S("家族") << S("友人") << S("家族") << S("家族") << S("友人");
        QTest::newRow("moved there")
            << S("友人") << S("友人") << S("家族") << S("家族") << S() << S();
        QTest::newRow("left there") << S("友人") << S("友人") << S() << S() << S() << S();
        QTest::newRow("no card yet")
            << S("仕事") << S("仕事") << S() << S("仕事") << S("仕事") << S();
        QTest::newRow("name the book lacks") << S() << S() << S("😀") << S() << S() << S();
    }
    void groupCards()
    {
        QFETCH(std::string, base);
        QFETCH(std::string, here);
        QFETCH(std::string, holder);
        SyncFields b = phoneFields("1"), l = b;
        b.value[R::Group] = base;
        l.value[R::Group] = here;
        SyncState state;
        state.entries.push_back(entry("x", b));
        SyncPlan p = SyncPlan::make(state, {{"x", l}}, {}, {}, "/c/", true);
        GroupCards cards;
        for (const std::string& n : {std::string("友人"), std::string("家族"), holder}) {
            cards.add("/c/" + n, "\"1\"",
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + n +
                          "\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n" +
                          (n == holder ? "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:x\r\n" : "") +
                          "END:VCARD\r\n");
        }
        cards.reconcile(p, state, {"友人", "家族"}, "/c/");
        QTEST(p.items[0].fields.value[R::Group], "result");
        QCOMPARE(p.items[0].server, SyncPlan::Item::Server::Keep);
        std::string added, removed;
        for (const GroupCards::Card& c : cards.cards()) {
            added = c.added.count("x") ? c.name : added;
            removed = c.removed.count("x") ? c.name : removed;
        }
        QTEST(added, "addedTo");
        QTEST(removed, "removedFrom");
    }

    void massDeleteGuard_data()
    {
        QTest::addColumn<int>("contacts");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<bool>("asks");
        QTest::newRow("1 of 3") << 3 << 1 << false;
        QTest::newRow("2 of 4") << 4 << 2 << true;
        QTest::newRow("10 of 100") << 100 << 10 << false;
        QTest::newRow("11 of 1000") << 1000 << 11 << true;
        QTest::newRow("31 of 100") << 100 << 31 << true;
    }
    void massDeleteGuard()
    {
        QFETCH(int, contacts);
        QFETCH(int, deleted);
        QFETCH(bool, asks);
        SyncState state;
        std::vector<SyncPlan::Local> locals;
        std::set<std::string> removed;
        for (int i = 0; i < contacts; ++i) {
            const std::string uid = "c" + std::to_string(i);
            state.entries.push_back(entry(uid, phoneFields("1")));
            locals.push_back({uid, phoneFields("1")});
            if (i < deleted)
                removed.insert("/c/" + uid + ".vcf");
        }
        QCOMPARE(SyncPlan::make(state, locals, {}, removed, "/c/").needsConfirmation(), asks);
        // The same number deleted in the book asks the same.
        locals.erase(locals.begin(), locals.begin() + deleted);
        QCOMPARE(SyncPlan::make(state, locals, {}, {}, "/c/").needsConfirmation(), asks);
    }

    void stateRoundTrip()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("Address.vok.sync")).toStdString();
        SyncState s;
        s.collection = "http://127.0.0.1/alice/contacts/";
        s.token = "tok\t1";
        s.entries.push_back(entry("a\tb", phoneFields("1\n2")));
        s.entries.back().card = kPhoneCard;
        s.conflicts.push_back("[競合] x");
        QVERIFY(s.save(path));
        SyncState read;
        QCOMPARE(read.load(path), SyncState::Status::Ok);
        QCOMPARE(read.token, s.token);
        QCOMPARE(read.entries.size(), std::size_t(1));
        QCOMPARE(read.entries[0].card, kPhoneCard);
        QCOMPARE(read.entries[0].base, s.entries[0].base);
        QCOMPARE(read.conflicts, s.conflicts);
        // Cut off before its end line: no state at all, never half of one.
        QFile file(QString::fromStdString(path));
        QVERIFY(file.resize(file.size() - 4));
        QCOMPARE(read.load(path), SyncState::Status::Damaged);
        QVERIFY(read.entries.empty());
    }

    // A sync's changes appended to the state as one batch; cut = bytes cut off its end
    // afterwards (-1: its whole commit line), which must leave the state as it was before.
    void stateBatches_data()
    {
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("cut");
        QTest::addColumn<bool>("whole");
        QTest::newRow("one changed") << 1 << 0 << 0 << 0 << false;
        QTest::newRow("added and removed") << 0 << 2 << 3 << 0 << false;
        QTest::newRow("torn last line") << 2 << 1 << 1 << 3 << false;
        QTest::newRow("commit line lost") << 1 << 0 << 0 << -1 << false;
        QTest::newRow("many: compacted") << 30 << 5 << 2 << 0 << true;
    }
    void stateBatches()
    {
        QFETCH(int, changed);
        QFETCH(int, added);
        QFETCH(int, removed);
        QFETCH(int, cut);
        QFETCH(bool, whole);
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("Address.vok.sync")).toStdString();
        SyncState s;
        s.collection = "http://127.0.0.1/alice/contacts/";
        s.token = "t1";
        for (int i = 0; i < 40; ++i)
            s.entries.push_back(entry("c" + std::to_string(i), phoneFields("1")));
        QVERIFY(s.save(path));
        const SyncState before = s;
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray base = file.readAll();
        file.close();

        s.token = "t2";
        for (int i = 0; i < changed; ++i) {
            s.entries[std::size_t(i)].card += "NOTE:\t" + std::to_string(i);
            s.changedEntry(std::size_t(i));
        }
        for (int i = 0; i < added; ++i) {
            s.entries.push_back(entry("n" + std::to_string(i), phoneFields("2\n3")));
            s.changedEntry(s.entries.size() - 1);
        }
        for (int i = 0; i < removed; ++i) {
            const std::string href = s.entries[std::size_t(10 + i)].href;
            s.entries.erase(s.entries.begin() + 10 + i);
            s.removedEntry(href);
        }
        s.conflicts.push_back("[競合] y");
        QVERIFY(s.save(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        file.close();
        QCOMPARE(written.startsWith(base), !whole);
        QCOMPARE(file.permissions() &
                     ~(QFile::ReadUser | QFile::WriteUser | QFile::ReadOwner | QFile::WriteOwner),
                 QFile::Permissions());
        if (cut != 0)
            QVERIFY(file.resize(cut > 0 ? written.size() - cut : written.lastIndexOf("commit")));

        const SyncState& want = cut != 0 ? before : s;
        SyncState read;
        QCOMPARE(read.load(path), SyncState::Status::Ok);
        QCOMPARE(read.token, want.token);
        QCOMPARE(read.conflicts, want.conflicts);
        QVERIFY(read.entries == want.entries);
        // Saved again after a cut: never appended behind the broken tail.
        read.token = "t3";
        read.entries.front().etag = "\"3\"";
        read.changedEntry(0);
        QVERIFY(read.save(path));
        SyncState again;
        QCOMPARE(again.load(path), SyncState::Status::Ok);
        QCOMPARE(again.token, std::string("t3"));
        QVERIFY(again.entries == read.entries);
    }
};

VOK_TEST_APPLESS_MAIN(TestSyncMerge)
#include "tst_syncmerge.moc"
