// Readings: the name dictionaries loaded (beside reading their bytes), the reading guessed
// for 10,000 names, and 100,000 rows sorted in あいうえお order by reading (beside the same
// sort by the plain name keys), each measured in the same run.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/search/ReadingDictionary.h"
#include "model/search/SortCompare.h"
#include "model/text/Cp932.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

int main()
{
    if (!Bench::readFile(ReadingDictionary::DefaultJinmeiPath).size()) {
        std::printf("the name dictionaries of skkdic-extra are not installed\n");
        return 0;
    }
    std::size_t bytes = 0;
    const double readTime = Bench::best(5, [&] {
        bytes = Bench::readFile(ReadingDictionary::DefaultJinmeiPath).size() +
                Bench::readFile(ReadingDictionary::DefaultFullnamePath).size();
    });
    double loadTime = 1e9;
    for (int i = 0; i < 5; ++i) {
        const ReadingDictionary dict; // a new one each time: load() reads once per object
        loadTime = std::min(loadTime, Bench::best(1, [&] { dict.load(); }));
    }
    // The compiled form, as a second process finds it after the first built it.
    char folder[] = "/tmp/bench_readings.XXXXXX";
    const std::string compiled = std::string(::mkdtemp(folder)) + "/names.bin";
    {
        const ReadingDictionary build(ReadingDictionary::DefaultJinmeiPath,
                                      ReadingDictionary::DefaultFullnamePath, compiled);
        build.load();
    }
    double compiledTime = 1e9;
    bool served = true;
    for (int i = 0; i < 5; ++i) {
        const ReadingDictionary dict(ReadingDictionary::DefaultJinmeiPath,
                                     ReadingDictionary::DefaultFullnamePath, compiled);
        compiledTime = std::min(compiledTime, Bench::best(1, [&] { dict.load(); }));
        served = served && dict.loadedCompiled();
    }
    std::remove(compiled.c_str());
    ::rmdir(folder);
    std::printf("dictionaries (%.1f MB): load %.2f ms, from the compiled form %.2f ms%s, beside "
                "reading the bytes %.2f ms\n",
                double(bytes) / 1e6, loadTime * 1e3, compiledTime * 1e3,
                served ? "" : " (NOT SERVED)", readTime * 1e3);

    // 10,000 contacts' names, as the generator writes them from common names (in UTF-8 for the
    // guess).
    RecordList book;
    AddressBookGenerator generator;
    generator.setCommonNames(true);
    generator.fill(book, 100000);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < 10000; ++i)
        names.push_back(Cp932::toUtf8(book.at(i)->name()));
    const ReadingDictionary dict;
    dict.load();
    std::size_t known = 0;
    const double guessTime = Bench::best(3, [&] {
        known = 0;
        for (const std::string& name : names)
            known += !dict.guess(name).empty();
    });
    std::printf("guess for %zu names: %.2f ms (%.2f us a name; %zu guessed)\n", names.size(),
                guessTime * 1e3, guessTime * 1e6 / double(names.size()), known);

    // あいうえお order of 100,000 rows: keys made once, then sorted.
    std::vector<std::string> readings;
    for (const auto& r : book)
        readings.push_back(dict.guess(Cp932::toUtf8(r->name())));
    std::vector<std::string> keys(book.size());
    const double keyTime = Bench::best(3, [&] {
        for (std::size_t i = 0; i < book.size(); ++i)
            keys[i] = SortCompare::nameKey(readings[i], book.at(i)->name());
    });
    std::vector<std::string> sorted;
    const double sortTime = Bench::best(
        3, [&] { sorted = keys; }, [&] { std::sort(sorted.begin(), sorted.end()); });
    std::vector<std::string> plainKeys(book.size());
    const double plainKeyTime = Bench::best(3, [&] {
        for (std::size_t i = 0; i < book.size(); ++i)
            plainKeys[i] = SortCompare::key(book.at(i)->name());
    });
    const double plainSortTime = Bench::best(
        3, [&] { sorted = plainKeys; }, [&] { std::sort(sorted.begin(), sorted.end()); });
    std::printf("100,000 rows by reading: keys %.2f ms + sort %.2f ms beside plain name keys "
                "%.2f ms + sort %.2f ms\n",
                keyTime * 1e3, sortTime * 1e3, plainKeyTime * 1e3, plainSortTime * 1e3);
    return 0;
}
