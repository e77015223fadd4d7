// The whole `VOK_Address --export FILE --format vcard3` as a process (start, reading the saved
// book, writing the vCards, exit) beside the same conversion by another address book on this
// machine, `abook --convert --outformat vcard`, of the same contacts, in the same run. The
// contacts go to abook in its own file format, each value in abook's nearest field.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "ProcessRun.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"

#include <optional>
#include <string>
#include <vector>

namespace {

using Bench::Run;

// abook gives up on nothing, but a run that takes longer than this is reported as where it
// stops being usable.
constexpr double kAbookLimitSeconds = 300;

std::size_t countCards(const std::string& path)
{
    const std::vector<char> bytes = Bench::readFile(path);
    const std::string_view text(bytes.data(), bytes.size());
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find("BEGIN:VCARD", at)) != std::string_view::npos; ++at)
        ++count;
    return count;
}

} // namespace

int main()
{
    const std::optional<std::string> abook = Bench::onPath("abook");
    if (!abook) {
        std::printf("abook is not installed (Debian package abook): the comparison is skipped\n");
        return 0;
    }
    const std::string program = VOK_PROGRAM_PATH;
    std::printf("--export as a process beside abook --convert, vCard, best of 3 runs "
                "(wall time; processor time in brackets)\n");
    std::printf("%9s %22s %22s %12s %s\n", "contacts", "VOK_Address --export", "abook --convert",
                "ratio (cpu)", "goal: at most half");
    for (const std::size_t count : {std::size_t(1000), std::size_t(10000), std::size_t(100000)}) {
        const std::string dir = Bench::scratchDir();
        for (const char* sub : {"/data", "/home", "/home/.config", "/run"})
            ::mkdir((dir + sub).c_str(), 0700);
        RecordList book;
        AddressBookGenerator generator;
        generator.fill(book, count);
        if (AddressFile::Save(dir + "/data/Address.vok", book) != AddressFile::Status::Ok ||
            !Bench::writeAbook(dir + "/book.abook", book)) {
            std::fprintf(stderr, "cannot write the books\n");
            return 1;
        }
        const std::vector<std::string> env = {"VOK_ADDRESS_DIR=" + dir + "/data",
                                              "HOME=" + dir + "/home",
                                              "XDG_CONFIG_HOME=" + dir + "/home/.config",
                                              "XDG_RUNTIME_DIR=" + dir + "/run",
                                              "LANG=C.UTF-8",
                                              "LC_ALL=C.UTF-8"};
        const std::string vokOut = dir + "/vok.vcf";
        const std::string abookOut = dir + "/abook.vcf";
        const Run vok =
            Bench::bestOf(3, {program, "--export", vokOut, "--format", "vcard3"}, env, vokOut, 600);
        const Run other =
            Bench::bestOf(3,
                          {*abook, "--convert", "--informat", "abook", "--infile",
                           dir + "/book.abook", "--outformat", "vcard", "--outfile", abookOut},
                          env, abookOut, kAbookLimitSeconds);
        const bool vokRight = vok.ok && countCards(vokOut) == count;
        const bool abookRight = other.ok && countCards(abookOut) == count;
        char vokText[64], abookText[64];
        std::snprintf(vokText, sizeof vokText, "%.3f s (%.3f s)%s", vok.wall, vok.cpu,
                      vokRight ? "" : " FAILED");
        if (other.timedOut)
            std::snprintf(abookText, sizeof abookText, "> %.0f s, stopped", kAbookLimitSeconds);
        else
            std::snprintf(abookText, sizeof abookText, "%.3f s (%.3f s)%s", other.wall, other.cpu,
                          abookRight ? "" : " FAILED");
        if (abookRight && vokRight)
            std::printf("%9zu %22s %22s %5.2fx (%.2fx) %s\n", count, vokText, abookText,
                        vok.wall / other.wall, vok.cpu / other.cpu,
                        Bench::verdict(vok.wall * 2 <= other.wall));
        else
            std::printf("%9zu %22s %22s %12s %s\n", count, vokText, abookText, "-",
                        other.timedOut ? "abook stops at this size" : "no comparison");
        for (const std::string& f :
             {vokOut, abookOut, dir + "/book.abook", dir + "/data/Address.vok"})
            std::remove(f.c_str());
        for (const char* sub :
             {"/home/.config/VOK System", "/home/.config", "/home", "/data", "/run", ""})
            ::rmdir((dir + sub).c_str());
    }
    return 0;
}
