#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class CVOK_AddressDoc;
class QMimeData;
class QWidget;

// Files dropped on the main window from a file manager are imported one after another, as the
// import command imports them. Drags of anything else, and drags while a dialog is open, are
// left alone.
class FileDropImport : public QObject
{
    Q_OBJECT
public:
    // Lets the window take drops; the object lives as long as the window.
    static FileDropImport* install(QWidget* window, CVOK_AddressDoc& doc);
    // The local files among the dropped data, in order.
    static QStringList localFiles(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FileDropImport(QWidget* window, CVOK_AddressDoc& doc);
    void importNext();

    QWidget* m_window;
    CVOK_AddressDoc& m_doc;
    QStringList m_pending;
};
