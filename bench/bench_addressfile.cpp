// Load and save of Address.vok beside plain file I/O of the same bytes, and the memory a loaded
// book takes beside the size of its file.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Run in a fresh process: the resident memory that loading the file adds.
int measureMemory(const char* path)
{
    const long before = Bench::residentKb();
    RecordList list;
    if (AddressFile::Load(path, list) != AddressFile::Status::Ok)
        return 1;
    const long after = Bench::residentKb();
    std::printf("%ld %zu\n", after - before, list.size());
    return 0;
}

long memoryInFreshProcess(const std::string& path, std::size_t& records)
{
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return -1;
    const std::string command = std::string("'") + self + "' --memory '" + path + "'";
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return -1;
    long kb = -1;
    if (std::fscanf(p, "%ld %zu", &kb, &records) != 2)
        kb = -1;
    ::pclose(p);
    return kb;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return measureMemory(argv[2]);

    const std::string dir = Bench::scratchDir();
    const std::string file = dir + "/Address.vok";
    const std::string plain = dir + "/plain.vok";
    bool allOk = true;

    std::printf("Address.vok: load and save beside plain I/O of the same bytes (best of runs)\n");
    std::printf("%9s %10s | %9s %9s %6s | %9s %9s %6s\n", "contacts", "file MB", "load s", "read s",
                "ratio", "save s", "write s", "ratio");
    for (const std::size_t count : {1000u, 10000u, 100000u}) {
        RecordList book;
        AddressBookGenerator generator;
        generator.fill(book, count);
        const int runs = count >= 100000 ? 3 : 5;

        const double save = Bench::best(runs, [&] {
            if (AddressFile::Save(file, book) != AddressFile::Status::Ok)
                std::fprintf(stderr, "save failed\n");
        });
        const std::vector<char> bytes = Bench::readFile(file);
        const double write = Bench::best(runs, [&] { Bench::writeFile(plain, bytes, true); });

        RecordList loaded; // emptied outside the timed part
        const double load = Bench::best(
            runs, [&] { loaded.DeleteAllRecords(); },
            [&] {
                if (AddressFile::Load(file, loaded) != AddressFile::Status::Ok ||
                    loaded.size() != count)
                    std::fprintf(stderr, "load lost records\n");
            });
        std::vector<char> buffer(bytes.size(), 1);
        const double read = Bench::best(runs, [&] { Bench::readInto(plain, buffer); });

        const double loadRatio = load / read;
        const double saveRatio = save / write;
        allOk = allOk && loadRatio <= 3 && saveRatio <= 3;
        std::printf("%9zu %10.1f | %9.4f %9.4f %5.2fx | %9.4f %9.4f %5.2fx\n", count,
                    double(bytes.size()) / 1e6, load, read, loadRatio, save, write, saveRatio);
    }
    std::printf("goal: load and save at most 3x plain I/O\n\n");

    std::size_t records = 0;
    const long kb = memoryInFreshProcess(file, records);
    const double resident = double(kb) * 1024.0;
    const double fileBytes = double(Bench::readFile(file).size());
    const double share = resident / fileBytes;
    allOk = allOk && kb > 0 && share < 0.6;
    std::printf("memory after loading %zu contacts (fresh process): %.1f MB resident beside a "
                "%.1f MB file = %.2fx (goal < 0.6x: %s)\n",
                records, resident / 1e6, fileBytes / 1e6, share, Bench::verdict(share < 0.6));

    std::remove(file.c_str());
    std::remove(plain.c_str());
    ::rmdir(dir.c_str());
    std::printf("%s\n", allOk ? "all goals met" : "SOME GOALS MISSED");
    return 0;
}
