#include "FileIo.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
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
        error = EINVAL;
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

WriteStatus writeFile(const std::string& path, std::string_view data)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return WriteStatus::CreateFailed;
    bool ok = writeAll(fd, data.data(), data.size());
    if (::close(fd) != 0)
        ok = false;
    return ok ? WriteStatus::Ok : WriteStatus::WriteFailed;
}

WriteStatus writeStreamed(const std::string& path,
                          const std::function<bool(std::string& out)>& appendNext)
{
    constexpr std::size_t chunk = std::size_t(1) << 20;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return WriteStatus::CreateFailed;
    std::string buffer;
    buffer.reserve(chunk + 8192);
    bool ok = true;
    while (ok && appendNext(buffer)) {
        if (buffer.size() >= chunk) {
            ok = writeAll(fd, buffer.data(), buffer.size());
            buffer.clear();
        }
    }
    if (ok && !buffer.empty())
        ok = writeAll(fd, buffer.data(), buffer.size());
    if (::close(fd) != 0)
        ok = false;
    return ok ? WriteStatus::Ok : WriteStatus::WriteFailed;
}

} // namespace FileIo
