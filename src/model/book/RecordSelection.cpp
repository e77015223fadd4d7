#include "RecordSelection.h"

#include "GroupName.h"
#include "RecordList.h"

namespace RecordSelection {

std::vector<const AddressRecord*> ofGroup(const RecordList& list, std::string_view group)
{
    const bool all = GroupName::equals(group, RootGroup);
    std::vector<const AddressRecord*> chosen;
    chosen.reserve(all ? list.size() : 0);
    for (const auto& record : list) {
        if (all || GroupName::equals(record->group(), group))
            chosen.push_back(record.get());
    }
    return chosen;
}

} // namespace RecordSelection
