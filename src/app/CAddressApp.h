#pragma once

#include <QStringList>
#include <memory>

class CMainFrame;
class SessionEnd;
class SingleInstance;
class TerminationSignals;

// Start-up: one copy per address book, the frame, the window shown or kept hidden, the mark for
// later starts.
class CAddressApp
{
public:
    CAddressApp();
    ~CAddressApp();

    // Returns false when the program should end at once (the caller returns exitCode()).
    // A running copy that does not answer, and a book beside which no lock can be made, are
    // reported on stderr and in a message box.
    bool InitInstance(const QStringList& arguments);
    int exitCode() const { return m_exitCode; }
    // The status of a run that ended: 1 when the book could not be written on the way out, for
    // the session or the script that ended the program.
    int runExitCode() const;
    CMainFrame* mainFrame() const { return m_frame.get(); }
    SingleInstance* instance() const { return m_instance.get(); }

    // Qt's own texts (standard buttons, file dialogs) in Japanese like the rest of the program,
    // whatever the desktop's language; false when the translation is not installed.
    static bool InstallQtTranslations();

    // "/Startup" at the very start of the command line text, byte for byte.
    static bool isStartupCommandLine(const QStringList& arguments);

private:
    int m_exitCode = 0;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<TerminationSignals> m_signals;
    std::unique_ptr<SessionEnd> m_sessionEnd;
};
