#include "ClipboardTransfer.h"

#include "model/AddressRecord.h"
#include "ui/common/Text.h"
#include "ui/list/CAddressList.h"

#include <QClipboard>
#include <QGuiApplication>

std::string ClipboardTransfer::JoinMailAddresses(const std::vector<const AddressRecord*>& records,
                                                 bool office)
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

std::string ClipboardTransfer::FormatInfo(const AddressRecord& record, Format format)
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

void ClipboardTransfer::CopyMailAddresses(CAddressList* list, bool office)
{
    SetClipboardText(list->JoinSelectedMailAddresses(office));
}

void ClipboardTransfer::CopyContactInfo(CAddressList* list, Format format)
{
    const std::string text = list->FormatSelectedInfo(format);
    if (text.empty())
        return;
    SetClipboardText(text);
}

void ClipboardTransfer::SetClipboardText(const std::string& cp932)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setText(Text::fromCp932(cp932));
}
