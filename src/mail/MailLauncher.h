#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

// Handing work to the desktop's mail program: composing a message to given addresses, and
// starting the default mail program itself. Programs are started without a shell.
namespace MailLauncher {

// "mailto:" with the addresses joined by ",", each percent-encoded, so that no character of
// an address can add a header or an argument. A field holding several addresses separated by
// commas gives each its own recipient; control characters (line breaks, tabs) are dropped, and
// empty addresses are left out.
QUrl buildMailtoUrl(const QStringList& addresses);
// The same from the ";"-joined clipboard form of the addresses.
QUrl mailtoFromJoined(const QString& joined);
// How handing work to the mail program ended.
enum class Outcome
{
    Started,
    NoMailProgram, // the desktop names no program for mailto: addresses
    NotStarted,    // it names one that could not be started
};

// Hands the address to the default mail program once the desktop has named one (looked up in
// the background, as below); `done`, when given, hears how it ended. False when the lookup
// itself could not be started.
bool composeMail(const QUrl& url, std::function<void(Outcome)> done = {});

// What a desktop entry says about starting its program.
struct DesktopEntry
{
    QString exec;          // the Exec value, its string escapes (\s, \\, ...) resolved
    bool terminal = false; // Terminal=true: the program needs a terminal
};

// The arguments of an Exec value as the desktop entry format quotes them, field codes (%u, %F,
// %i, ...) removed and "%%" read as "%".
QStringList splitExecLine(const QString& exec);
// The [Desktop Entry] group of a .desktop file; an empty exec when there is none.
DesktopEntry readDesktopEntry(const QString& desktopFile);
// Where a desktop file id ("org.example.Mail.desktop") lies in the XDG data folders; empty
// when nowhere.
QString findDesktopFile(const QString& desktopId);
// The program and its arguments that start the entry, inside a terminal found on PATH when it
// asks for one; empty when there is nothing to start.
QStringList commandLine(const DesktopEntry& entry);

// Starts the default handler of mailto: addresses, with the arguments of its Exec line and no
// address. The handler is looked up in the background (the desktop may take seconds to answer)
// and started when the answer comes; `done`, when given, hears how it ended. False when the
// lookup itself could not be started.
bool launchDefaultMailClient(std::function<void(Outcome)> done = {});

} // namespace MailLauncher
