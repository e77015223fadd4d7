#include "AtomicFile.h"

#include "FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool g_hardLinks = true;
std::function<void(AtomicFile::Step)> g_step;

constexpr char kRandom[] = "XXXXXX";
constexpr std::size_t kRandomLength = sizeof kRandom - 1;

std::string resolved(const std::string& path)
{
    std::string out = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        out = real;
        std::free(real);
    }
    return out;
}

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".name." followed by six characters of mkstemp's alphabet.
bool isTemporaryOf(const std::string& entry, const std::string& base)
{
    const std::string prefix = "." + base + ".";
    if (entry.size() != prefix.size() + kRandomLength || entry.compare(0, prefix.size(), prefix))
        return false;
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(entry[i]);
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

void step(AtomicFile::Step at)
{
    if (g_step)
        g_step(at);
}

// Whether name still is the file open as fd.
bool stillNamed(int fd, const std::string& name)
{
    struct stat open
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &open) == 0 && ::stat(name.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// A new hidden file beside path, locked for as long as it is open. It has its name a moment
// before its lock: a copy cleaning up in that moment removes it, and another one is made.
int createTemporary(const std::string& dir, const std::string& base, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = dir + "/." + base + "." + kRandom;
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        step(AtomicFile::Step::Created);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (stillNamed(fd, name))
                return fd;
        } else if (errno != EWOULDBLOCK) {
            return fd; // a file system without locks: nothing better to be had
        }
        // Taken by the cleaner, which removes it.
        ::close(fd);
    }
    return -1;
}

bool syncAndClose(int fd)
{
    bool ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

void syncDirectory(const std::string& dir)
{
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

bool copyInto(const std::string& from, int to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return false;
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t got = FileIo::readFull(in, buffer.data(), buffer.size());
        if (got < 0 || !FileIo::writeAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            ok = got == 0;
            break;
        }
        if (static_cast<std::size_t>(got) < buffer.size())
            break;
    }
    ::close(in);
    return ok;
}

// The file as it stands becomes "<name>.bak": a second name for the same bytes where the file
// system allows it (the old file is never written again, only replaced), a copy otherwise.
bool keepAsBackup(const std::string& path, const std::string& dir, const std::string& base)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT; // nothing to keep yet
    if (!S_ISREG(st.st_mode))
        return false;
    // A save that failed after its backup left the backup as the file's second name: renaming
    // one name of a file over another does nothing, and would leave the hidden name behind.
    struct stat kept
    {
    };
    if (::stat(AtomicFile::backupPath(path).c_str(), &kept) == 0 && kept.st_dev == st.st_dev &&
        kept.st_ino == st.st_ino)
        return true;
    // The second name is the file itself: it is locked through the file until it is the
    // backup's, or a copy cleaning up would take it for an interrupted save's.
    const int original = g_hardLinks ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
    std::string temp;
    int fd = createTemporary(dir, base, temp);
    bool ok = fd >= 0 && original >= 0 && ::flock(original, LOCK_EX | LOCK_NB) == 0 &&
              ::unlink(temp.c_str()) == 0 && ::link(path.c_str(), temp.c_str()) == 0 &&
              stillNamed(original, temp);
    if (fd >= 0 && !ok) {
        ::unlink(temp.c_str());
        // The name went with the link attempt: the copy gets a fresh one.
        ::close(fd);
        fd = createTemporary(dir, base, temp);
        if (fd >= 0) {
            ::fchmod(fd, st.st_mode & 07777);
            ok = copyInto(path, fd) && ::fsync(fd) == 0;
        }
    }
    if (ok) {
        step(AtomicFile::Step::Kept);
        ok = ::rename(temp.c_str(), AtomicFile::backupPath(path).c_str()) == 0;
    }
    if (fd >= 0) {
        if (!ok)
            ::unlink(temp.c_str());
        ::close(fd); // the copy's lock holds until here
    }
    if (original >= 0)
        ::close(original);
    return ok;
}

} // namespace

namespace AtomicFile {

std::string backupPath(const std::string& path)
{
    return path + ".bak";
}

std::string olderBackupPath(const std::string& path)
{
    return backupPath(path) + ".1";
}

bool replace(const std::string& givenPath, const std::function<bool(int fd)>& write,
             bool keepBackup)
{
    const std::string path = resolved(givenPath);
    const std::string dir = directoryOf(path);
    const std::string base = baseOf(path);
    std::string temp;
    const int fd = createTemporary(dir, base, temp);
    if (fd < 0)
        return false;

    // Keep the permissions the user gave the old file.
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);

    bool ok = write(fd);
    // The lock stays with a second descriptor until the file has its name: a copy starting
    // meanwhile would take a closed, unlocked hidden file for an interrupted save's.
    const int holder = ::dup(fd);
    ok = syncAndClose(fd) && holder >= 0 && ok;
    if (ok && keepBackup)
        ok = keepAsBackup(path, dir, base);
    if (ok)
        step(Step::Flushed);
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    if (holder >= 0)
        ::close(holder);
    if (!ok)
        return false;
    // Make the rename itself durable; the file is in place either way.
    syncDirectory(dir);
    return true;
}

std::size_t removeStale(const std::string& givenPath)
{
    const std::string path = resolved(givenPath);
    const std::string dir = directoryOf(path);
    const std::string base = baseOf(path);
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return 0;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(d)) {
        if (isTemporaryOf(entry->d_name, base))
            stale.push_back(dir + "/" + entry->d_name);
    }
    ::closedir(d);

    std::size_t removed = 0;
    for (const std::string& file : stale) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st
        {
        };
        // Only our own plain files, and only those no running save holds.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(file.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

void setHardLinksForTesting(bool allowed)
{
    g_hardLinks = allowed;
}

void setStepForTesting(std::function<void(Step)> look)
{
    g_step = std::move(look);
}

} // namespace AtomicFile
