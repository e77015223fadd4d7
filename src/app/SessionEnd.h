#pragma once

#include <QObject>

class CMainFrame;
class QSessionManager;

// The ways the program ends other than its own exit command and the termination signals:
// the session manager asking to save before the session ends, the application quitting
// without the frame's exit having run, and the display connection lost (Qt's X11 platform
// then ends the process with exit() from inside its event loop: the books are saved from an
// exit handler).
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(CMainFrame* frame, QObject* parent = nullptr);

private:
    void onCommitData(QSessionManager& manager);
    void onAboutToQuit();

    CMainFrame* m_frame;
};
