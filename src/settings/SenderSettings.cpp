#include "SenderSettings.h"

#include "SettingsValue.h"

SenderSettings SenderSettings::load()
{
    SenderSettings s;
    s.name = SettingsValue::read(SettingsKeys::SenderName);
    s.postalCode = SettingsValue::read(SettingsKeys::SenderPostalCode);
    s.address = SettingsValue::read(SettingsKeys::SenderAddress);
    return s;
}

void SenderSettings::save() const
{
    SettingsValue::write(SettingsKeys::SenderName, name);
    SettingsValue::write(SettingsKeys::SenderPostalCode, postalCode);
    SettingsValue::write(SettingsKeys::SenderAddress, address);
}
