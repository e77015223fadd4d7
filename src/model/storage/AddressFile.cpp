#include "AddressFile.h"

#include "RecordCheck.h"
#include "model/book/AddressRecord.h"
#include "model/book/BookSnapshot.h"
#include "model/book/RecordList.h"
#include "model/io/AtomicFile.h"
#include "model/io/FileIo.h"
#include "model/text/Cp932.h"

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

// Writes count records in their file layout, encode(i, out) filling record i.
template <typename Encode> bool writeRecords(int fd, std::size_t count, Encode encode)
{
    std::vector<char> buffer(AddressFile::RecordSize * kBatch);
    std::size_t filled = 0;
    for (std::size_t i = 0; i < count; ++i) {
        encode(i, buffer.data() + filled);
        filled += AddressFile::RecordSize;
        if (filled == buffer.size()) {
            if (!FileIo::writeAll(fd, buffer.data(), filled))
                return false;
            filled = 0;
        }
    }
    return filled == 0 || FileIo::writeAll(fd, buffer.data(), filled);
}

} // namespace

void AddressFile::EncodeRecord(const AddressRecord& record, char* out)
{
    std::array<std::string_view, AddressRecord::FieldCount> fields;
    for (int i = 0; i < AddressRecord::FieldCount; ++i)
        fields[i] = record.field(i);
    EncodeFields(fields, out);
}

void AddressFile::EncodeFields(const std::array<std::string_view, 16>& fields, char* out)
{
    std::memset(out, 0, RecordSize);
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        const std::string_view text =
            Cp932::cutAtBoundary(fields[i], AddressRecord::SlotWidth[i] - 1);
        std::memcpy(out, text.data(), text.size());
        out += AddressRecord::SlotWidth[i];
    }
}

std::array<std::string_view, 16> AddressFile::RecordFields(const char* in)
{
    static_assert(AddressRecord::FieldCount == 16);
    std::array<std::string_view, AddressRecord::FieldCount> fields;
    for (int i = 0; i < AddressRecord::FieldCount; ++i) {
        const void* zero = std::memchr(in, 0, AddressRecord::SlotWidth[i]);
        const std::size_t len = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - in)
                                     : AddressRecord::SlotWidth[i];
        fields[i] = std::string_view(in, len);
        in += AddressRecord::SlotWidth[i];
    }
    return fields;
}

void AddressFile::DecodeRecord(const char* in, AddressRecord& record)
{
    record.assign(RecordFields(in));
}

AddressFile::Status AddressFile::Load(const std::string& path, RecordList& list, LoadReport* report)
{
    LoadReport found;
    const auto done = [&](Status status) {
        if (report)
            *report = found;
        return status;
    };
    // Non-blocking, so that a FIFO in the file's place cannot hang the start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        found.error = errno;
        return done(errno == ENOENT ? Status::Missing : Status::ReadError);
    }

    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        found.error = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return done(Status::ReadError);
    }
    list.reserve(list.size() + static_cast<std::size_t>(st.st_size) / RecordSize);

    std::vector<char> buffer(RecordSize * kBatch);
    Status status = Status::Ok;
    for (;;) {
        const ssize_t got = FileIo::readFull(fd, buffer.data(), buffer.size());
        if (got < 0) {
            found.error = errno;
            status = Status::ReadError;
            break;
        }
        const std::size_t whole = static_cast<std::size_t>(got) / RecordSize;
        for (std::size_t i = 0; i < whole; ++i) {
            const char* bytes = buffer.data() + i * RecordSize;
            if (RecordCheck::isOdd(bytes))
                ++found.oddRecords;
            auto record = std::make_unique<AddressRecord>();
            DecodeRecord(bytes, *record);
            list.AppendRecord(std::move(record));
        }
        found.records += whole;
        if (static_cast<std::size_t>(got) < buffer.size()) {
            // End of file; a partial record there is ignored.
            found.trailingBytes = static_cast<std::size_t>(got) % RecordSize;
            break;
        }
    }
    ::close(fd);
    return done(status);
}

AddressFile::Status AddressFile::Save(const std::string& path, const RecordList& list)
{
    const bool ok = AtomicFile::replace(path, [&list](int fd) {
        return writeRecords(fd, list.size(),
                            [&list](std::size_t i, char* out) { EncodeRecord(*list.at(i), out); });
    });
    return ok ? Status::Ok : Status::WriteError;
}

AddressFile::Status AddressFile::Save(const std::string& path, const BookSnapshot& snapshot,
                                      bool keepBackup)
{
    const bool ok = AtomicFile::replace(
        path,
        [&snapshot](int fd) {
            return writeRecords(fd, snapshot.size(), [&snapshot](std::size_t i, char* out) {
                EncodeFields(snapshot.fields(i), out);
            });
        },
        keepBackup);
    return ok ? Status::Ok : Status::WriteError;
}
