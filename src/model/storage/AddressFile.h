#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

class AddressRecord;
class BookSnapshot;
class RecordList;

// Address.vok: a headerless sequence of 1684-byte records, sixteen zero-terminated CP932 slots
// each. Other programs and older copies read this layout, so it never changes.
class AddressFile
{
public:
    static constexpr std::size_t RecordSize = 1684;

    enum class Status
    {
        Ok,
        Missing,    // no file yet: an empty address book, nothing to report
        ReadError,  // the file exists but could not be read
        WriteError, // the new file could not be written; the old one is untouched
    };

    // What a load found besides the records.
    struct LoadReport
    {
        int error = 0;                 // with ReadError: the errno (EINVAL: no regular file)
        std::size_t records = 0;       // whole records in the file
        std::size_t trailingBytes = 0; // a partial record at the end, ignored
        std::size_t oddRecords = 0;    // records no writer of the format makes (RecordCheck)
        // Not one record looked like a contact.
        bool notAnAddressBook() const { return records != 0 && oddRecords == records; }
    };
    // Appends every whole record of the file to the list; a trailing partial record is ignored.
    static Status Load(const std::string& path, RecordList& list, LoadReport* report = nullptr);
    // Replaces the file atomically: a new file beside it, flushed, then renamed over the old one.
    static Status Save(const std::string& path, const RecordList& list);
    // The same from a snapshot; with keepBackup the replaced file stays as "Address.vok.bak".
    static Status Save(const std::string& path, const BookSnapshot& snapshot, bool keepBackup);

    // One record in its file layout; text longer than a slot is cut at a character boundary.
    static void EncodeRecord(const AddressRecord& record, char* out);
    static void EncodeFields(const std::array<std::string_view, 16>& fields, char* out);
    static void DecodeRecord(const char* in, AddressRecord& record);
    // A record's slots as the file holds them, each up to its terminating zero.
    static std::array<std::string_view, 16> RecordFields(const char* in);
};
