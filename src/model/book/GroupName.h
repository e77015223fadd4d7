#pragma once

#include <string>
#include <string_view>

// How group names compare wherever a record is matched to a group: character by character in
// CP932, whole strings, letters without regard to case. Full-width Latin letters fold too
// (Ａ equals ａ), so a group typed either way stays one group.
namespace GroupName {

int compare(std::string_view a, std::string_view b);
inline bool equals(std::string_view a, std::string_view b)
{
    return compare(a, b) == 0;
}
// A key that two names share exactly when they are equal: for hashing many names at once.
std::string foldedKey(std::string_view name);

} // namespace GroupName
