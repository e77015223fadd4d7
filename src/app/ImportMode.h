#pragma once

#include "CommandLine.h"

#include <optional>

class CMainFrame;
class CVOK_AddressDoc;

// VOK_Address --import FILE [--group NAME]
// Imports a vCard or CSV file, told apart by its content; a CSV of another program with the
// encoding, header and columns guessed, as the preview would offer them. Groups the file names
// are created. When a copy of the program runs, the file goes to it (so that its next save
// cannot undo the import); otherwise the saved book is read, imported into and saved.
namespace ImportMode {

// `options` are the arguments after "--import".
CommandLine::Result run(const QStringList& options);
// The running copy's side: the answer line to a script's request line, after importing into
// the window's book and saving it; nothing for a line that asks no import.
std::optional<QByteArray> answer(CMainFrame& frame, const QByteArray& line);
// The import itself, the same for both. An empty group keeps the file's groups.
CommandLine::Result importInto(CVOK_AddressDoc& book, const QString& path, const QString& group);

} // namespace ImportMode
