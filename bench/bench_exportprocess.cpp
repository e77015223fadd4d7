// The whole `VOK_Address --export FILE --format vcard3` as a process (start, reading the saved
// book, writing the vCards, exit) beside the same conversion by another address book on this
// machine, `abook --convert --outformat vcard`, of the same contacts, in the same run. The
// contacts go to abook in its own file format, each value in abook's nearest field.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"

#include <csignal>
#include <cstring>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// abook gives up on nothing, but a run that takes longer than this is reported as where it
// stops being usable.
constexpr double kAbookLimitSeconds = 300;

struct Run
{
    double wall = 0; // seconds
    double cpu = 0;  // user and system time of the process
    bool ok = false;
    bool timedOut = false;
};

std::optional<std::string> onPath(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + '/' + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// Runs the program with the extra environment, waiting at most `limit` seconds.
Run runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
               double limit)
{
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& x : extraEnv)
            overridden = overridden || x.compare(0, key.size() + 1, key + '=') == 0;
        if (!overridden)
            env.push_back(entry);
    }
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Run run;
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        run.wall = d.count();
        if (done == pid)
            break;
        if (run.wall > limit) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            run.timedOut = true;
            return run;
        }
        ::usleep(run.wall < 1 ? 200 : 5000);
    }
    run.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// abook refuses to replace its output file: each run starts without it.
Run bestOf(int runs, const std::vector<std::string>& argv, const std::vector<std::string>& env,
           const std::string& output, double limit)
{
    Run best;
    best.wall = 1e9;
    for (int i = 0; i < runs; ++i) {
        std::remove(output.c_str());
        const Run r = runProcess(argv, env, limit);
        if (!r.ok)
            return r;
        if (r.wall < best.wall)
            best = r;
    }
    return best;
}

std::string utf8Line(std::string_view cp932)
{
    std::string text = Cp932::toUtf8(cp932);
    // abook keeps one line per value.
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, ", ");
    return text;
}

// The contacts in abook's own file format.
bool writeAbook(const std::string& path, const RecordList& book)
{
    using R = AddressRecord;
    std::ofstream out(path, std::ios::binary);
    out << "[format]\nprogram=abook\nversion=0.6.1\n\n";
    std::size_t n = 0;
    for (const auto& r : book) {
        std::string email = utf8Line(r->email());
        if (!r->officeEmail().empty())
            email += (email.empty() ? "" : ",") + utf8Line(r->officeEmail());
        std::string notes = utf8Line(r->memo());
        for (const int f : {R::Company, R::OfficePostalCode, R::OfficeFax, R::OfficeMemo}) {
            if (!r->field(f).empty())
                notes += (notes.empty() ? "" : " / ") + utf8Line(r->field(f));
        }
        out << '[' << n++ << "]\nname=" << utf8Line(r->name()) << "\nemail=" << email
            << "\naddress=" << utf8Line(r->address())
            << "\naddress2=" << utf8Line(r->officeAddress())
            << "\nzip=" << utf8Line(r->postalCode()) << "\nphone=" << utf8Line(r->phone())
            << "\nworkphone=" << utf8Line(r->officePhone()) << "\nfax=" << utf8Line(r->fax())
            << "\nmobile=" << utf8Line(r->mobilePhone()) << "\nnotes=" << notes
            << "\ngroups=" << utf8Line(r->group()) << "\n\n";
    }
    return bool(out);
}

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
    const std::optional<std::string> abook = onPath("abook");
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
            !writeAbook(dir + "/book.abook", book)) {
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
            bestOf(3, {program, "--export", vokOut, "--format", "vcard3"}, env, vokOut, 600);
        const Run other =
            bestOf(3,
                   {*abook, "--convert", "--informat", "abook", "--infile", dir + "/book.abook",
                    "--outformat", "vcard", "--outfile", abookOut},
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
