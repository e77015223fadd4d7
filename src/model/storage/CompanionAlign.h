#pragma once

#include "model/book/RecordFingerprint.h"

#include <cstddef>
#include <vector>

// Finds which entry of the companion file belongs to which record of Address.vok when the two
// no longer line up: another copy or an older version changed the book, a backup was restored,
// or the program stopped between writing the two files.
//
// Records whose whole fingerprint equals an entry's are matched in order (a sequence
// alignment: common head and tail, then records unique on both sides as anchors, longest in
// order, then the same between anchors); the same record moved elsewhere is matched too. A
// record edited in place keeps its entry only when exactly one half of its fingerprint (the
// name, or everything else) still equals the entry's, between the same matched neighbours.
// Anything less certain stays unmatched: the record gets a new identity, the entry is kept
// aside by the caller. Identical records (twins) are matched in order.
namespace CompanionAlign {

constexpr std::size_t None = ~std::size_t(0);

// For each record, the index of its entry, or None.
std::vector<std::size_t> align(const std::vector<RecordFingerprint>& entries,
                               const std::vector<RecordFingerprint>& records);

} // namespace CompanionAlign
