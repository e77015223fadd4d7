#include "MailAccount.h"

#include "PasswordStore.h"
#include "SettingsValue.h"

MailAccount MailAccount::load()
{
    MailAccount a;
    a.userName = SettingsValue::read(SettingsKeys::UserName);
    a.popServer = SettingsValue::read(SettingsKeys::POPServer);
    // The keyring first; a password stored in the file by an older run still counts.
    PasswordStore* keyring = PasswordStore::current();
    if (!keyring || keyring->read(a.password) != PasswordStore::Result::Found)
        a.password = SettingsValue::read(SettingsKeys::PassWord);
    return a;
}

MailAccount::PasswordPlace MailAccount::save() const
{
    SettingsValue::write(SettingsKeys::UserName, userName);
    SettingsValue::write(SettingsKeys::POPServer, popServer);
    PasswordStore* keyring = PasswordStore::current();
    const bool inKeyring =
        keyring && (password.isEmpty() ? keyring->remove() : keyring->write(password));
    const QString inFile = SettingsValue::read(SettingsKeys::PassWord);
    // Once the keyring holds it, the file no longer does.
    SettingsValue::write(SettingsKeys::PassWord, inKeyring ? QString() : password);
    if (password.isEmpty())
        return PasswordPlace::None;
    if (inKeyring)
        return PasswordPlace::Keyring;
    return keyring && inFile != password ? PasswordPlace::SettingsFileWithoutKeyring
                                         : PasswordPlace::SettingsFile;
}
