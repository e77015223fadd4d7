#include "FileDialog.h"

#include <QFileDialog>

namespace {

QQueue<QString>& queued()
{
    static QQueue<QString> q;
    return q;
}

QString run(QWidget* parent, const QString& title, const QString& filter,
            const QString& defaultSuffix, QFileDialog::AcceptMode mode,
            const QString& suggested = {})
{
    if (!queued().isEmpty())
        return queued().dequeue();
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString FileDialog::getOpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix)
{
    return run(parent, title, filter, defaultSuffix, QFileDialog::AcceptOpen);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix, const QString& suggested)
{
    return run(parent, title, filter, defaultSuffix, QFileDialog::AcceptSave, suggested);
}

void FileDialog::queueFileName(const QString& path)
{
    queued().enqueue(path);
}
