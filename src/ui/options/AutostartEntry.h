#pragma once

#include <QString>

// The start-up shortcut on a freedesktop desktop: an autostart entry that starts this program
// with "/Startup" at log-on.
class AutostartEntry
{
public:
    // $XDG_CONFIG_HOME/autostart, or empty when no configuration folder is known.
    static QString folder();
    // Full path of the entry: <folder>/VOK_Address.desktop.
    static QString path();
    // The entry's text for the given program file.
    static QString contents(const QString& program);
    // The Exec value: the program quoted for the desktop entry format, then "/Startup".
    static QString execLine(const QString& program);
    // Writes the entry for this program to filePath, replacing an older one; false on failure.
    static bool write(const QString& filePath, const QString& program);
};
