#pragma once

#include <string_view>
#include <vector>

class AddressRecord;
class RecordList;

// Which records an export writes.
namespace RecordSelection {

// The root of the group tree: it stands for every contact.
inline constexpr std::string_view RootGroup = "VOK_Address";

// The records whose group equals `group` (GroupName::equals), in list order; every record when
// `group` is the root (any letter case).
std::vector<const AddressRecord*> ofGroup(const RecordList& list, std::string_view group);

} // namespace RecordSelection
