#pragma once

#include <QString>

// A notice through the desktop's notification service (org.freedesktop.Notifications), with
// the desktop's sound for new mail. Without a service, the sound alone where the desktop can
// play one. Never waits for the desktop.
namespace DesktopNotice {

void show(const QString& summary, const QString& body);

} // namespace DesktopNotice
