#pragma once

#include <QString>

// Where Address.vok lives: $VOK_ADDRESS_DIR when set; else beside the executable when a file
// already stands there (a portable copy); else the per-user data folder.
namespace DataLocation {

QString addressFilePath();
// The readings of names (Readings.txt), beside the book at bookPath.
QString readingsFilePath(const QString& bookPath);
// The companion file of the book at bookPath (identities, extras, groups).
QString companionFilePath(const QString& bookPath);

} // namespace DataLocation
