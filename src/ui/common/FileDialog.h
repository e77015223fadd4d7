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
    static QString getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& defaultSuffix);

    static void queueFileName(const QString& path);
};
