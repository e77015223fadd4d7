#pragma once

#include "model/book/AddressRecord.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What an import from a vCard or CSV file brings: new contacts that are not in the book yet (the
// document adds them as one undoable step) and what the import summary tells the user.
struct ImportResult
{
    enum class Status
    {
        Ok,
        OpenFailed, // the file cannot be opened or read; nothing else is filled
    };
    Status status = Status::Ok;

    // The new contacts in file order: CP932, each field within its slot of the data file.
    std::vector<std::unique_ptr<AddressRecord>> records;
    // Beside each record (same index): the reading of its name in UTF-8, or empty.
    std::vector<std::string> readings;
    // Beside each record: the group the file named (CP932) when it named none that the caller
    // knows, in which case the record was put into the fallback group; else empty. The summary
    // can offer to create it and move the contact there.
    std::vector<std::string> wantedGroups;

    // A character that CP932 cannot hold, replaced by 〓: contact (index into records),
    // field (AddressRecord::Field) and the character (UTF-8).
    struct Replacement
    {
        std::size_t contact;
        int field;
        std::string character;
    };
    std::vector<Replacement> replaced;
    // A field whose text was longer than its slot and was cut at a character boundary.
    struct Cut
    {
        std::size_t contact;
        int field;
    };
    std::vector<Cut> cut;
    // A line (1-based, where the refused line or card starts) that gave no contact, and why
    // (one of ExchangeText's reasons).
    struct Refusal
    {
        std::size_t line;
        std::string_view reason;
    };
    std::vector<Refusal> refused;
    // A line of a vCard that is no property (1-based line, its text in UTF-8). One that plainly
    // continues a note was joined to it; any other was not imported.
    struct Unread
    {
        std::size_t line;
        std::string text;
        bool joined;
    };
    std::vector<Unread> unread;
    // The values of a contact that found no field of their own and went into its memo, as the
    // memo's "label：value" lines (UTF-8).
    struct InMemo
    {
        std::size_t contact;
        std::string lines;
    };
    std::vector<InMemo> inMemo;
    // Photos and logos in vCards: not kept, only counted.
    std::size_t photosSkipped = 0;

    std::size_t size() const { return records.size(); }
    // The result for a file that cannot be read.
    static ImportResult openFailed();
    // The groups (CP932) that the records or wantedGroups name and knownGroups lacks, each once
    // (GroupName::equals), in the order of their first appearance.
    std::vector<std::string> missingGroups(const std::vector<std::string>& knownGroups) const;
    // Adds a contact with its reading and wanted group.
    void add(std::unique_ptr<AddressRecord> record, std::string reading = {},
             std::string wantedGroup = {});
};

// The reading (UTF-8) that an export writes beside a contact's name; empty for none.
using ReadingLookup = std::function<std::string(const AddressRecord&)>;
// The contacts an export writes, handed out one at a time; null when none is left. A record
// needs to stay valid only until the next call.
using RecordSource = std::function<const AddressRecord*()>;
// The records of a span, in order.
inline RecordSource recordsOf(std::span<const AddressRecord* const> records)
{
    return [records, i = std::size_t(0)]() mutable -> const AddressRecord* {
        return i < records.size() ? records[i++] : nullptr;
    };
}
