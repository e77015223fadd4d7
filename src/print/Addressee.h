#pragma once

#include <QString>

class AddressRecord;

// Which of a contact's two addresses a print run uses.
enum class AddressKind
{
    Home,
    Office,
};

// One recipient as printing sees it: Unicode text, line breaks as "\n".
struct Addressee
{
    QString postalCode;
    QString address; // may hold line breaks
    QString company; // empty for home addresses
    QString name;

    // The contact's personal or office address; an office address carries the company too.
    static Addressee fromRecord(const AddressRecord& record, AddressKind kind);
};
