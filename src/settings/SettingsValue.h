#pragma once

#include "SettingsKeys.h"

#include <QString>
#include <QStringList>

// One value of the table read or written through a short-lived RegistryKey. An absent or
// unreadable value gives the table's default; the status of a write is not looked at.
namespace SettingsValue {

quint32 read(const SettingsKeys::Dword& value);
QString read(const SettingsKeys::String& value);
bool readFlag(const SettingsKeys::Dword& value);
void write(const SettingsKeys::Dword& value, quint32 number);
void write(const SettingsKeys::String& value, const QString& text);
QStringList read(const SettingsKeys::MultiString& value);
void write(const SettingsKeys::MultiString& value, const QStringList& texts);

} // namespace SettingsValue
