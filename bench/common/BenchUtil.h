#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// What the benchmarks share: a scratch folder, timing, the plain file I/O that every figure is
// compared with, and the resident memory of the process.
namespace Bench {

inline std::string scratchDir()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vok-bench-XXXXXX";
    if (!::mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return dir;
}

// Seconds taken by the fastest of `runs` calls; `before` runs untimed ahead of each call.
template <typename Before, typename F> double best(int runs, Before before, F f)
{
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        before();
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        if (d.count() < fastest)
            fastest = d.count();
    }
    return fastest;
}

template <typename F> double best(int runs, F f)
{
    return best(
        runs, [] {}, f);
}

inline std::vector<char> readFile(const std::string& path)
{
    std::vector<char> data;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return data;
    struct stat st
    {
    };
    ::fstat(fd, &st);
    data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    data.resize(got);
    ::close(fd);
    return data;
}

// Reads the file into a buffer that already exists (its pages touched), as a reader with a
// reused buffer would; returns the bytes read.
inline std::size_t readInto(const std::string& path, std::vector<char>& buffer)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return got;
}

// Writes the bytes to a new file; with `durable`, flushed to disk and renamed into place.
inline bool writeFile(const std::string& path, const std::vector<char>& data, bool durable)
{
    const std::string target = durable ? path + ".tmp" : path;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bool ok = done == data.size();
    if (durable)
        ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (durable)
        ok = ok && ::rename(target.c_str(), path.c_str()) == 0;
    return ok;
}

// CPU seconds this process has used: beside the wall time on a busy machine, where other
// programs take turns on the same cores.
inline double cpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One kB figure of /proc/self/status ("VmRSS", "VmHWM"), or -1.
inline long statusKb(const char* name)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char format[64];
    std::snprintf(format, sizeof format, "%s: %%ld kB", name);
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, format, &kb) == 1)
            break;
    }
    std::fclose(f);
    return kb;
}

// VmRSS of this process in kB.
inline long residentKb()
{
    return statusKb("VmRSS");
}

inline const char* verdict(bool ok)
{
    return ok ? "ok" : "MISSED";
}

} // namespace Bench
