#pragma once

#include <QString>
#include <QStringList>

// Where Address.vok lives: $VOK_ADDRESS_DIR when set; else beside the executable when a file
// already stands there (a portable copy); else the per-user data folder.
namespace DataLocation {

QString addressFilePath();
// The readings of names (Readings.txt), beside the book at bookPath.
QString readingsFilePath(const QString& bookPath);
// Readings guessed in earlier runs (GuessCache), in the user's cache folder.
QString guessCachePath();
// What the list showed at the last exit (StartPicture), under the user's cache folder.
QString startPicturePath();
// The name dictionaries in the form that loads in milliseconds, beside the guesses.
QString compiledDictionaryPath();
// The companion file of the book at bookPath (identities, extras, groups).
QString companionFilePath(const QString& bookPath);
// What the contact sheet held when the program had to end (Address.vok.draft).
QString draftFilePath(const QString& bookPath);
// What the last sync left (Address.vok.sync).
QString syncFilePath(const QString& bookPath);
// What each sync did, to read afterwards (SyncLog.txt, beside the book).
QString syncLogPath(const QString& bookPath);
// The lock that keeps one copy of the program on the book: a hidden file beside the file the
// book's path leads to, so that every spelling of the path and every environment meets it.
QString lockFilePath(const QString& bookPath);

// Every file that belongs to the book: the book, its companions and the backups of each.
QStringList bookFiles(const QString& bookPath);
// True when path is one of them, under whatever name or link.
bool isBookFile(const QString& bookPath, const QString& path);

} // namespace DataLocation
