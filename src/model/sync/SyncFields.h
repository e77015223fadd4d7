#pragma once

#include <array>
#include <string>
#include <string_view>

class AddressRecord;
class ContactExtras;
class VCardDoc;

// What sync compares of a contact: the sixteen fields, the reading and the extras that travel
// as vCard properties, each as one UTF-8 text (line breaks as LF). The same slots are read
// from a card and from a record, so that the three-way merge compares like with like, and a
// slot is written back into a card by rewriting only the property it came from.
//
// Properties: Name ↔ FN and N; Email / OfficeEmail ↔ the first EMAIL without / with WORK;
// Phone, MobilePhone, Fax, OfficePhone, OfficeFax ↔ the first TEL of each kind (CELL, FAX,
// WORK, WORK+FAX, any other); the addresses and postal codes ↔ ADR without / with WORK; Memo /
// OfficeMemo ↔ NOTE without / with TYPE=WORK; Company and Department ↔ ORG; Title ↔ TITLE;
// Group ↔ the first CATEGORIES value ("Other" is none); the reading ↔ X-PHONETIC-LAST-NAME and
// -FIRST-NAME (read also from N's SORT-AS, SORT-STRING and SOUND;X-IRMC-N); 敬称, 連名 and 年賀
// marks ↔ X-VOK-HONORIFIC, X-VOK-JOINT-NAME, X-VOK-NENGA as VCardWriter writes them.
struct SyncFields
{
    enum Slot : int
    {
        // 0 .. 15: AddressRecord's fields
        Reading = 16,
        Honorific,
        JointNames, // the X-VOK-JOINT-NAME values, escaped, one a line
        Title,
        Department,
        Nenga, // the X-VOK-NENGA values, one a line
        SlotCount,
    };
    std::array<std::string, SlotCount> value;

    bool operator==(const SyncFields&) const = default;
    // The Japanese name of a slot, for conflict notes.
    static std::string_view label(int slot);
    // Two values of a slot that mean the same: e-mail addresses regardless of the case of
    // their ASCII letters (phones and servers change it freely), the rest byte for byte.
    static bool same(int slot, std::string_view a, std::string_view b);

    // The slots of a record; reading is UTF-8.
    static SyncFields fromRecord(const AddressRecord& record, std::string_view reading);
    static SyncFields fromCard(const VCardDoc& card);

    // Writes one slot into the card: the property it came from gets the new value (keeping
    // its group and parameters), an emptied one goes, a missing one is added.
    static void patch(VCardDoc& card, int slot, const SyncFields& fields);
    // A new card for fields that have none yet.
    static VCardDoc newCard(const SyncFields& fields, std::string_view uid);

    // The record's fields and extras from the slots (the group as resolved by the caller,
    // CP932). Texts CP932 cannot hold keep their whole text in the extras; what is longer
    // than a field takes is cut at a character boundary.
    static void toRecord(const SyncFields& fields, std::string_view groupCp932,
                         AddressRecord& record);
};
