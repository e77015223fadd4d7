#include "PlatformChoice.h"

#include "AppText.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace PlatformChoice {

namespace {

bool g_applied = false;
QtMessageHandler g_previous = nullptr;

void fatalAtStart(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (g_previous)
            g_previous(type, context, message);
        else
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    std::fprintf(stderr, "%s\n%s", message.toLocal8Bit().constData(),
                 AppText::NoWindowSystem.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

Environment Environment::current()
{
    Environment e;
    e.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    e.display = qgetenv("DISPLAY");
    e.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    e.sessionType = qgetenv("XDG_SESSION_TYPE");
    e.qtVersion = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    return e;
}

QByteArray choose(const Environment& e)
{
    if (!e.qpaPlatform.isEmpty())
        return {};
    const bool x11 = !e.display.isEmpty();
    const bool wayland = !e.waylandDisplay.isEmpty() || e.sessionType == "wayland";
    if (x11 && wayland)
        return e.qtVersion < QVersionNumber(6, 7) ? QByteArrayLiteral("xcb;wayland")
                                                  : QByteArrayLiteral("wayland;xcb");
    if (x11)
        return QByteArrayLiteral("xcb");
    if (wayland)
        return QByteArrayLiteral("wayland");
    return {};
}

void apply()
{
    const QByteArray platform = choose(Environment::current());
    if (platform.isEmpty())
        return;
    qputenv("QT_QPA_PLATFORM", platform);
    g_applied = true;
}

void restore()
{
    if (g_applied)
        qunsetenv("QT_QPA_PLATFORM");
    g_applied = false;
}

void guardStart()
{
    g_previous = qInstallMessageHandler(fatalAtStart);
}

void endGuard()
{
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
}

} // namespace PlatformChoice
