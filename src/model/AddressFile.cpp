#include "AddressFile.h"

#include "AddressRecord.h"
#include "Cp932.h"
#include "FileIo.h"
#include "RecordList.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBatch = 256; // records per read or write call

} // namespace

void AddressFile::EncodeRecord(const AddressRecord& record, char* out)
{
    std::memset(out, 0, RecordSize);
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        const std::string_view text = Cp932::cutAtBoundary(record.field(i), SlotWidth[i] - 1);
        std::memcpy(out, text.data(), text.size());
        out += SlotWidth[i];
    }
}

void AddressFile::DecodeRecord(const char* in, AddressRecord& record)
{
    std::array<std::string_view, AddressRecord::FieldCount> fields;
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        const void* zero = std::memchr(in, 0, SlotWidth[i]);
        const std::size_t len =
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - in) : SlotWidth[i];
        fields[i] = std::string_view(in, len);
        in += SlotWidth[i];
    }
    record.assign(fields);
}

AddressFile::Status AddressFile::Load(const std::string& path, RecordList& list)
{
    // Non-blocking, so that a FIFO in the file's place cannot hang the start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? Status::Missing : Status::ReadError;

    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::ReadError;
    }
    list.reserve(list.size() + static_cast<std::size_t>(st.st_size) / RecordSize);

    std::vector<char> buffer(RecordSize * kBatch);
    Status status = Status::Ok;
    for (;;) {
        const ssize_t got = FileIo::readFull(fd, buffer.data(), buffer.size());
        if (got < 0) {
            status = Status::ReadError;
            break;
        }
        const std::size_t whole = static_cast<std::size_t>(got) / RecordSize;
        for (std::size_t i = 0; i < whole; ++i) {
            auto record = std::make_unique<AddressRecord>();
            DecodeRecord(buffer.data() + i * RecordSize, *record);
            list.AppendRecord(std::move(record));
        }
        if (static_cast<std::size_t>(got) < buffer.size())
            break; // end of file; a partial record there is ignored
    }
    ::close(fd);
    return status;
}

AddressFile::Status AddressFile::Save(const std::string& path, const RecordList& list)
{
    const bool ok = FileIo::replaceFile(path, [&list](int fd) {
        std::vector<char> buffer(RecordSize * kBatch);
        std::size_t filled = 0;
        for (const auto& record : list) {
            EncodeRecord(*record, buffer.data() + filled);
            filled += RecordSize;
            if (filled == buffer.size()) {
                if (!FileIo::writeAll(fd, buffer.data(), filled))
                    return false;
                filled = 0;
            }
        }
        return filled == 0 || FileIo::writeAll(fd, buffer.data(), filled);
    });
    return ok ? Status::Ok : Status::WriteError;
}
