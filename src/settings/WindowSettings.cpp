#include "WindowSettings.h"

#include "RegistryKey.h"
#include "SettingsValue.h"

#include <QSettings>

WindowSettings WindowSettings::load()
{
    WindowSettings w;
    w.style = SettingsValue::read(SettingsKeys::Style);
    auto store = RegistryKey::openStore();
    store->beginGroup(QString::fromLatin1(SettingsKeys::BarSection));
    w.barState = store->value(QString::fromLatin1(SettingsKeys::BarState)).toByteArray();
    w.statusBarShown =
        store->value(QString::fromLatin1(SettingsKeys::StatusBarShown), true).toBool();
    store->endGroup();
    return w;
}

void WindowSettings::save() const
{
    SettingsValue::write(SettingsKeys::Style, style);
    auto store = RegistryKey::openStore();
    store->beginGroup(QString::fromLatin1(SettingsKeys::BarSection));
    store->setValue(QString::fromLatin1(SettingsKeys::BarState), barState);
    store->setValue(QString::fromLatin1(SettingsKeys::StatusBarShown), statusBarShown);
    store->endGroup();
    store->sync();
}
