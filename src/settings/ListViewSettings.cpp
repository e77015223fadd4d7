#include "ListViewSettings.h"

#include "RegistryKey.h"
#include "SettingsValue.h"

namespace {

QString widthName(int column)
{
    return QString::fromLatin1(SettingsKeys::WidthPattern).arg(column);
}

} // namespace

ListViewSettings ListViewSettings::load()
{
    ListViewSettings s;
    s.sort = SettingsValue::read(SettingsKeys::Sort);
    s.readingColumn = SettingsValue::readFlag(SettingsKeys::ReadingColumn);
    s.addresseeColumns = SettingsValue::readFlag(SettingsKeys::AddresseeColumns);
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::ListViewKey));
    for (int c = 0; c < ColumnCount; ++c) {
        quint32 stored = 0;
        // A width that reads as negative is no width.
        if (key.ReadDword(widthName(c), stored) == RegistryKey::Success && stored < 0x80000000u)
            s.widths[c] = static_cast<int>(stored & 0xFFFF);
    }
    return s;
}

void ListViewSettings::saveWidth(int column, int width)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::ListViewKey));
    key.WriteDword(widthName(column), static_cast<quint32>(width));
}

void ListViewSettings::saveSort(quint32 sort)
{
    SettingsValue::write(SettingsKeys::Sort, sort);
}

void ListViewSettings::saveReadingColumn(bool shown)
{
    SettingsValue::write(SettingsKeys::ReadingColumn, shown ? 1u : 0u);
}

void ListViewSettings::saveAddresseeColumns(bool shown)
{
    SettingsValue::write(SettingsKeys::AddresseeColumns, shown ? 1u : 0u);
}
