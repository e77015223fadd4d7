#pragma once

#include "Addressee.h"

#include <QList>
#include <QString>
#include <optional>
#include <vector>

class AddressRecord;
class ContactExtras;

// Which contacts a print run takes, and who is left out and why: nobody is dropped without a
// word.
class PrintRun
{
public:
    enum class Filter
    {
        Everyone, // everyone with an address (a 年賀状 year leaves out 喪中 and "do not send")
        OnlySend, // only those marked to send a 年賀状 that year
        Returns,  // 返礼: a card came from them that year and none went to them
    };

    struct Choice
    {
        AddressKind kind = AddressKind::Home;
        std::optional<int> year; // the 年賀状's year; none: no 年賀 marks looked at
        Filter filter = Filter::Everyone;
    };

    struct Note
    {
        QString name;
        QString reason;
    };

    PrintRun(const std::vector<const AddressRecord*>& records, const Choice& choice);

    const QList<Addressee>& addressees() const { return m_addressees; }
    // The contacts printed, in the addressees' order.
    const std::vector<const AddressRecord*>& printed() const { return m_printed; }
    // The contacts left out, with the reason.
    const QList<Note>& leftOut() const { return m_leftOut; }
    // Printed, but with something the user should look at (〓 for a character the book's file
    // cannot hold, a postal code that is not seven digits).
    const QList<Note>& warnings() const { return m_warnings; }

    // The extras with the year's 年賀状 marked as sent.
    static ContactExtras markedSent(const ContactExtras* extras, int year);
    // The name a report gives the contact: the name, else the company.
    static QString nameOf(const AddressRecord& record);

private:
    QList<Addressee> m_addressees;
    std::vector<const AddressRecord*> m_printed;
    QList<Note> m_leftOut;
    QList<Note> m_warnings;
};
