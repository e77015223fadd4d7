// How well the loader tells an address book from a file that is none: the records of generated
// books it takes for odd (false alarms, which must be none), the records of files that are no
// book it takes for odd (random bytes, text, zeros), and what the check costs beside the load.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "model/storage/RecordCheck.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<char> encoded(const RecordList& list)
{
    std::vector<char> out(list.size() * AddressFile::RecordSize);
    for (std::size_t i = 0; i < list.size(); ++i)
        AddressFile::EncodeRecord(*list.at(i), out.data() + i * AddressFile::RecordSize);
    return out;
}

std::size_t oddIn(const std::vector<char>& bytes)
{
    std::size_t odd = 0;
    for (std::size_t at = 0; at + AddressFile::RecordSize <= bytes.size();
         at += AddressFile::RecordSize)
        odd += RecordCheck::isOdd(bytes.data() + at) ? 1 : 0;
    return odd;
}

void row(const char* what, std::size_t records, std::size_t odd)
{
    std::printf("%-44s %9zu %9zu %8.4f%%\n", what, records, odd,
                records ? 100.0 * double(odd) / double(records) : 0.0);
}

} // namespace

int main()
{
    std::printf("Records taken for odd (a book is reported damaged when any is)\n");
    std::printf("%-44s %9s %9s %9s\n", "file", "records", "odd", "share");

    // False alarms: books as the program writes them, many seeds, both name sets.
    std::size_t books = 0;
    std::size_t records = 0;
    std::size_t odd = 0;
    std::size_t flaggedBooks = 0;
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        RecordList list;
        AddressBookGenerator generator(seed);
        generator.setCommonNames(seed % 2 == 0);
        generator.fill(list, 500);
        const std::size_t n = oddIn(encoded(list));
        ++books;
        records += list.size();
        odd += n;
        flaggedBooks += n ? 1 : 0;
    }
    row("generated books (400 x 500 contacts)", records, odd);
    std::printf("%-44s %9zu %9zu\n", "  books reported damaged", books, flaggedBooks);

    // Files that are no address book.
    std::mt19937 random(2026);
    std::vector<char> noise(20000 * AddressFile::RecordSize);
    for (char& c : noise)
        c = char(random());
    row("random bytes", 20000, oddIn(noise));
    std::vector<char> sparse(noise);
    for (std::size_t i = 0; i < sparse.size(); ++i) {
        if (random() % 4 != 0)
            sparse[i] = 0; // three bytes in four zero, as in many binary formats
    }
    row("random bytes, three in four zero", 20000, oddIn(sparse));
    std::string text;
    const std::string line =
        "山田 太郎,taro@example.jp,150-0041,東京都渋谷区神南1-1,03-1234-5678\r\n";
    while (text.size() < 2000 * AddressFile::RecordSize)
        text += line;
    row("a UTF-8 CSV file", 2000,
        oddIn(std::vector<char>(text.begin(), text.begin() + 2000 * AddressFile::RecordSize)));
    row("zero-filled blocks", 2000, oddIn(std::vector<char>(2000 * AddressFile::RecordSize, 0)));
    std::string utf16;
    for (char c : std::string("Name,E-mail Address,Business Phone\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    std::string utf16Text;
    while (utf16Text.size() < 200 * AddressFile::RecordSize)
        utf16Text += utf16;
    row("UTF-16 text, ASCII only (not recognised)", 200,
        oddIn(std::vector<char>(utf16Text.begin(),
                                utf16Text.begin() + 200 * AddressFile::RecordSize)));

    // Cost: the check over 100,000 records beside the load of the same book.
    RecordList big;
    AddressBookGenerator generator;
    generator.fill(big, 100000);
    const std::vector<char> bytes = encoded(big);
    const std::string dir = Bench::scratchDir();
    const std::string file = dir + "/Address.vok";
    if (AddressFile::Save(file, big) != AddressFile::Status::Ok)
        return 1;
    std::size_t seen = 0;
    const double check = Bench::best(5, [&] { seen = oddIn(bytes); });
    const double load = Bench::best(5, [&] {
        RecordList list;
        AddressFile::Load(file, list);
    });
    std::printf("\n100,000 contacts: the check %.1f ms, the whole load (check included) %.1f ms "
                "(%.0f%%); odd %zu\n",
                check * 1e3, load * 1e3, 100.0 * check / load, seen);
    std::remove(file.c_str());
    ::rmdir(dir.c_str());
    return odd == 0 ? 0 : 1;
}
