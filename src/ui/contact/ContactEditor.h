#pragma once

#include <QString>

class AddressRecord;
class CVOK_AddressDoc;
class QWidget;

// The two commands that run the contact sheet: a new contact, and editing one (or saving it as
// a new contact when the copy box is ticked). The book announces what changed.
class ContactEditor
{
public:
    // group: the group the sheet offers first. Returns whether a record was added.
    static bool OnNewContact(QWidget* parent, CVOK_AddressDoc& doc, const QString& group);
    // Returns whether a record was changed or added.
    static bool OnEditContact(QWidget* parent, CVOK_AddressDoc& doc, AddressRecord* record);
};
