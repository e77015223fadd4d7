#include "MailAccount.h"

#include "SettingsValue.h"

MailAccount MailAccount::load()
{
    MailAccount a;
    a.userName = SettingsValue::read(SettingsKeys::UserName);
    a.password = SettingsValue::read(SettingsKeys::PassWord);
    a.popServer = SettingsValue::read(SettingsKeys::POPServer);
    return a;
}

void MailAccount::save() const
{
    SettingsValue::write(SettingsKeys::UserName, userName);
    SettingsValue::write(SettingsKeys::PassWord, password);
    SettingsValue::write(SettingsKeys::POPServer, popServer);
}
