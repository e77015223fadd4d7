#include "SessionEnd.h"

#include "CMainFrame.h"
#include "core/AutoSave.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/contact/ContactEditor.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <cstdlib>

namespace {

extern "C" void saveAtExit()
{
    ContactEditor::KeepOpenDrafts(true);
    AutoSave::SaveAllNow();
}

} // namespace

SessionEnd::SessionEnd(CMainFrame* frame, QObject* parent) : QObject(parent), m_frame(frame)
{
    connect(qApp, &QGuiApplication::commitDataRequest, this, &SessionEnd::onCommitData,
            Qt::DirectConnection);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &SessionEnd::onAboutToQuit);
    static const bool registered = std::atexit(saveAtExit) == 0;
    Q_UNUSED(registered);
}

void SessionEnd::onCommitData(QSessionManager& manager)
{
    // No question to the user: the book is simply written, so the session may end any time.
    // An open contact sheet stays open; what it holds is kept too, in case the session ends.
    Q_UNUSED(manager);
    ContactEditor::KeepOpenDrafts(false);
    m_frame->SaveAddressFile();
}

void SessionEnd::onAboutToQuit()
{
    if (m_frame->isExiting())
        return;
    // Quit from outside (the session's end): the exit command's work, or at least the book.
    if (!m_frame->commands()->execute(ID_APP_EXIT))
        m_frame->SaveAddressFile();
}
