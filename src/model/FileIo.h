#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

// Whole reads and writes on a file descriptor, through interrupted and short transfers.
namespace FileIo {

// False on any error, or when the file takes no more bytes.
bool writeAll(int fd, const char* data, std::size_t size);
// Reads up to size bytes; returns how many came (fewer only at the end), or -1 on an error.
ssize_t readFull(int fd, char* data, std::size_t size);

// The whole of a regular file, when it is at most maxBytes long; false when it cannot be opened
// or read, is not a regular file (a folder, a FIFO chosen by mistake) or is larger.
bool readFile(const std::string& path, std::string& out, std::size_t maxBytes);

enum class WriteStatus
{
    Ok,
    CreateFailed, // nothing written
    WriteFailed,  // what was written before the failure stays in the file
};
// Creates or replaces the file with the bytes.
WriteStatus writeFile(const std::string& path, std::string_view data);

} // namespace FileIo
