#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>
#include <cstdint>

// Work long enough to pump events while it runs (an import, an export): it shows a modal
// progress dialog after half a second, and while it lives the program does not end under it.
// A request to end (a signal, the session) waits until no long work is running.
class LongWork
{
public:
    LongWork(QWidget* parent, const QString& label);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // Progress of one of `parts` equal parts of the work.
    void update(int part, int parts, std::uint64_t done, std::uint64_t total);
    // Between two steps of the work: the window paints and its timers run, what the user does
    // waits (as it does behind the dialog).
    void letWindowAnswer();

    static bool running() { return s_running > 0; }
    // Tests: show the dialog after this many milliseconds instead of 500.
    static void setDelayForTesting(int ms);

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_sinceEvents;
    static int s_running;
};
