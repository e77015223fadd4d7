#pragma once

#include <QString>
#include <span>

class AddressRecord;
class CVOK_AddressDoc;
class QWidget;
class RecordList;

// The exchange commands: import a file into the address book, export contacts to a file, and
// merge the contacts that came in twice.
class ExchangeCommands
{
public:
    // Command 1004: the open dialog, then the import of the chosen file (FileImport).
    static void OnImport(QWidget* parent, CVOK_AddressDoc& doc);
    // Command 32814: the book's contacts that seem to be one person, to merge (modal).
    static void OnFindDuplicates(QWidget* parent, CVOK_AddressDoc& doc);
    // Command 1005: the save dialog, where the file type is chosen, and the message on failure.
    static void OnExport(QWidget* parent, const CVOK_AddressDoc& doc,
                         std::span<const AddressRecord* const> records);
    // Writes the contacts of group (everyone for the root) to path in the legacy format; false
    // when the file cannot be created or written completely.
    static bool ExportGroupCsv(const RecordList& records, const QString& group,
                               const QString& path);
};
