// The companion file (Address.vok.extra) beside the book: what it adds to a save and to a load,
// beside the book's own save and load of the same contacts, and how long the alignment takes
// after another program changed a thousand records.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/BookSnapshot.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordFingerprint.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "model/storage/CompanionAlign.h"
#include "model/storage/CompanionFile.h"

#include <cstdio>
#include <string>

int main()
{
    const std::string dir = Bench::scratchDir();
    const std::string book = dir + "/Address.vok";
    const std::string companion = CompanionFile::pathFor(book);
    std::printf("Address.vok.extra beside Address.vok (best of runs, ms)\n");
    std::printf("%9s %8s %8s | %9s %10s %8s %8s | %9s %10s | %10s\n", "contacts", "book MB",
                "extra MB", "book save", "extra save", "encoding", "unknown", "book load",
                "extra load", "align 1000");
    for (const std::size_t count : {1000u, 10000u, 100000u}) {
        RecordList list;
        AddressBookGenerator().fill(list, count);
        // A tenth of the contacts with extras, as a 年賀状 user's book might have.
        for (std::size_t i = 0; i < list.size(); ++i) {
            list.at(i)->setUid(ContactUid::generate());
            if (i % 10 == 0) {
                ContactExtras x;
                x.honorific = "先生";
                x.jointNames = {{"花子", "", "はなこ"}};
                x.setNenga({2027, ContactExtras::Nenga::Send::Send, false, true, false});
                list.at(i)->setExtras(x);
            }
        }
        // As after a load, which works out every record's fingerprint to align the file.
        for (std::size_t i = 0; i < list.size(); ++i)
            list.at(i)->rememberFingerprint(RecordFingerprint::of(*list.at(i)));
        const BookSnapshot snapshot(list, 1, 1, {"友人", "会社"});
        // The same book fresh from an import: every fingerprint still to work out.
        RecordList fresh;
        for (std::size_t i = 0; i < list.size(); ++i) {
            auto r = std::make_unique<AddressRecord>(*list.at(i));
            r->setField(AddressRecord::Name, std::string(r->name())); // forgets the fingerprint
            fresh.AppendRecord(std::move(r));
        }
        const BookSnapshot unknown(fresh, 1, 1, {"友人", "会社"});
        const double bookSave = Bench::best(3, [&] { AddressFile::Save(book, snapshot, false); });
        const double extraSave =
            Bench::best(3, [&] { CompanionFile::Save(companion, snapshot, {}, false); });
        std::size_t encodedSize = 0;
        const double encode =
            Bench::best(3, [&] { encodedSize = CompanionFile::Encode(snapshot, {}).size(); });
        const double encodeUnknown = Bench::best(3, [&] { CompanionFile::Encode(unknown, {}); });
        const double bookLoad = Bench::best(3, [&] {
            RecordList loaded;
            AddressFile::Load(book, loaded);
        });
        CompanionFile::Contents contents;
        const double extraLoad = Bench::best(3, [&] { CompanionFile::Load(companion, contents); });

        // Another copy edited every hundredth record and appended ten: realign.
        std::vector<RecordFingerprint> entries, records;
        for (const auto& e : contents.entries)
            entries.push_back(e.fingerprint);
        for (std::size_t i = 0; i < list.size(); ++i) {
            RecordFingerprint fp = RecordFingerprint::of(*list.at(i));
            if (i % (count / 1000) == 0)
                fp.rest ^= 1;
            records.push_back(fp);
        }
        for (std::uint64_t i = 0; i < 10; ++i)
            records.push_back({i, i});
        std::size_t placed = 0;
        const double align = Bench::best(3, [&] {
            const auto match = CompanionAlign::align(entries, records);
            placed = 0;
            for (std::size_t m : match)
                placed += m != CompanionAlign::None;
        });
        std::printf("%9zu %8.1f %8.1f | %9.1f %10.1f %8.1f %8.1f | %9.1f %10.1f | %10.1f\n", count,
                    double(Bench::readFile(book).size()) / 1e6, double(encodedSize) / 1e6,
                    bookSave * 1e3, extraSave * 1e3, encode * 1e3, encodeUnknown * 1e3,
                    bookLoad * 1e3, extraLoad * 1e3, align * 1e3);
        if (placed != count)
            std::printf("  alignment placed %zu of %zu records\n", placed, count);
    }
    return 0;
}
