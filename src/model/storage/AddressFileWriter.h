#pragma once

#include "AddressFile.h"
#include "CompanionFile.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class BookSnapshot;

// The one way Address.vok and its companion file are written during a run, from whichever
// thread: writes never overlap, an older snapshot never replaces a newer one, and the first
// write of the run keeps the files it replaces as "Address.vok.bak" and "Address.vok.extra.bak"
// (their missing folders are created private first). The book goes first: a stop between the
// two leaves a companion that the next load realigns.
class AddressFileWriter
{
public:
    // keepOlderBackup: the file was loaded damaged, so the backup it is about to become may be
    // older and whole; that one moves to "Address.vok.bak.1" instead of being lost.
    explicit AddressFileWriter(std::string path, bool keepOlderBackup = false,
                               bool keepOlderCompanionBackup = false);

    const std::string& path() const { return m_path; }
    // Ok without writing when a newer snapshot is on disk already. The book's own file is
    // written only when the snapshot's records differ from what is on disk (as loaded at
    // first); the companion file every time.
    AddressFile::Status Write(const BookSnapshot& snapshot);
    // Entries of the companion file that belong to no record (kept aside at the load).
    void setAside(std::vector<CompanionFile::Entry> aside);

private:
    std::mutex m_mutex;
    const std::string m_path;
    bool m_written = false; // something was written in this run, so the backup is kept
    const bool m_keepOlderBackup;
    const bool m_keepOlderCompanionBackup;
    bool m_companionWritten = false;
    std::uint64_t m_revision = 0;
    std::uint64_t m_recordsRevision = 0; // of the records on disk; 0: as loaded
    std::vector<CompanionFile::Entry> m_aside;
};
