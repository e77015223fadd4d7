#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Replacing a file so that a crash, a kill or a full disk at any moment leaves either the old
// file or the new one, never a mixture: the new contents go into a hidden file beside it
// (".name.XXXXXX"), which is flushed and renamed over the old one.
//
// The hidden file is locked (flock) until it has the file's name. An interrupted save leaves it
// behind unlocked, which is how removeStale() tells it from a save still running elsewhere.
namespace AtomicFile {

// write() fills the new file; on any failure, write() returning false included, the old file
// stays as it was and the new one is removed. A symbolic link stays a link (what it points to
// is replaced), and the new file keeps the old one's permissions. With keepBackup, the file
// being replaced is kept as "<name>.bak" beside it first (itself replaced atomically); a
// backup that cannot be made fails the whole replacement.
bool replace(const std::string& path, const std::function<bool(int fd)>& write,
             bool keepBackup = false);

// The name the backup of path gets.
std::string backupPath(const std::string& path);
// The name an older backup moves to when a damaged file takes the backup's place.
std::string olderBackupPath(const std::string& path);

// Removes the hidden files of interrupted replacements of path: ours by name and owner, and
// locked by nobody. Returns how many went.
std::size_t removeStale(const std::string& path);

// Tests take the copying road that file systems without hard links need.
void setHardLinksForTesting(bool allowed);
// The moments at which another copy may look at the hidden files.
enum class Step
{
    Created, // a hidden file has its name, not yet its lock
    Kept,    // the backup is written under a hidden name, not yet renamed
    Flushed, // the new file is written, not yet renamed
};
// Tests look at the files at each of these moments.
void setStepForTesting(std::function<void(Step)> look);

} // namespace AtomicFile
