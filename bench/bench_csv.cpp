// CSV import and export of 100,000 contacts beside plain file I/O of the same bytes.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/RecordList.h"
#include "model/exchange/csv/CsvFile.h"

#include <cstdio>
#include <string>

int main()
{
    const std::string dir = Bench::scratchDir();
    const std::string file = dir + "/export.txt";
    const std::string plain = dir + "/plain.txt";
    constexpr std::size_t count = 100000;

    RecordList book;
    AddressBookGenerator generator;
    generator.fill(book, count);

    const double exportTime = Bench::best(5, [&] {
        if (CsvFile::Write(file, book, CsvFile::RootGroup) != CsvFile::WriteStatus::Ok)
            std::fprintf(stderr, "export failed\n");
    });
    const std::vector<char> bytes = Bench::readFile(file);
    const double writeTime = Bench::best(5, [&] { Bench::writeFile(plain, bytes, false); });

    RecordList imported; // emptied outside the timed part
    const double importTime = Bench::best(
        5, [&] { imported.DeleteAllRecords(); },
        [&] {
            const auto r = CsvFile::Read(file, imported);
            if (r.status != CsvFile::ReadStatus::Ok || imported.size() != count)
                std::fprintf(stderr, "import lost records\n");
        });
    std::vector<char> buffer(bytes.size(), 1);
    const double readTime = Bench::best(5, [&] { Bench::readInto(plain, buffer); });

    const double importRatio = importTime / readTime;
    const double exportRatio = exportTime / writeTime;
    std::printf("CSV exchange of %zu contacts, %.1f MB (best of 5)\n", count,
                double(bytes.size()) / 1e6);
    std::printf("import %.4f s beside plain read  %.4f s = %6.2fx (goals < 0.3 s: %s)\n",
                importTime, readTime, importRatio, Bench::verdict(importTime < 0.3));
    std::printf("export %.4f s beside plain write %.4f s = %6.2fx (goals < 0.2 s: %s)\n",
                exportTime, writeTime, exportRatio, Bench::verdict(exportTime < 0.2));
    std::printf("goal: at most 4x plain I/O: import %s, export %s\n",
                Bench::verdict(importRatio <= 4), Bench::verdict(exportRatio <= 4));

    std::remove(file.c_str());
    std::remove(plain.c_str());
    ::rmdir(dir.c_str());
    return 0;
}
