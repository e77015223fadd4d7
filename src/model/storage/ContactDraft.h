#pragma once

#include "model/book/AddressRecord.h"

#include <array>
#include <string>
#include <vector>

// What the user was typing into the contact sheet when the program had to end (a signal, the
// session's end): kept in "Address.vok.draft" beside the book and offered at the next start.
// Nothing of it enters the book unless the user confirms it there.
//
// The file is ASCII text, one draft after another; every value is percent-encoded, so any
// bytes survive:
//     VOK_Address drafts 1
//     draft edit copy            ("draft new" for a new contact; "copy": saved as a new one)
//     field 0 %8ER%93c           (the sheet's fields by their index in the record)
//     original 0 %8ER%93c        (the contact being edited, as it was; edits only)
//     reading %E3%82%84          (UTF-8)
class ContactDraft
{
public:
    static constexpr const char* Suffix = ".draft";

    bool edit = false;
    bool copyAsNew = false;
    std::array<std::string, AddressRecord::FieldCount> fields;
    std::array<std::string, AddressRecord::FieldCount> original;
    std::string reading;

    enum class Status
    {
        Ok,
        Missing,   // no drafts
        ReadError, // the file is there but could not be read or is not ours
        WriteError,
    };
    static Status Load(const std::string& path, std::vector<ContactDraft>& drafts);
    // Replaces the file atomically (readable by the user alone); no drafts remove it.
    static Status Save(const std::string& path, const std::vector<ContactDraft>& drafts);

    bool operator==(const ContactDraft& other) const = default;
};
