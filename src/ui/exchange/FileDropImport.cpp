#include "FileDropImport.h"

#include "FileImport.h"
#include "core/CVOK_AddressDoc.h"
#include "ui/common/LongWork.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

FileDropImport* FileDropImport::install(QWidget* window, CVOK_AddressDoc& doc)
{
    return new FileDropImport(window, doc);
}

FileDropImport::FileDropImport(QWidget* window, CVOK_AddressDoc& doc)
    : QObject(window), m_window(window), m_doc(doc)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

QStringList FileDropImport::localFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

bool FileDropImport::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        // A book that could not be read takes nothing it could never save.
        const bool busy =
            QApplication::activeModalWidget() || LongWork::running() || !m_doc.writable();
        if (busy || localFiles(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = localFiles(drop->mimeData());
        if (files.isEmpty() || QApplication::activeModalWidget() || LongWork::running() ||
            !m_doc.writable())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        const bool idle = m_pending.isEmpty();
        m_pending += files;
        // Not inside the drop: the file manager waits for the drop to end, and the import
        // shows dialogs.
        if (idle)
            QTimer::singleShot(0, this, &FileDropImport::importNext);
        return true;
    }
    default:
        return false;
    }
}

void FileDropImport::importNext()
{
    while (!m_pending.isEmpty()) {
        const QString path = m_pending.constFirst();
        FileImport::ImportFile(m_window, m_doc, path);
        m_pending.removeFirst();
    }
}
