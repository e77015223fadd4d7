#include "FileIo.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIo {

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ssize_t readFull(int fd, char* data, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

int readFile(const std::string& path, std::string& data, std::size_t maxSize)
{
    return readFile(path, data, maxSize, {});
}

int readFile(const std::string& path, std::string& data, std::size_t maxSize,
             const std::function<void(std::uint64_t done, std::uint64_t total)>& progress)
{
    data.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st
    {
    };
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    else if (static_cast<std::size_t>(st.st_size) > maxSize)
        error = EFBIG;
    if (error == 0) {
        data.resize(static_cast<std::size_t>(st.st_size));
        constexpr std::size_t piece = std::size_t(1) << 20;
        std::size_t done = 0;
        while (done < data.size()) {
            const std::size_t want =
                progress ? std::min(piece, data.size() - done) : data.size() - done;
            const ssize_t got = readFull(fd, data.data() + done, want);
            if (got < 0) {
                error = errno;
                done = 0;
                break;
            }
            done += static_cast<std::size_t>(got);
            if (progress)
                progress(done, data.size());
            if (static_cast<std::size_t>(got) < want)
                break; // the file got shorter meanwhile
        }
        data.resize(done);
    }
    ::close(fd);
    return error;
}

bool replaceFile(const std::string& path, const std::function<bool(int fd)>& write)
{
    return AtomicFile::replace(path, write);
}

namespace {

// Writes the text appendNext gives, a megabyte at a time.
bool streamTo(int fd, const std::function<bool(std::string& out)>& appendNext)
{
    constexpr std::size_t chunk = std::size_t(1) << 20;
    std::string buffer;
    buffer.reserve(chunk + 8192);
    bool ok = true;
    while (ok && appendNext(buffer)) {
        if (buffer.size() >= chunk) {
            ok = writeAll(fd, buffer.data(), buffer.size());
            buffer.clear();
        }
    }
    return ok && (buffer.empty() || writeAll(fd, buffer.data(), buffer.size()));
}

// Something other than a regular file stands at path: a pipe or a device takes the bytes as
// they come, and there is no old file to keep.
bool isStream(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::string resolvedPlace(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    char* real = ::realpath(dir.c_str(), nullptr);
    if (!real)
        return path;
    std::string out = real;
    std::free(real);
    return out + "/" + base;
}

} // namespace

WriteStatus writeFile(const std::string& path, std::string_view data)
{
    bool done = false;
    return writeStreamed(path, [&](std::string& out) {
        if (done)
            return false;
        out.append(data);
        done = true;
        return true;
    });
}

WriteStatus writeStreamed(const std::string& path,
                          const std::function<bool(std::string& out)>& appendNext,
                          const Completion& complete)
{
    if (isStream(path)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return WriteStatus::CreateFailed;
        bool ok = streamTo(fd, appendNext) && (!complete || complete());
        if (::close(fd) != 0)
            ok = false;
        return ok ? WriteStatus::Ok : WriteStatus::WriteFailed;
    }
    bool started = false;
    const bool ok = AtomicFile::replace(path, [&](int fd) {
        started = true;
        return streamTo(fd, appendNext) && (!complete || complete());
    });
    return ok ? WriteStatus::Ok : started ? WriteStatus::WriteFailed : WriteStatus::CreateFailed;
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    const bool hasA = ::stat(a.c_str(), &sa) == 0;
    const bool hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA != hasB)
        return false;
    return resolvedPlace(a) == resolvedPlace(b);
}

} // namespace FileIo
