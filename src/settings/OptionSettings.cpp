#include "OptionSettings.h"

#include "SettingsValue.h"

OptionSettings OptionSettings::load()
{
    OptionSettings o;
    o.newmail = SettingsValue::readFlag(SettingsKeys::Newmail);
    o.tasktray = SettingsValue::readFlag(SettingsKeys::Tasktray);
    o.startup = SettingsValue::readFlag(SettingsKeys::Startup);
    o.shortcut = SettingsValue::read(SettingsKeys::Shortcut);
    o.noMailNotice = SettingsValue::readFlag(SettingsKeys::MailMsg);
    o.noTrayExplained = SettingsValue::readFlag(SettingsKeys::NoTrayMsg);
    return o;
}

void OptionSettings::save() const
{
    SettingsValue::write(SettingsKeys::Newmail, newmail ? 1 : 0);
    SettingsValue::write(SettingsKeys::Tasktray, tasktray ? 1 : 0);
    SettingsValue::write(SettingsKeys::Startup, startup ? 1 : 0);
    SettingsValue::write(SettingsKeys::Shortcut, shortcut);
    SettingsValue::write(SettingsKeys::MailMsg, noMailNotice ? 1 : 0);
    SettingsValue::write(SettingsKeys::NoTrayMsg, noTrayExplained ? 1 : 0);
}
