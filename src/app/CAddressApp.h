#pragma once

#include <QStringList>
#include <memory>

class CMainFrame;

// Start-up: the display check, the document and frame, the window shown.
class CAddressApp
{
public:
    CAddressApp();
    ~CAddressApp();

    // Returns false when the program should end at once (the caller returns exitCode()).
    bool InitInstance(const QStringList& arguments);
    CMainFrame* mainFrame() const { return m_frame.get(); }

    // "/Startup" at the very start of the command line text, byte for byte.
    static bool isStartupCommandLine(const QStringList& arguments);

private:
    std::unique_ptr<CMainFrame> m_frame;
};
