#pragma once

#include <QByteArray>
#include <QVersionNumber>

// Which window system the program talks to, decided before the application object exists.
// Qt before 6.7 closes a window through its modal dialog on Wayland and cannot save when the
// compositor goes: XWayland is preferred there, Wayland is the fallback.
namespace PlatformChoice {

struct Environment
{
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM as the user set it
    QByteArray display;        // DISPLAY: an X server, XWayland included
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QVersionNumber qtVersion;  // of the Qt libraries in use, not of the build

    static Environment current();
};

// The value for QT_QPA_PLATFORM, platforms in the order Qt tries them; empty leaves Qt's own
// choice (the user chose, or there is no window system to choose from).
QByteArray choose(const Environment& environment);

// Sets QT_QPA_PLATFORM for the application object about to be made; restore() takes it away
// again so that programs started later (the mail program) make their own choice.
void apply();
void restore();

// While the application object is made: Qt's own end when no platform can be opened
// (an abort) becomes a message and exit status 1.
void guardStart();
void endGuard();

} // namespace PlatformChoice
