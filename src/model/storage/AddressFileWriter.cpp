#include "AddressFileWriter.h"

#include "model/book/BookSnapshot.h"
#include "model/io/AtomicFile.h"
#include "model/io/PrivateDir.h"

#include <cerrno>
#include <cstdio>
#include <utility>

AddressFileWriter::AddressFileWriter(std::string path, bool keepOlderBackup)
    : m_path(std::move(path)), m_keepOlderBackup(keepOlderBackup)
{
}

AddressFile::Status AddressFileWriter::Write(const BookSnapshot& snapshot)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_written && snapshot.revision() < m_revision)
        return AddressFile::Status::Ok;
    if (!PrivateDir::createFor(m_path))
        return AddressFile::Status::WriteError;
    if (!m_written && m_keepOlderBackup &&
        ::rename(AtomicFile::backupPath(m_path).c_str(),
                 AtomicFile::olderBackupPath(m_path).c_str()) != 0 &&
        errno != ENOENT)
        return AddressFile::Status::WriteError;
    const AddressFile::Status status = AddressFile::Save(m_path, snapshot, !m_written);
    if (status == AddressFile::Status::Ok) {
        m_written = true;
        m_revision = snapshot.revision();
    }
    return status;
}
