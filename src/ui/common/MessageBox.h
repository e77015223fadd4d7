#pragma once

#include <QQueue>
#include <QString>

class QWidget;

// Every message box of the program: titled "VOK_Address", OK or Yes/No.
// Tests queue the answers instead of seeing a box; each box shown is recorded.
class MessageBox
{
public:
    enum Answer
    {
        Ok,
        Yes,
        No
    };

    static void information(QWidget* parent, const QString& text);
    static Answer question(QWidget* parent, const QString& text);

    // While the program ends on its own (a signal), no box may wait for a click: each text goes
    // to standard error and each question is answered No. A box already open is closed by
    // whoever ends the program.
    static void setUnattended(bool on);
    static bool unattended();

    // Test seam: while answers are queued, no box is shown; each call takes the next answer.
    static void queueAnswer(Answer answer);
    static void setTestMode(bool on);
    static QStringList& shownTexts();
};
