#include "PrintSettings.h"

#include "SettingsValue.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

double tenths(const SettingsKeys::Dword& value, bool stored)
{
    return (stored ? SettingsValue::read(value) : value.fallback) / 10.0;
}

PrintSettings::Sheet sheet(const SettingsKeys::LabelSheetValues& v, bool stored)
{
    return {tenths(v.left, stored),   tenths(v.top, stored),    tenths(v.width, stored),
            tenths(v.height, stored), tenths(v.pitchX, stored), tenths(v.pitchY, stored)};
}

void write(const SettingsKeys::Dword& value, double mm)
{
    SettingsValue::write(value, quint32(std::lround(std::max(0.0, mm) * 10.0)));
}

void writeSheet(const SettingsKeys::LabelSheetValues& v, const PrintSettings::Sheet& s)
{
    write(v.left, s.leftMm);
    write(v.top, s.topMm);
    write(v.width, s.widthMm);
    write(v.height, s.heightMm);
    write(v.pitchX, s.pitchXMm);
    write(v.pitchY, s.pitchYMm);
}

const SettingsKeys::String* const kOffsets[] = {
    &SettingsKeys::PostcardOffset, &SettingsKeys::Label12Offset, &SettingsKeys::Label24Offset};

// "x,y"; anything else, or a value out of reach, is no offset.
PrintSettings::Offset offset(const SettingsKeys::String& value)
{
    const QStringList parts = SettingsValue::read(value).split(u',');
    if (parts.size() != 2)
        return {};
    bool okX = false;
    bool okY = false;
    const double x = parts[0].trimmed().toDouble(&okX);
    const double y = parts[1].trimmed().toDouble(&okY);
    const double max = PrintSettings::MaxOffsetMm;
    if (!okX || !okY || !(std::abs(x) <= max) || !(std::abs(y) <= max))
        return {};
    return {x, y};
}

// A stored choice outside 0..last reads as the default.
int choice(const SettingsKeys::Dword& value, int last)
{
    const quint32 stored = SettingsValue::read(value);
    return stored <= quint32(last) ? int(stored) : int(value.fallback);
}

} // namespace

PrintSettings PrintSettings::load()
{
    PrintSettings s;
    s.fontFamily = SettingsValue::read(SettingsKeys::FontFamily);
    s.numerals = choice(SettingsKeys::Numerals, Upright);
    s.layout = choice(SettingsKeys::Layout, Label24);
    s.office = SettingsValue::readFlag(SettingsKeys::AddressKind);
    s.guides = SettingsValue::readFlag(SettingsKeys::Guides);
    s.label12 = sheet(SettingsKeys::Label12, true);
    s.label24 = sheet(SettingsKeys::Label24, true);
    s.tateChuYoko = SettingsValue::readFlag(SettingsKeys::TateChuYoko);
    for (int i = 0; i < 3; ++i)
        s.offsets[i] = offset(*kOffsets[i]);
    return s;
}

void PrintSettings::save() const
{
    saveLettering();
    SettingsValue::write(SettingsKeys::Layout, quint32(layout));
    SettingsValue::write(SettingsKeys::AddressKind, office ? 1 : 0);
    SettingsValue::write(SettingsKeys::Guides, guides ? 1 : 0);
    writeSheet(SettingsKeys::Label12, label12);
    writeSheet(SettingsKeys::Label24, label24);
    for (int i = 0; i < 3; ++i) {
        SettingsValue::write(*kOffsets[i], QString::number(offsets[i].xMm, 'f', 1) + u',' +
                                               QString::number(offsets[i].yMm, 'f', 1));
    }
}

void PrintSettings::saveLettering() const
{
    SettingsValue::write(SettingsKeys::FontFamily, fontFamily);
    SettingsValue::write(SettingsKeys::Numerals, quint32(numerals));
    SettingsValue::write(SettingsKeys::TateChuYoko, tateChuYoko ? 1 : 0);
}

PrintSettings::Sheet PrintSettings::defaultSheet(Layout layout)
{
    return sheet(layout == Label24 ? SettingsKeys::Label24 : SettingsKeys::Label12, false);
}
