#include "AddressFileReader.h"

#include "model/io/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records per read call: the buffer stays in the processor's cache between the read and the
// decoding.
constexpr std::size_t kBatch = 32;

} // namespace

AddressFileReader::AddressFileReader(const std::string& path)
{
    // Non-blocking, so that a FIFO in the file's place cannot hang the reader.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        m_status = errno == ENOENT ? AddressFile::Status::Missing : AddressFile::Status::ReadError;
        return;
    }
    struct stat st
    {
    };
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_status = AddressFile::Status::ReadError;
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_buffer.resize(AddressFile::RecordSize * kBatch);
}

AddressFileReader::~AddressFileReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

const AddressRecord* AddressFileReader::next()
{
    const char* bytes = nextBytes();
    if (!bytes)
        return nullptr;
    AddressFile::DecodeRecord(bytes, m_record);
    return &m_record;
}

const char* AddressFileReader::nextBytes()
{
    if (m_at == m_have) {
        if (m_fd < 0 || m_end)
            return nullptr;
        const ssize_t got = FileIo::readFull(m_fd, m_buffer.data(), m_buffer.size());
        if (got < 0) {
            m_status = AddressFile::Status::ReadError;
            m_end = true;
            return nullptr;
        }
        m_end = static_cast<std::size_t>(got) < m_buffer.size();
        m_have = static_cast<std::size_t>(got) / AddressFile::RecordSize;
        m_at = 0;
        if (m_have == 0)
            return nullptr;
    }
    return m_buffer.data() + m_at++ * AddressFile::RecordSize;
}
