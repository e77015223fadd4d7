#pragma once

#include <QQueue>
#include <QString>
#include <QStringList>

class QWidget;

// Open and save dialogs. Tests queue the next file name ("" for Cancel) instead of a dialog.
class FileDialog
{
public:
    static QString getOpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& defaultSuffix);
    // `suggested` names the folder, or the file, the dialog starts with.
    static QString getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& defaultSuffix, const QString& suggested = {});
    // A save dialog offering several file types, each with its default suffix; *chosen gets
    // the index of the type the user chose, or of the first whose suffix the name was typed
    // with when the type shown has another.
    static QString getSaveFileName(QWidget* parent, const QString& title,
                                   const QStringList& filters, const QStringList& suffixes,
                                   int* chosen);

    static void queueFileName(const QString& path);
    // The file type shown with the queued name, taken as the dialog takes it.
    static void queueFileName(const QString& path, int filter);
};
