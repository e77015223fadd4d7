#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One contact: sixteen CP932 byte strings in the fixed order of the data file and CSV columns.
//
// The fields share one buffer, so a contact costs one allocation however many fields it fills;
// with 100,000 contacts that keeps memory well below the size of the data file.
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

    bool operator==(const AddressRecord& other) const;

private:
    std::string m_text;                            // the fields one after another
    std::array<std::uint32_t, FieldCount> m_end{}; // end offset of each field in m_text
};
