#pragma once

#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/text/Cp932.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// Running another program from a benchmark: the program itself, or another address book on this
// machine (abook) beside it on the same contacts.
namespace Bench {

struct Run
{
    double wall = 0; // seconds
    double cpu = 0;  // user and system time of the process
    bool ok = false;
    bool timedOut = false;
};

inline std::optional<std::string> onPath(const char* name)
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
inline Run runProcess(const std::vector<std::string>& argv,
                      const std::vector<std::string>& extraEnv, double limit,
                      const std::string& out = "/dev/null")
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
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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
inline Run bestOf(int runs, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env, const std::string& output, double limit)
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

inline std::string utf8Line(std::string_view cp932)
{
    std::string text = Cp932::toUtf8(cp932);
    // abook keeps one line per value.
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, ", ");
    return text;
}

// The contacts in abook's own file format.
inline bool writeAbook(const std::string& path, const RecordList& book)
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

} // namespace Bench
