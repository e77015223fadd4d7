#pragma once

#include <string>

// Folders that hold the user's contacts or settings: whatever part of the path is missing is
// created readable by the user alone (0700). Folders that exist already are left as they are.
namespace PrivateDir {

// True when the folder exists afterwards.
bool create(const std::string& path);
// The same for the folder a file of this path goes in; true for a path without one.
bool createFor(const std::string& filePath);

} // namespace PrivateDir
