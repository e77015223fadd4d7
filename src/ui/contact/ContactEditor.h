#pragma once

#include <QString>

class AddressRecord;
class CVOK_AddressDoc;
class QWidget;

// The two commands that run the contact sheet: a new contact, and editing one (or saving it as
// a new contact when the copy box is ticked). The book announces what changed.
//
// A sheet that cannot stay open because the program ends (a signal, the session's end, the
// application told to quit) does not lose what was typed: it is kept as a draft beside the
// book (ContactDraft), offered at the next start, and enters the book only by OK there.
class ContactEditor
{
public:
    // group: the group the sheet offers first. Returns whether a record was added.
    static bool OnNewContact(QWidget* parent, CVOK_AddressDoc& doc, const QString& group);
    // Returns whether a record was changed or added.
    static bool OnEditContact(QWidget* parent, CVOK_AddressDoc& doc, AddressRecord* record);

    // Writes what every open sheet holds as a draft. ending: the sheets are about to be closed
    // by the program's end, and their drafts stay; otherwise (the session manager asking to
    // save, the session may still go on) a sheet that the user then closes takes its draft away.
    static void KeepOpenDrafts(bool ending);
    // Offers the drafts an earlier run left, one after another: Yes opens the sheet with what
    // was typed (the contact it edited, found again by its contents, or a new one), No keeps the
    // draft for the next start. A draft goes when its sheet is confirmed or cancelled.
    static void OfferDrafts(QWidget* parent, CVOK_AddressDoc& doc);
    static bool hasDrafts(const CVOK_AddressDoc& doc);
};
