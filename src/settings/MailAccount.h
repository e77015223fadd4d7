#pragma once

#include <QString>

// The POP3 mailbox the mail check asks.
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
