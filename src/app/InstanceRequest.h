#pragma once

#include "CommandLine.h"

#include <QByteArray>
#include <QString>
#include <optional>

class QLocalSocket;

// What a script's start asks of the running copy over the single-instance socket: one line
// each way. "show" (and any line the running copy does not know) brings its window forward;
//     IMPORT <file> <group>
// imports the file into its book and is answered with
//     <exit status> <standard output> <standard error>
// Every value is UTF-8, percent-encoded so that it holds no blank or line break; an empty group
// keeps the file's groups.
namespace InstanceRequest {

struct Import
{
    QString path; // absolute: the running copy has another working folder
    QString group;
};

// A longer line is no request of ours.
constexpr qsizetype MaxLine = 64 * 1024;

QByteArray importLine(const Import& request);
std::optional<Import> parseImport(const QByteArray& line);
QByteArray answerLine(const CommandLine::Result& result);
std::optional<CommandLine::Result> parseAnswer(const QByteArray& line);

// Connects the socket to the server, trying again for waitMs while a copy that is starting does
// not listen yet.
bool connect(QLocalSocket& socket, const QString& serverPath, int waitMs);
// Connects (as connect() does for connectWaitMs), sends the line and waits up to answerWaitMs
// for the answer line; nothing when nobody answers.
std::optional<QByteArray> ask(const QString& serverPath, const QByteArray& line, int connectWaitMs,
                              int answerWaitMs);

} // namespace InstanceRequest
