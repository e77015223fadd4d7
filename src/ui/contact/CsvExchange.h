#pragma once

#include <QString>

class CVOK_AddressDoc;
class QWidget;
class RecordList;

// The two CSV commands: import a file into the address book, export a group.
class CsvExchange
{
public:
    // Command 1004: the open dialog, the import and its messages. Imported rows are marked.
    static void OnImport(QWidget* parent, CVOK_AddressDoc& doc);
    // Command 1005: the save dialog, then ExportGroupCsv, and the message on failure.
    static void OnExport(QWidget* parent, const CVOK_AddressDoc& doc, const QString& group);
    // Writes the contacts of group (everyone for the root) to path; false when the file cannot
    // be created or written completely.
    static bool ExportGroupCsv(const RecordList& records, const QString& group,
                               const QString& path);
};
