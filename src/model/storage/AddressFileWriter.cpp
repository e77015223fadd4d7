#include "AddressFileWriter.h"

#include "model/book/BookSnapshot.h"
#include "model/io/AtomicFile.h"
#include "model/io/PrivateDir.h"

#include <cerrno>
#include <cstdio>
#include <utility>

namespace {

// A damaged file may be the only whole copy: the backup already there moves aside first.
bool moveOlderBackup(const std::string& path)
{
    return ::rename(AtomicFile::backupPath(path).c_str(),
                    AtomicFile::olderBackupPath(path).c_str()) == 0 ||
           errno == ENOENT;
}

} // namespace

AddressFileWriter::AddressFileWriter(std::string path, bool keepOlderBackup,
                                     bool keepOlderCompanionBackup)
    : m_path(std::move(path)), m_keepOlderBackup(keepOlderBackup),
      m_keepOlderCompanionBackup(keepOlderCompanionBackup)
{
}

void AddressFileWriter::setAside(std::vector<CompanionFile::Entry> aside)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_aside = std::move(aside);
}

AddressFile::Status AddressFileWriter::Write(const BookSnapshot& snapshot)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_companionWritten && snapshot.revision() < m_revision)
        return AddressFile::Status::Ok;
    if (!PrivateDir::createFor(m_path))
        return AddressFile::Status::WriteError;
    // The file on disk holds the records as loaded (revision 0) until the first write; extras
    // and groups alone leave it as it is.
    if (snapshot.recordsRevision() != m_recordsRevision) {
        if (!m_written && m_keepOlderBackup && !moveOlderBackup(m_path))
            return AddressFile::Status::WriteError;
        const AddressFile::Status status = AddressFile::Save(m_path, snapshot, !m_written);
        if (status != AddressFile::Status::Ok)
            return status;
        m_written = true;
        m_recordsRevision = snapshot.recordsRevision();
    }
    const std::string companion = CompanionFile::pathFor(m_path);
    if (!m_companionWritten && m_keepOlderCompanionBackup && !moveOlderBackup(companion))
        return AddressFile::Status::WriteError;
    if (!CompanionFile::Save(companion, snapshot, m_aside, !m_companionWritten))
        return AddressFile::Status::WriteError;
    m_companionWritten = true;
    m_revision = snapshot.revision();
    return AddressFile::Status::Ok;
}
