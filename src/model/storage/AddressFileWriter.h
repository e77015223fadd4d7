#pragma once

#include "AddressFile.h"

#include <cstdint>
#include <mutex>
#include <string>

class BookSnapshot;

// The one way Address.vok is written during a run, from whichever thread: writes never overlap,
// an older snapshot never replaces a newer one, and the first write of the run keeps the file
// it replaces as "Address.vok.bak" (its missing folders are created private first).
class AddressFileWriter
{
public:
    // keepOlderBackup: the file was loaded damaged, so the backup it is about to become may be
    // older and whole; that one moves to "Address.vok.bak.1" instead of being lost.
    explicit AddressFileWriter(std::string path, bool keepOlderBackup = false);

    const std::string& path() const { return m_path; }
    // Ok without writing when a newer snapshot is on disk already.
    AddressFile::Status Write(const BookSnapshot& snapshot);

private:
    std::mutex m_mutex;
    const std::string m_path;
    bool m_written = false; // something was written in this run, so the backup is kept
    const bool m_keepOlderBackup;
    std::uint64_t m_revision = 0;
};
