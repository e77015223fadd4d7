#pragma once

#include "CommandLine.h"

// VOK_Address --export FILE [--group NAME] [--format vcard3|vcard4|csv|csv-utf8]
// Writes the saved book's contacts (everyone, or one group) to a file, in the format named or
// else the one the file's extension says.
namespace ExportMode {

// `options` are the arguments after "--export".
CommandLine::Result run(const QStringList& options);

} // namespace ExportMode
