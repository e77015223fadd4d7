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
// than maxSize, EISDIR for a folder, EINVAL for anything else that is no regular file.
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
    WriteFailed,  // the writing failed on the way; a file that stood there is left as it was
};
// Creates or replaces the file with the bytes, as replaceFile does: a failure leaves the old
// file, and a new file is readable by the user alone. A FIFO or a device in the file's place
// (a pipe, /dev/stdout) is written straight away.
WriteStatus writeFile(const std::string& path, std::string_view data);
// Asked once the text is all there: false fails the write (its source broke off), and the file
// that stood there stays.
using Completion = std::function<bool()>;
// The same with the text that `appendNext` adds, called until it returns false, written out a
// megabyte at a time, so that a large file is never whole in memory.
WriteStatus writeStreamed(const std::string& path,
                          const std::function<bool(std::string& out)>& appendNext,
                          const Completion& complete = {});

// True when both paths name the same file: the same file system object where both exist (a
// link or another spelling of the path), else the same place once the folders are resolved.
bool sameFile(const std::string& a, const std::string& b);

} // namespace FileIo
