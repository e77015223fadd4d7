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

    static MailAccount load();
    void save() const;
};
