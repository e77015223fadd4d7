#pragma once

#include <QByteArray>

// An activation token from the Wayland compositor, as a desktop's launcher gets one for the
// program it starts (xdg-activation). libwayland-client is loaded when asked for; empty when it
// or the compositor's support is missing.
QByteArray requestActivationToken(const QByteArray& waylandDisplay);
