#pragma once

#include "AddressFile.h"
#include "model/book/AddressRecord.h"

#include <string>
#include <vector>

// Address.vok read one record at a time into one reused record, for work that passes over the
// saved book once (the command line's export) without holding all of it in memory.
//
//     AddressFileReader reader(path);
//     while (const AddressRecord* r = reader.next()) ...
//     if (reader.status() == AddressFile::Status::ReadError) ...
class AddressFileReader
{
public:
    explicit AddressFileReader(const std::string& path);
    ~AddressFileReader();
    AddressFileReader(const AddressFileReader&) = delete;
    AddressFileReader& operator=(const AddressFileReader&) = delete;

    // Ok, Missing (no file: no records) or ReadError (the records before the error came).
    AddressFile::Status status() const { return m_status; }
    // The next whole record, valid until the next call; null at the end of the file or after a
    // read error. A trailing partial record is ignored, as AddressFile::Load ignores it.
    const AddressRecord* next();
    // The next whole record as the file holds it (AddressFile::RecordSize bytes, for
    // AddressFile::DecodeRecord), valid until the next call; null as next() gives null.
    const char* nextBytes();

private:
    int m_fd = -1;
    AddressFile::Status m_status = AddressFile::Status::Ok;
    std::vector<char> m_buffer;
    std::size_t m_have = 0; // whole records in the buffer
    std::size_t m_at = 0;   // the next of them
    bool m_end = false;
    AddressRecord m_record;
};
