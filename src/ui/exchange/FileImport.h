#pragma once

#include <QString>

class CVOK_AddressDoc;
class QWidget;

// Importing one file into the book as the user sees it, for the import command and for files
// dropped on the window: the file's content decides how it is read (vCard, this program's own
// CSV at once, any other CSV through the preview), then the summary, where the groups the file
// names can be created.
class FileImport
{
public:
    // False when nothing was imported: the file cannot be read or is no address book (with a
    // message), or the preview was cancelled.
    static bool ImportFile(QWidget* parent, CVOK_AddressDoc& doc, const QString& path);
};
