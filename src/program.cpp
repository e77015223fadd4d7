#include "app/AppText.h"
#include "app/CAddressApp.h"
#include "app/CommandLine.h"
#include "app/PlatformChoice.h"

#include <QApplication>
#include <cstdio>

namespace {

bool haveDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true; // offscreen, vnc, ...: the platform plugin decides
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

// The program module's entry: the executable's main() for everything it does not answer itself.
extern "C" __attribute__((visibility("default"))) int VOK_AddressMain(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::isCommandLine(arguments))
        return CommandLine::run(argc, argv);
    if (!haveDisplay()) {
        std::fputs(
            AppText::NoDisplay.arg(QString::fromLocal8Bit(argv[0])).toLocal8Bit().constData(),
            stderr);
        return 1;
    }
    PlatformChoice::apply();
    PlatformChoice::guardStart();
    QApplication app(argc, argv);
    PlatformChoice::endGuard();
    PlatformChoice::restore();
    QApplication::setApplicationName(QStringLiteral("VOK_Address"));
    QApplication::setOrganizationName(QStringLiteral("VOK System"));
    QApplication::setQuitOnLastWindowClosed(false);
    CAddressApp::InstallQtTranslations();

    CAddressApp vok;
    if (!vok.InitInstance(QApplication::arguments()))
        return vok.exitCode();
    const int status = QApplication::exec();
    return status != 0 ? status : vok.runExitCode();
}
