#pragma once

#include <QString>

// The CardDAV address book the book syncs with. The password lives in the desktop's keyring
// when one answers (under "carddav:<user>@<host>"), else in the settings file (0600).
struct SyncAccount
{
    QString server; // what the user gave: a URL (or a host) to discover from
    QString user;
    QString password;
    QString addressBook; // the address book's URL, as discovery found it
    QString trustedCert; // the SHA-256 fingerprint of a certificate the user trusts (hex)
    int intervalMinutes = 15;
    // How the contacts' groups travel: group cards (KIND:group and MEMBER, or Apple's
    // X-ADDRESSBOOKSERVER-*) or the first CATEGORIES value; Auto takes group cards when the
    // server holds any.
    enum class GroupMode
    {
        Auto,
        Categories,
        GroupCards,
    };
    GroupMode groupMode = GroupMode::Auto;

    bool isComplete() const
    {
        return !addressBook.isEmpty() && !user.isEmpty() && !password.isEmpty();
    }

    static SyncAccount load();
    // False when the password could go nowhere but the settings file although a keyring was
    // expected (it is then in the file).
    bool save() const;
    QString keyringKey() const;
};
