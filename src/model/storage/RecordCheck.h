#pragma once

#include <cstddef>

// Whether 1684 bytes look like a record that a writer of Address.vok made: each slot holds text
// followed by a zero byte. Only what loading reads is judged (the text up to the slot's first
// zero byte, and whether there is one); what follows the zero byte is never looked at, since
// a writer may have left anything there.
//
// One odd slot can come from a real book (a value imported with a control character or a byte
// that is not CP932, or a value that ran over its slot in an old copy), so a record counts as
// odd only when several of its slots are, or when it holds no text at all (every writer gives a
// contact its group). Random bytes, text files and zero-filled blocks fail on nearly every slot.
namespace RecordCheck {

// Slots that end without a zero byte, or whose text holds a control character other than tab,
// CR and LF, or a byte sequence that is not CP932.
int faultySlots(const char* record);
// Records with this many faulty slots are not a writer's.
inline constexpr int OddFromSlots = 4;
bool isOdd(const char* record);

} // namespace RecordCheck
