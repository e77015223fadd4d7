#include "SyncAccount.h"

#include "PasswordStore.h"
#include "SettingsValue.h"

#include <QUrl>

QString SyncAccount::keyringKey() const
{
    return QStringLiteral("carddav:") + user + u'@' + QUrl(addressBook).host();
}

SyncAccount SyncAccount::load()
{
    SyncAccount a;
    a.server = SettingsValue::read(SettingsKeys::SyncServer);
    a.user = SettingsValue::read(SettingsKeys::SyncUser);
    a.addressBook = SettingsValue::read(SettingsKeys::SyncAddressBook);
    a.trustedCert = SettingsValue::read(SettingsKeys::SyncTrustedCert);
    a.intervalMinutes = int(SettingsValue::read(SettingsKeys::SyncInterval));
    const quint32 mode = SettingsValue::read(SettingsKeys::SyncGroupMode);
    a.groupMode = mode <= quint32(GroupMode::GroupCards) ? GroupMode(mode) : GroupMode::Auto;
    const std::unique_ptr<PasswordStore> keyring = PasswordStore::forKey(a.keyringKey());
    if (!keyring || keyring->read(a.password) != PasswordStore::Result::Found)
        a.password = SettingsValue::read(SettingsKeys::SyncPassword);
    return a;
}

bool SyncAccount::save() const
{
    SettingsValue::write(SettingsKeys::SyncServer, server);
    SettingsValue::write(SettingsKeys::SyncUser, user);
    SettingsValue::write(SettingsKeys::SyncAddressBook, addressBook);
    SettingsValue::write(SettingsKeys::SyncTrustedCert, trustedCert);
    SettingsValue::write(SettingsKeys::SyncInterval, quint32(intervalMinutes));
    SettingsValue::write(SettingsKeys::SyncGroupMode, quint32(groupMode));
    const std::unique_ptr<PasswordStore> keyring = PasswordStore::forKey(keyringKey());
    const bool inKeyring = keyring && keyring->write(password);
    SettingsValue::write(SettingsKeys::SyncPassword, inKeyring ? QString() : password);
    return inKeyring || !keyring;
}
