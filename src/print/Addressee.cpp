#include "Addressee.h"

#include "model/book/AddressRecord.h"
#include "model/text/Cp932.h"

namespace {

QString fromCp932(std::string_view bytes)
{
    QString text = QString::fromStdString(Cp932::toUtf8(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.trimmed();
}

} // namespace

Addressee Addressee::fromRecord(const AddressRecord& record, AddressKind kind)
{
    Addressee a;
    a.name = fromCp932(record.name());
    if (kind == AddressKind::Office) {
        a.postalCode = fromCp932(record.officePostalCode());
        a.address = fromCp932(record.officeAddress());
        a.company = fromCp932(record.company());
    } else {
        a.postalCode = fromCp932(record.postalCode());
        a.address = fromCp932(record.address());
    }
    return a;
}
