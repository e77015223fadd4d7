#include "Addressee.h"

#include "model/book/AddressRecord.h"
#include "model/book/RecordText.h"

namespace {

// The whole text where the book keeps 〓 for a character CP932 lacks (𠮷田): a postcard
// addressed to 〓田 would be no use.
QString text(const AddressRecord& record, int field)
{
    QString text = QString::fromStdString(RecordText::utf8(record, field));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.trimmed();
}

} // namespace

Addressee Addressee::fromRecord(const AddressRecord& record, AddressKind kind)
{
    using R = AddressRecord;
    Addressee a;
    a.name = text(record, R::Name);
    if (kind == AddressKind::Office) {
        a.postalCode = text(record, R::OfficePostalCode);
        a.address = text(record, R::OfficeAddress);
        a.company = text(record, R::Company);
    } else {
        a.postalCode = text(record, R::PostalCode);
        a.address = text(record, R::Address);
    }
    return a;
}
