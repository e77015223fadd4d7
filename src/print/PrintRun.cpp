#include "PrintRun.h"

#include "PrintText.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "model/text/PostalCode.h"

namespace {

bool holdsGeta(const Addressee& a)
{
    static const QChar geta(u'〓');
    if (a.name.contains(geta) || a.company.contains(geta) || a.address.contains(geta))
        return true;
    for (const Addressee::Joint& j : a.jointNames) {
        if (j.name.contains(geta))
            return true;
    }
    return false;
}

} // namespace

QString PrintRun::nameOf(const AddressRecord& record)
{
    QString name =
        QString::fromStdString(RecordText::utf8(record, AddressRecord::Name)).simplified();
    if (name.isEmpty())
        name =
            QString::fromStdString(RecordText::utf8(record, AddressRecord::Company)).simplified();
    return name.isEmpty() ? PrintText::noName() : name;
}

PrintRun::PrintRun(const std::vector<const AddressRecord*>& records, const Choice& choice)
{
    m_addressees.reserve(qsizetype(records.size()));
    for (const AddressRecord* record : records) {
        const ContactExtras* extras = record->extras();
        const ContactExtras::Nenga* marks =
            choice.year && extras ? extras->nengaOf(*choice.year) : nullptr;
        using Send = ContactExtras::Nenga::Send;
        QString reason;
        if (choice.year && choice.filter == Filter::Returns) {
            if (!marks || !marks->received || marks->sent)
                continue; // not asked for: no note
        } else if (choice.year) {
            if (marks && marks->mourning)
                reason = PrintText::leftOutMourning();
            else if (marks && marks->send == Send::DontSend)
                reason = PrintText::leftOutDontSend();
            else if (choice.filter == Filter::OnlySend && (!marks || marks->send != Send::Send))
                reason = PrintText::leftOutNotMarked();
        }
        Addressee a = Addressee::fromRecord(*record, choice.kind);
        if (reason.isEmpty() && a.postalCode.isEmpty() && a.address.isEmpty())
            reason = PrintText::leftOutNoAddress();
        if (!reason.isEmpty()) {
            m_leftOut.append({nameOf(*record), reason});
            continue;
        }
        if (holdsGeta(a))
            m_warnings.append({nameOf(*record), PrintText::warningGeta()});
        if (!a.postalCode.isEmpty() && PostalCode::digits(a.postalCode.toStdString()).empty())
            m_warnings.append({nameOf(*record), PrintText::warningPostalCode(a.postalCode)});
        m_addressees.append(std::move(a));
        m_printed.push_back(record);
    }
}

ContactExtras PrintRun::markedSent(const ContactExtras* extras, int year)
{
    ContactExtras changed = extras ? *extras : ContactExtras();
    ContactExtras::Nenga marks;
    if (const ContactExtras::Nenga* old = changed.nengaOf(year))
        marks = *old;
    marks.year = year;
    marks.sent = true;
    changed.setNenga(marks);
    return changed;
}
