#include "ClipboardText.h"

#include "model/book/AddressRecord.h"

#include <iterator>

namespace ClipboardText {

std::string JoinMailAddresses(const std::vector<const AddressRecord*>& records, bool office)
{
    std::string text;
    for (const AddressRecord* record : records) {
        const std::string_view address = office ? record->officeEmail() : record->email();
        if (!text.empty())
            text += ';';
        text += address;
    }
    return text;
}

std::string FormatInfo(const AddressRecord& record, Format format)
{
    static constexpr int personal[] = {
        AddressRecord::Name,    AddressRecord::Email, AddressRecord::PostalCode,
        AddressRecord::Address, AddressRecord::Phone, AddressRecord::MobilePhone,
        AddressRecord::Fax,     AddressRecord::Memo,  AddressRecord::Group};
    static constexpr int office[] = {AddressRecord::Company,          AddressRecord::OfficeEmail,
                                     AddressRecord::OfficePostalCode, AddressRecord::OfficeAddress,
                                     AddressRecord::OfficePhone,      AddressRecord::OfficeFax,
                                     AddressRecord::OfficeMemo};
    std::string line;
    auto append = [&](const auto& fields) {
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            if (i > 0)
                line += ',';
            line += record.field(fields[i]);
        }
    };
    if (format == Office)
        append(office);
    else
        append(personal);
    return line;
}

} // namespace ClipboardText
