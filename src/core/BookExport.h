#pragma once

#include "ExportFormat.h"

#include <QString>
#include <span>
#include <vector>

class AddressRecord;
class CVOK_AddressDoc;

// Writing contacts of the book to a file, for the export command and the command line.
namespace BookExport {

// The contacts of a group in the book's order; everyone for the root.
std::vector<const AddressRecord*> ofGroup(const CVOK_AddressDoc& doc, const QString& group);
// Writes the records in the format, with the readings the book keeps for their names.
FileIo::WriteStatus write(const CVOK_AddressDoc& doc, const QString& path,
                          ExportFormat::Format format,
                          std::span<const AddressRecord* const> records);

} // namespace BookExport
