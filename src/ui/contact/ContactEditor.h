#pragma once

class CAddressList;
class CGroupTree;
class CMainFrame;

// The two commands that run the contact sheet: a new contact, and editing the selected one
// (or saving it as a new contact when the copy box is ticked).
class ContactEditor
{
public:
    // Returns whether a record was added.
    static bool OnNewContact(CMainFrame* frame, CGroupTree* tree, CAddressList* list);
    // Returns whether a record was changed or added.
    static bool OnEditContact(CMainFrame* frame, CGroupTree* tree, CAddressList* list);
};
