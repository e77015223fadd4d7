#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Handing work to the desktop's mail program: composing a message to given addresses, and
// starting the default mail program itself. Programs are started without a shell.
namespace MailLauncher {

// "mailto:" with the addresses joined by ",", each percent-encoded, so that no character of
// an address can add a header, a second address or an argument. Empty addresses are left out.
QUrl buildMailtoUrl(const QStringList& addresses);
// The same from the ";"-joined clipboard form of the addresses.
QUrl mailtoFromJoined(const QString& joined);
// Hands the address to the default mail program; false when nothing could take it.
bool openMailto(const QUrl& url);

// The words of a desktop entry's Exec line, unquoted, field codes (%u, %F, ...) dropped.
QStringList splitExecLine(const QString& exec);
// The Exec line of the [Desktop Entry] group of a .desktop file; empty when there is none.
QString readDesktopExec(const QString& desktopFile);
// Where a desktop file id ("org.example.Mail.desktop") lies in the XDG data folders; empty
// when nowhere.
QString findDesktopFile(const QString& desktopId);
// Starts the default handler of mailto: addresses, without arguments; false on any failure.
bool launchDefaultMailClient();

} // namespace MailLauncher
