#pragma once

#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// One change to the book as the document applies it, forwards and backwards, so that the
// operation itself, its undo and its redo run the same code. Records that leave the book stay
// alive in here (RecordList::Taken), so that pointers other changes hold keep meaning the same
// contact, and they come back at the places they had.
struct BookChange
{
    enum class GroupOp
    {
        None,
        Add,
        Remove,
        Rename,
    };
    GroupOp groupOp = GroupOp::None;
    QString group;             // the group removed; a rename's new name
    QString oldGroup;          // a rename's old name
    QStringList groupsAdded;   // in their order, from groupIndex on
    qsizetype groupIndex = -1; // its place among the user's groups
    bool groupStored = true;   // a removed group had a stored key (a fixed group has none)

    // Records appended (new, imported, copied): owned by `addedOut` while the change is undone.
    std::vector<AddressRecord*> added;
    std::vector<RecordList::Taken> addedOut;
    bool marked = false; // imported or copied: the list marks their rows

    // Records removed: owned by `removedOut` while the change is done.
    std::vector<AddressRecord*> removed;
    std::vector<RecordList::Taken> removedOut;

    // A contact edited as a whole.
    struct Edit
    {
        AddressRecord* record;
        AddressRecord before;
        AddressRecord after;
    };
    std::vector<Edit> edits;

    // A contact given another group (a drag, a group renamed).
    struct GroupEdit
    {
        AddressRecord* record;
        std::string before;
        std::string after;
    };
    std::vector<GroupEdit> groupEdits;

    // Taken back and made again together with the change before it (an import and the
    // groups it creates are one step for the user).
    bool joinsPrevious = false;

    bool touchesRecords() const
    {
        return !added.empty() || !removed.empty() || !edits.empty() || !groupEdits.empty();
    }
    // Whether Address.vok's own bytes change; extras alone live in the companion file.
    bool touchesDataFile() const
    {
        if (!added.empty() || !removed.empty() || !groupEdits.empty())
            return true;
        for (const Edit& e : edits) {
            if (!e.before.sameFields(e.after))
                return true;
        }
        return false;
    }
};
