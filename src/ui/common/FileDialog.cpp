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

// The type a name was saved as: the one shown, unless the name was typed with the suffix of
// another ("連絡先.vcf" while the legacy type is shown means a vCard).
int chosenType(const QString& path, const QStringList& suffixes, int shown)
{
    const QString suffix = QFileInfo(path).suffix();
    const auto same = [&suffix](const QString& s) {
        return s.compare(suffix, Qt::CaseInsensitive) == 0;
    };
    if (shown < 0 || !same(suffixes.value(shown))) {
        const auto it = std::find_if(suffixes.begin(), suffixes.end(), same);
        if (it != suffixes.end())
            shown = int(it - suffixes.begin());
    }
    return std::max(shown, 0);
}

QString run(QWidget* parent, const QString& title, const QStringList& filters,
            const QStringList& suffixes, QFileDialog::AcceptMode mode, int* chosen = nullptr,
            const QString& suggested = {})
{
    if (!queued().isEmpty()) {
        const Queued next = queued().dequeue();
        if (chosen)
            *chosen = chosenType(next.path, suffixes, next.filter);
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
    const QString path = dialog.selectedFiles().constFirst();
    if (chosen)
        *chosen = chosenType(path, suffixes, int(filters.indexOf(dialog.selectedNameFilter())));
    return path;
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
