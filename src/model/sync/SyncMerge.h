#pragma once

#include "SyncFields.h"

#include <string>
#include <vector>

// The three-way merge of one contact, slot by slot: the book's side against what the book held
// after the last sync, the server's side against the card the server last sent. A slot changed
// on one side takes that side's value; changed on both to the same value, nothing to do;
// changed on both to different values, a conflict: the server's value stands (as phones show
// it) and the book's goes into the memo under a label, so the user can take it back. Without
// bases (a contact both sides hold whose pair is new) a slot empty on one side takes the
// other's, and differing values conflict.
namespace SyncMerge {

struct Result
{
    SyncFields merged;
    std::vector<int> conflicts; // slots
    // Values of the book's side that lost and found no room in the memo.
    std::vector<std::string> unplaced;
};

Result merge(const SyncFields* localBase, const SyncFields* remoteBase, const SyncFields& ours,
             const SyncFields& theirs);

// The memo line that keeps a value that lost a conflict.
std::string conflictNote(int slot, std::string_view value);
// Puts the note below the memo when the book has room for both; false (memo as it was)
// otherwise.
bool keepInMemo(std::string& memo, const std::string& note);

} // namespace SyncMerge
