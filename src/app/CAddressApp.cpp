#include "CAddressApp.h"

#include "CMainFrame.h"

CAddressApp::CAddressApp() = default;

CAddressApp::~CAddressApp() = default;

bool CAddressApp::isStartupCommandLine(const QStringList& arguments)
{
    // The command line after the program name, as one text.
    const QString rest = arguments.mid(1).join(u' ');
    return rest.startsWith(QStringLiteral("/Startup"), Qt::CaseSensitive);
}

bool CAddressApp::InitInstance(const QStringList& arguments)
{
    m_frame = std::make_unique<CMainFrame>();
    if (!isStartupCommandLine(arguments))
        m_frame->show();
    return true;
}
