#include "FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

namespace {

struct Queued
{
    QString path;
    int filter = -1; // from the name's suffix
};

QQueue<Queued>& queued()
{
    static QQueue<Queued> q;
    return q;
}

QString run(QWidget* parent, const QString& title, const QStringList& filters,
            const QStringList& suffixes, QFileDialog::AcceptMode mode, int* chosen = nullptr,
            const QString& suggested = {})
{
    if (!queued().isEmpty()) {
        const Queued next = queued().dequeue();
        if (chosen) {
            *chosen = next.filter >= 0 ? next.filter
                                       : int(suffixes.indexOf(QFileInfo(next.path).suffix()));
            *chosen = std::max(*chosen, 0);
        }
        return next.path;
    }
    QFileDialog dialog(parent, title, suggested);
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(suffixes.value(0));
    // The suffix added to a bare name follows the type shown.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &filters, &suffixes](const QString& filter) {
                         dialog.setDefaultSuffix(suffixes.value(int(filters.indexOf(filter))));
                     });
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosen)
        *chosen = std::max(int(filters.indexOf(dialog.selectedNameFilter())), 0);
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString FileDialog::getOpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix)
{
    return run(parent, title, filter.split(QStringLiteral(";;")), {defaultSuffix},
               QFileDialog::AcceptOpen);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix, const QString& suggested)
{
    return run(parent, title, filter.split(QStringLiteral(";;")), {defaultSuffix},
               QFileDialog::AcceptSave, nullptr, suggested);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& title,
                                    const QStringList& filters, const QStringList& suffixes,
                                    int* chosen)
{
    return run(parent, title, filters, suffixes, QFileDialog::AcceptSave, chosen);
}

void FileDialog::queueFileName(const QString& path)
{
    queued().enqueue({path});
}

void FileDialog::queueFileName(const QString& path, int filter)
{
    queued().enqueue({path, filter});
}
