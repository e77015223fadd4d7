#pragma once

#include "ContactUid.h"
#include "RecordFingerprint.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class ContactExtras;

// One contact: sixteen CP932 byte strings in the fixed order of the data file and CSV columns,
// its identity, and what the data file cannot hold (ContactExtras, null for most contacts).
//
// The fields share one buffer, so a contact costs one allocation however many fields it fills;
// with 100,000 contacts that keeps memory well below the size of the data file.
//
// A copy is another contact: copying takes the fields and extras but not the UID, which the book
// gives when the copy enters it. Assigning a value to a record in the book (an edit, its undo)
// therefore keeps the record's own UID. Moving keeps it.
class AddressRecord
{
public:
    enum Field : int
    {
        Name,
        Email,
        PostalCode,
        Address,
        Phone,
        MobilePhone,
        Fax,
        Memo,
        Company,
        OfficeEmail,
        OfficePostalCode,
        OfficeAddress,
        OfficePhone,
        OfficeFax,
        OfficeMemo,
        Group,
    };
    static constexpr int FieldCount = 16;
    // The longest text, in CP932 bytes, the contact sheet takes in each field (the group is
    // chosen from the tree's names). Imports keep within it, so that every contact can be
    // opened and stored again as it came.
    static constexpr std::array<int, FieldCount> TypedLimit = {127, 127, 8, 250, 13, 13, 13,  250,
                                                               127, 127, 8, 250, 13, 13, 250, 19};
    // The room of each field in Address.vok, its terminating zero included: nothing longer is
    // kept, whichever way a text arrives.
    static constexpr std::array<std::size_t, FieldCount> SlotWidth = {
        128, 128, 16, 260, 16, 16, 16, 260, 128, 128, 16, 260, 16, 16, 260, 20};
    // Address, memo, office address and office memo hold line breaks.
    static constexpr bool IsMultiLine(int field)
    {
        return field == Address || field == Memo || field == OfficeAddress || field == OfficeMemo;
    }

    AddressRecord() = default;
    AddressRecord(const AddressRecord& other);
    AddressRecord& operator=(const AddressRecord& other);
    AddressRecord(AddressRecord&&) noexcept = default;
    AddressRecord& operator=(AddressRecord&&) noexcept = default;
    ~AddressRecord();

    std::string_view field(int index) const;
    void setField(int index, std::string_view text);
    // Sets all sixteen fields at once: the loaders' path, one allocation.
    void assign(const std::array<std::string_view, FieldCount>& fields);

    std::string_view name() const { return field(Name); }
    std::string_view email() const { return field(Email); }
    std::string_view postalCode() const { return field(PostalCode); }
    std::string_view address() const { return field(Address); }
    std::string_view phone() const { return field(Phone); }
    std::string_view mobilePhone() const { return field(MobilePhone); }
    std::string_view fax() const { return field(Fax); }
    std::string_view memo() const { return field(Memo); }
    std::string_view company() const { return field(Company); }
    std::string_view officeEmail() const { return field(OfficeEmail); }
    std::string_view officePostalCode() const { return field(OfficePostalCode); }
    std::string_view officeAddress() const { return field(OfficeAddress); }
    std::string_view officePhone() const { return field(OfficePhone); }
    std::string_view officeFax() const { return field(OfficeFax); }
    std::string_view officeMemo() const { return field(OfficeMemo); }
    std::string_view group() const { return field(Group); }

    // All sixteen fields one after another, without separators: for quick scans of a record.
    std::string_view text() const { return m_text; }
    // Where each field of text() ends.
    const std::array<std::uint32_t, FieldCount>& fieldEnds() const { return m_end; }

    const ContactUid& uid() const { return m_uid; }
    void setUid(const ContactUid& uid) { m_uid = uid; }
    // The fingerprint of the fields as they are, when someone has worked it out since the last
    // change (the load does, for every record): a save of 100,000 contacts then hashes only the
    // few that changed.
    const RecordFingerprint* knownFingerprint() const { return m_fpKnown ? &m_fp : nullptr; }
    void rememberFingerprint(const RecordFingerprint& fp)
    {
        m_fp = fp;
        m_fpKnown = true;
    }

    // Null when the contact has none.
    const ContactExtras* extras() const { return m_extras.get(); }
    const std::shared_ptr<const ContactExtras>& sharedExtras() const { return m_extras; }
    // Empty extras are kept as none.
    void setExtras(const ContactExtras& extras);
    void setExtras(std::shared_ptr<const ContactExtras> extras);

    bool sameFields(const AddressRecord& other) const
    {
        return m_end == other.m_end && m_text == other.m_text;
    }
    // The fields and the extras; the UID is not part of the value.
    bool operator==(const AddressRecord& other) const;

private:
    std::string m_text;                            // the fields one after another
    std::array<std::uint32_t, FieldCount> m_end{}; // end offset of each field in m_text
    std::shared_ptr<const ContactExtras> m_extras;
    ContactUid m_uid;
    RecordFingerprint m_fp;
    bool m_fpKnown = false;
};
