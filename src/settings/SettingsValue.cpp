#include "SettingsValue.h"

#include "RegistryKey.h"

namespace SettingsValue {

quint32 read(const SettingsKeys::Dword& value)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(value.key));
    quint32 number = value.fallback;
    key.ReadDword(QString::fromLatin1(value.name), number);
    return number;
}

QString read(const SettingsKeys::String& value)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(value.key));
    QString text = QString::fromUtf8(value.fallback);
    key.ReadString(QString::fromLatin1(value.name), text);
    return text;
}

bool readFlag(const SettingsKeys::Dword& value)
{
    return read(value) != 0;
}

void write(const SettingsKeys::Dword& value, quint32 number)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(value.key));
    key.WriteDword(QString::fromLatin1(value.name), number);
}

void write(const SettingsKeys::String& value, const QString& text)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(value.key));
    key.WriteString(QString::fromLatin1(value.name), text);
}

QStringList read(const SettingsKeys::MultiString& value)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(value.key));
    QStringList texts;
    key.ReadMultiString(QString::fromLatin1(value.name), texts);
    return texts;
}

void write(const SettingsKeys::MultiString& value, const QStringList& texts)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(value.key));
    key.WriteMultiString(QString::fromLatin1(value.name), texts);
}

} // namespace SettingsValue
