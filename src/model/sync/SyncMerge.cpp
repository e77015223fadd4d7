#include "SyncMerge.h"

#include "SyncText.h"
#include "model/book/AddressRecord.h"
#include "model/text/Cp932.h"

#include <algorithm>

namespace SyncMerge {

std::string conflictNote(int slot, std::string_view value)
{
    std::string note(SyncText::ConflictOpen);
    note += SyncFields::label(slot);
    note += SyncText::ConflictSeparator;
    for (const char c : value)
        note += (c == '\n' || c == '\r') ? ' ' : c;
    return note;
}

Result merge(const SyncFields* localBase, const SyncFields* remoteBase, const SyncFields& ours,
             const SyncFields& theirs)
{
    Result r;
    r.merged = theirs;
    std::vector<std::string> notes;
    for (int s = 0; s < SyncFields::SlotCount; ++s) {
        const std::string& o = ours.value[s];
        const std::string& t = theirs.value[s];
        // Each side keeps its own spelling of a value both mean alike.
        if (SyncFields::same(s, o, t)) {
            r.merged.value[s] = o;
            continue;
        }
        const bool localChanged = !localBase || !SyncFields::same(s, localBase->value[s], o);
        const bool remoteChanged = !remoteBase || !SyncFields::same(s, remoteBase->value[s], t);
        if (!remoteChanged || (!localBase && t.empty())) {
            r.merged.value[s] = o;
        } else if (localChanged && !(!localBase && o.empty())) {
            r.conflicts.push_back(s);
            notes.push_back(conflictNote(s, o));
        }
    }
    // The losing values go below the memo while it has room.
    for (std::string& note : notes) {
        if (!keepInMemo(r.merged.value[AddressRecord::Memo], note))
            r.unplaced.push_back(std::move(note));
    }
    return r;
}

bool keepInMemo(std::string& memo, const std::string& note)
{
    // The book keeps 250 bytes, a line break as two.
    const std::size_t room = std::size_t(AddressRecord::TypedLimit[AddressRecord::Memo]);
    std::string longer = memo;
    if (!longer.empty())
        longer += '\n';
    longer += note;
    std::vector<std::string> replaced;
    const std::size_t breaks = std::size_t(std::count(longer.begin(), longer.end(), '\n'));
    if (Cp932::fromUtf8Replacing(longer, replaced).size() + breaks > room)
        return false;
    memo = std::move(longer);
    return true;
}

} // namespace SyncMerge
