#pragma once

#include <QString>

// The options of the options sheet, and the mail-check notice's "do not show again".
struct OptionSettings
{
    bool newmail = false;         // Shift+double-click on a contact writes a message to it
    bool tasktray = false;        // a double-click on the tray icon starts the mail program
    bool startup = false;         // an autostart entry starts the program at log-on
    QString shortcut;             // path of the autostart entry last written
    bool noMailNotice = false;    // the notice before a mail check is no longer shown
    bool noTrayExplained = false; // the user was told what closing does without a tray

    static OptionSettings load();
    void save() const;
};
