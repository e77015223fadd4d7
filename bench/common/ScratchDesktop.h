#pragma once

#include "AddressBookGenerator.h"
#include "app/CMainFrame.h"
#include "core/DataLocation.h"
#include "model/book/RecordList.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

// For the benchmarks that run the real window: an offscreen application whose home, settings,
// data and runtime folders are one scratch folder, gone with it.
class ScratchDesktop
{
public:
    ScratchDesktop(int& argc, char** argv) : m_app(argc, argv)
    {
        QApplication::setApplicationName(QStringLiteral("VOK_Address"));
        QApplication::setOrganizationName(QStringLiteral("VOK System"));
    }

    // A shown main window with that many generated contacts, and none saved by a window before.
    static std::unique_ptr<CMainFrame> showBook(std::size_t contacts, bool commonNames = false)
    {
        QFile::remove(DataLocation::addressFilePath());
        auto frame = std::make_unique<CMainFrame>();
        AddressBookGenerator generator;
        generator.setCommonNames(commonNames);
        RecordList generated;
        generator.fill(generated, contacts);
        frame->document()->ImportRecords(generated.TakeRecords());
        frame->resize(1000, 700);
        frame->show();
        QApplication::processEvents();
        return frame;
    }

private:
    // Set before the application exists.
    struct Environment
    {
        explicit Environment(const QTemporaryDir& dir)
        {
            for (const char* var :
                 {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "VOK_ADDRESS_DIR"})
                qputenv(var, dir.path().toUtf8());
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
            qputenv("QT_QPA_PLATFORM", "offscreen");
            qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
        }
    };

    QTemporaryDir m_dir;
    Environment m_environment{m_dir};
    QApplication m_app;
};
