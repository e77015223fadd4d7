#pragma once

#include <QByteArray>
#include <QStringList>

// The program's modes for scripts: each runs without a display and without the window, writes
// its messages to standard error and returns the exit status (0 on success, 1 otherwise).
//   VOK_Address --help
// Each mode is one function in the table of CommandLine.cpp and parses its own options.
namespace CommandLine {

struct Result
{
    int status = 0;
    QByteArray out; // for standard output
    QByteArray err; // for standard error
};

// True when the arguments ask for one of the modes rather than the window.
bool isCommandLine(const QStringList& arguments);
// Creates the application object the mode needs, runs it and prints what it says.
int run(int argc, char** argv);
// Runs the mode named by arguments[1] inside an application that already exists.
Result runMode(const QStringList& arguments);

} // namespace CommandLine
