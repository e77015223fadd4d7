#pragma once

#include <cstddef>
#include <sys/types.h>

// Whole reads and writes on a file descriptor, through interrupted and short transfers.
namespace FileIo {

// False on any error, or when the file takes no more bytes.
bool writeAll(int fd, const char* data, std::size_t size);
// Reads up to size bytes; returns how many came (fewer only at the end), or -1 on an error.
ssize_t readFull(int fd, char* data, std::size_t size);

} // namespace FileIo
