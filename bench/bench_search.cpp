// One keystroke in the search field: the shown contacts filtered by the typed text, beside a
// plain substring scan (memmem) of the same bytes, measured in the same run; and the search
// index built for the whole book, beside the same folding through iconv and a plain copy.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/SearchIndex.h"
#include "model/search/SearchQuery.h"
#include "model/search/SortCompare.h"
#include "model/text/Cp932.h"
#include "model/text/TextFold.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

double ms(double seconds)
{
    return seconds * 1000.0;
}

// The reference: every record's bytes searched for the text as typed (CP932), no folding.
std::size_t plainScan(const std::vector<AddressRecord*>& records, const std::string& needle)
{
    std::size_t hits = 0;
    for (const AddressRecord* r : records) {
        const std::string_view text = r->text();
        hits += ::memmem(text.data(), text.size(), needle.data(), needle.size()) != nullptr;
    }
    return hits;
}

} // namespace

int main()
{
    const ReadingDictionary dictionary;
    const bool haveDictionary = dictionary.load();
    // Keystrokes as a user types them, each a whole new filter of the shown rows.
    const char* const keystrokes[] = {"や", "やま", "やまだ", "山田", "0", "03", "0312", "taro1"};

    std::printf("%-8s %9s %9s %9s %9s | %-7s %6s %9s %9s %9s %6s\n", "contacts", "build ms",
                "table ms", "iconv ms", "copy ms", "typed", "hits", "first ms", "next ms",
                "memmem ms", "ratio");
    for (std::size_t n : {1000u, 10000u, 100000u}) {
        RecordList book;
        AddressBookGenerator generator;
        generator.fill(book, n);
        std::map<std::string, std::string> readings; // a name's reading serves every contact
        for (const auto& r : book) {
            auto [it, added] = readings.try_emplace(std::string(r->name()));
            if (added && haveDictionary)
                it->second = dictionary.guess(Cp932::toUtf8(r->name()));
        }
        auto readingOf = [&](const AddressRecord& r) { return readings[std::string(r.name())]; };

        SearchIndex index;
        const double build = Bench::best(3, [&] { index.build(book, readingOf); });
        // The fields folded through the CP932 table, as the index does, and through iconv and
        // UTF-32, the way not taken.
        const double viaTable = Bench::best(3, [&] {
            std::size_t total = 0;
            for (const auto& r : book) {
                for (int f = 0; f < AddressRecord::FieldCount; ++f)
                    total += TextFold::fromCp932(r->field(f)).size();
            }
            if (total == 0)
                std::fprintf(stderr, "nothing folded\n");
        });
        const double viaIconv = Bench::best(3, [&] {
            std::size_t total = 0;
            for (const auto& r : book) {
                for (int f = 0; f < AddressRecord::FieldCount; ++f)
                    total += TextFold::fromUtf8(Cp932::toUtf8(r->field(f))).size();
            }
            if (total == 0)
                std::fprintf(stderr, "nothing folded\n");
        });
        const double copy = Bench::best(3, [&] {
            std::vector<std::string> copies;
            copies.reserve(n);
            for (const auto& r : book)
                copies.emplace_back(r->text());
        });

        // The list shows the book sorted by name; filtering keeps that order.
        std::vector<AddressRecord*> shown;
        for (const auto& r : book)
            shown.push_back(r.get());
        std::vector<std::string> keys(n);
        std::vector<std::size_t> order(n);
        for (std::size_t i = 0; i < n; ++i) {
            keys[i] = SortCompare::nameKey(readingOf(*shown[i]), shown[i]->name());
            order[i] = i;
        }
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
        std::vector<AddressRecord*> sorted;
        for (std::size_t i : order)
            sorted.push_back(shown[i]);

        bool first = true;
        double worstRatio = 0;
        double worstFilter = 0;
        for (const char* typed : keystrokes) {
            const std::string needle = Cp932::fromUtf8(typed).bytes;
            std::size_t hits = 0;
            // The first keystroke over these rows looks their texts up; the next ones do not.
            std::vector<AddressRecord*> fresh;
            const double cold = Bench::best(
                5,
                [&] {
                    fresh = sorted;
                    index.update(sorted.front(), readingOf(*sorted.front()));
                },
                [&] { hits = index.filter(SearchQuery(typed), fresh).size(); });
            const double filter =
                Bench::best(9, [&] { hits = index.filter(SearchQuery(typed), sorted).size(); });
            std::size_t plainHits = 0;
            const double plain = Bench::best(9, [&] { plainHits = plainScan(sorted, needle); });
            worstRatio = std::max(worstRatio, cold / plain);
            worstFilter = std::max(worstFilter, cold);
            if (first)
                std::printf("%-8zu %9.2f %9.2f %9.2f %9.2f | ", n, ms(build), ms(viaTable),
                            ms(viaIconv), ms(copy));
            else
                std::printf("%-8s %9s %9s %9s %9s | ", "", "", "", "", "");
            first = false;
            std::printf("%-7s %6zu %9.2f %9.2f %9.2f %6.2f\n", typed, hits, ms(cold), ms(filter),
                        ms(plain), cold / plain);
            if (plainHits > n)
                std::printf("impossible count\n"); // keeps the pure memmem calls alive
        }
        std::size_t textBytes = 0;
        std::size_t bookBytes = 0;
        for (const auto& r : book) {
            std::size_t phoneStart = 0;
            std::size_t joinedStart = 0;
            textBytes += SearchIndex::searchText(*r, readingOf(*r), phoneStart, joinedStart).size();
            bookBytes += r->text().size();
        }
        std::printf("%-8s search texts %.1f MB beside the records' %.1f MB\n", "",
                    double(textBytes) / 1e6, double(bookBytes) / 1e6);
        if (n == 100000)
            std::printf("goals for 100,000 (first keystrokes): every keystroke under 30 ms (worst "
                        "%.2f ms): %s; "
                        "at most 5x memmem (worst %.2fx): %s\n",
                        ms(worstFilter), Bench::verdict(worstFilter < 0.030), worstRatio,
                        Bench::verdict(worstRatio <= 5));
    }
    if (!haveDictionary)
        std::printf("(no name dictionaries installed: the index holds no readings)\n");
    return 0;
}
