#pragma once

#include <QString>

class CAddressList;
class CGroupTree;
class CMainFrame;
class QWidget;
class RecordList;

// The two CSV commands: import a file into the address book, export the current group.
class CsvExchange
{
public:
    // Command 1004: the open dialog, the import and its messages. Imported rows are marked.
    static void OnImport(CMainFrame* frame, CGroupTree* tree, CAddressList* list);
    // Command 1005: the save dialog, then the tree's ExportGroupCsv, and the message on failure.
    static void OnExport(CMainFrame* frame, CGroupTree* tree);
    // The body of CGroupTree::ExportGroupCsv: writes the contacts of group (everyone for the
    // root) to path; false when the file cannot be created or written completely.
    static bool ExportGroup(QWidget* parent, const RecordList& records, const QString& group,
                            const QString& path);
};
