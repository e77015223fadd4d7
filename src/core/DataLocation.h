#pragma once

#include <QString>

// Where Address.vok lives: $VOK_ADDRESS_DIR when set; else beside the executable when a file
// already stands there (a portable copy); else the per-user data folder.
namespace DataLocation {

QString addressFilePath();

} // namespace DataLocation
