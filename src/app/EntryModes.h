#pragma once

// The modes the executable answers by itself, with QtCore alone: a mail program runs `--query`
// once per lookup (aerc as the user types), and mapping the window's libraries would cost more
// than the answer. Every other start goes to the program module (ProgramModule).
namespace EntryModes {

// True when argv asks for one of them.
bool handles(int argc, char** argv);
// Runs it and prints what it says; returns the exit status.
int run(int argc, char** argv);

} // namespace EntryModes
