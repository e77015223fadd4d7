#pragma once

#include <QString>

// The POP3 mailbox the mail check asks. The password lives in the desktop's keyring when one
// answers (PasswordStore), else in the settings file; saving moves it from the file to the
// keyring.
struct MailAccount
{
    QString userName;
    QString password;
    QString popServer;

    bool isComplete() const
    {
        return !userName.isEmpty() && !password.isEmpty() && !popServer.isEmpty();
    }

    // Where save() put the password.
    enum class PasswordPlace
    {
        None, // there is none
        Keyring,
        SettingsFile, // where it was, or where the environment keeps it
        // Newly into the settings file, because no keyring took it: the user should know.
        SettingsFileWithoutKeyring,
    };

    static MailAccount load();
    PasswordPlace save() const;
};
