#pragma once

#include <QQueue>
#include <QString>

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

    static void queueFileName(const QString& path);
};
