#pragma once

#include <QString>
#include <memory>

// Where the POP3 password is kept when not in the settings file: the desktop's keyring. The
// settings file (mode 0600) stays the fallback when no keyring answers. VOK_PASSWORD_STORE=file
// in the environment keeps the password in the file without asking a keyring (the tests do).
class PasswordStore
{
public:
    enum class Result
    {
        Found,
        NotFound,   // the keyring answered and holds no password of ours
        Unavailable // no keyring answered
    };

    virtual ~PasswordStore();
    virtual Result read(QString& password) = 0;
    // False when no keyring took it.
    virtual bool write(const QString& password) = 0;
    virtual bool remove() = 0;

    // The keyring in use; null when the password lives in the settings file only.
    static PasswordStore* current();
    // Another password in the same keyring (key names it); null when current() is null or a
    // test's own.
    static std::unique_ptr<PasswordStore> forKey(const QString& key);
    // Tests put a keyring of their own in place (null: the settings file only), or let the
    // environment choose again.
    static void setForTesting(std::unique_ptr<PasswordStore> store);
    static void chooseAgainForTesting();
};
