#include "ImportResult.h"

#include "model/book/GroupName.h"

#include <algorithm>

namespace {

bool containsGroup(const std::vector<std::string>& names, std::string_view name)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return GroupName::equals(n, name); });
}

} // namespace

std::vector<std::string>
ImportResult::missingGroups(const std::vector<std::string>& knownGroups) const
{
    std::vector<std::string> missing;
    const auto consider = [&](std::string_view name) {
        if (!name.empty() && !containsGroup(knownGroups, name) && !containsGroup(missing, name))
            missing.emplace_back(name);
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        consider(records[i]->group());
        if (i < wantedGroups.size())
            consider(wantedGroups[i]);
    }
    return missing;
}

ImportResult ImportResult::openFailed()
{
    ImportResult failed;
    failed.status = Status::OpenFailed;
    return failed;
}

void ImportResult::add(std::unique_ptr<AddressRecord> record, std::string reading,
                       std::string wantedGroup)
{
    records.push_back(std::move(record));
    readings.push_back(std::move(reading));
    wantedGroups.push_back(std::move(wantedGroup));
}
