#pragma once

#include "model/book/ContactUid.h"
#include "model/book/RecordFingerprint.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class BookSnapshot;
class ContactExtras;

// Address.vok.extra, beside the book: what Address.vok cannot hold, kept so that the book's
// own file stays byte for byte what other copies of the program read. UTF-8 text a person can
// read, one line a contact in the book's order, each with its UID and the fingerprint of its
// record, then its extras on lines that start with a tab:
//
//     VOK_Address extra 1
//     group	友人
//     2f1c9b7e-0a4d-4c1b-9f6e-3d2a1b0c9e8f	<32 hex digits: fingerprint>
//     	honorific	先生
//     	joint	花子	様	はなこ
//     	title	部長
//     	department	営業部
//     	nenga	2027	send sent received
//     	text	name	𠮷田 優子
//     aside	<uid>	<fingerprint>
//     	...
//     end	2
//
// "aside" entries could not be placed on a record after another program changed the book; they
// are kept, never attached to a guessed contact. "end" with the count of contact lines closes a
// whole file. Values escape tab, line breaks and backslash (TabText). Keys a newer version adds
// are kept as they came.
class CompanionFile
{
public:
    static constexpr const char* Suffix = ".extra";
    static std::string pathFor(const std::string& bookPath) { return bookPath + Suffix; }

    struct Entry
    {
        ContactUid uid;
        RecordFingerprint fingerprint;
        std::shared_ptr<const ContactExtras> extras; // null when none
    };
    struct Contents
    {
        std::vector<std::string> groups; // UTF-8, in the user's order
        std::vector<Entry> entries;      // in the book's order when it was written
        std::vector<Entry> aside;
    };

    enum class Status
    {
        Ok,
        Missing,   // no file yet (an older book): everything starts anew
        ReadError, // the file exists but could not be read
        Damaged,   // not this program's, a newer format, or cut off: what was readable came
    };

    // Where each entry stands in the file's text, its extras not yet decoded: a reader that
    // needs the extras of a few contacts decodes only theirs.
    struct Place
    {
        ContactUid uid;
        RecordFingerprint fingerprint;
        std::string_view properties; // the entry's property lines; empty when none
    };
    struct Layout
    {
        std::vector<std::string> groups;
        std::vector<Place> entries;
        std::vector<Place> aside;
    };

    static Status Load(const std::string& path, Contents& contents);
    // Damaged only for what the layout shows; a property that makes no sense shows when the
    // properties are decoded.
    static Status Scan(std::string_view text, Layout& layout);
    // The extras of a Place's properties, null when they hold none; false when a line made
    // no sense (the others are kept).
    static bool DecodeProperties(std::string_view properties,
                                 std::shared_ptr<const ContactExtras>& extras);
    // The file's text for the snapshot's records and groups, then the entries kept aside.
    static std::string Encode(const BookSnapshot& snapshot, const std::vector<Entry>& aside);
    static Status Decode(std::string_view text, Contents& contents);
    // Replaces the file atomically; with keepBackup the replaced one stays as ".bak".
    static bool Save(const std::string& path, const BookSnapshot& snapshot,
                     const std::vector<Entry>& aside, bool keepBackup);
};
