#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

// Whole reads and writes on a file descriptor, through interrupted and short transfers.
namespace FileIo {

// False on any error, or when the file takes no more bytes.
bool writeAll(int fd, const char* data, std::size_t size);
// Reads up to size bytes; returns how many came (fewer only at the end), or -1 on an error.
ssize_t readFull(int fd, char* data, std::size_t size);

// Reads a whole regular file, opened without blocking so that a FIFO in its place cannot hang
// the caller. Returns 0, or an errno value: ENOENT for a missing file, EFBIG for one larger
// than maxSize, EINVAL for something that is no regular file.
int readFile(const std::string& path, std::string& data, std::size_t maxSize = ~std::size_t(0));
// The same, a megabyte at a time, telling how many bytes of how many have come.
int readFile(const std::string& path, std::string& data, std::size_t maxSize,
             const std::function<void(std::uint64_t done, std::uint64_t total)>& progress);

// Replaces the file at path so that a crash or a full disk never leaves a half-written one
// (AtomicFile::replace, without a backup).
bool replaceFile(const std::string& path, const std::function<bool(int fd)>& write);

enum class WriteStatus
{
    Ok,
    CreateFailed, // nothing written
    WriteFailed,  // what was written before the failure stays in the file
};
// Creates or replaces the file with the bytes.
WriteStatus writeFile(const std::string& path, std::string_view data);
// Creates or replaces the file with the text that `appendNext` adds, called until it returns
// false, written out a megabyte at a time, so that a large file is never whole in memory.
WriteStatus writeStreamed(const std::string& path,
                          const std::function<bool(std::string& out)>& appendNext);

} // namespace FileIo
