#include "RecordText.h"

#include "AddressRecord.h"
#include "ContactExtras.h"
#include "model/text/Cp932.h"

std::string_view RecordText::fullText(const AddressRecord& record, int field)
{
    const ContactExtras* x = record.extras();
    if (!x || x->fullText.empty())
        return {};
    return x->fullTextOf(field, record.field(field));
}

std::string RecordText::utf8(const AddressRecord& record, int field)
{
    const std::string_view full = fullText(record, field);
    if (!full.empty())
        return std::string(full);
    return Cp932::toUtf8(record.field(field));
}
