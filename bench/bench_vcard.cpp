// vCard export and import of 100,000 contacts beside plain file I/O of the same bytes.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/book/RecordSelection.h"
#include "model/exchange/vcard/VCardReader.h"
#include "model/exchange/vcard/VCardWriter.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>

int main()
{
    const std::string dir = Bench::scratchDir();
    const std::string file = dir + "/export.vcf";
    const std::string plain = dir + "/plain.vcf";
    constexpr std::size_t count = 100000;

    RecordList book;
    AddressBookGenerator generator;
    generator.fill(book, count);
    const std::vector<const AddressRecord*> all =
        RecordSelection::ofGroup(book, RecordSelection::RootGroup);
    // Every distinct name has a reading, looked up by name as the document will.
    std::unordered_map<std::string, std::string> readings;
    for (const AddressRecord* r : all)
        readings.emplace(std::string(r->name()), "やまだ たろう");
    const ReadingLookup reading = [&](const AddressRecord& r) {
        const auto it = readings.find(std::string(r.name()));
        return it == readings.end() ? std::string() : it->second;
    };

    for (const VCardWriter::Version version :
         {VCardWriter::Version::V30, VCardWriter::Version::V40}) {
        const char* name = version == VCardWriter::Version::V30 ? "3.0" : "4.0";
        // The fastest run's processor time too: the machine may be busy with other work.
        double exportCpu = 1e9;
        const double exportTime = Bench::best(5, [&] {
            const double c0 = Bench::cpuSeconds();
            if (VCardWriter::write(file, all, version, reading) != FileIo::WriteStatus::Ok)
                std::fprintf(stderr, "export failed\n");
            exportCpu = std::min(exportCpu, Bench::cpuSeconds() - c0);
        });
        const std::vector<char> bytes = Bench::readFile(file);
        const double writeTime = Bench::best(5, [&] { Bench::writeFile(plain, bytes, false); });

        const std::vector<std::string> known = AddressBookGenerator::groupNames();
        double importCpu = 1e9;
        const double importTime = Bench::best(5, [&] {
            const double c0 = Bench::cpuSeconds();
            const ImportResult r = VCardReader::readFile(file, known);
            if (r.records.size() != count || !r.replaced.empty() || !r.cut.empty())
                std::fprintf(stderr, "import lost or changed contacts\n");
            importCpu = std::min(importCpu, Bench::cpuSeconds() - c0);
        });
        std::vector<char> buffer(bytes.size(), 1);
        const double readTime = Bench::best(5, [&] { Bench::readInto(plain, buffer); });

        std::printf("vCard %s of %zu contacts, %.1f MB (best of 5)\n", name, count,
                    double(bytes.size()) / 1e6);
        std::printf("import %.4f s (processor %.4f s) beside plain read  %.4f s = %6.2fx "
                    "(goal < 1 s: %s)\n",
                    importTime, importCpu, readTime, importTime / readTime,
                    Bench::verdict(importTime < 1));
        std::printf("export %.4f s (processor %.4f s) beside plain write %.4f s = %6.2fx "
                    "(goal < 0.5 s: %s)\n",
                    exportTime, exportCpu, writeTime, exportTime / writeTime,
                    Bench::verdict(exportTime < 0.5));
    }

    std::remove(file.c_str());
    std::remove(plain.c_str());
    ::rmdir(dir.c_str());
    return 0;
}
