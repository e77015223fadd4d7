#include "PrintSettings.h"

#include "SettingsValue.h"

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
}

void PrintSettings::saveLettering() const
{
    SettingsValue::write(SettingsKeys::FontFamily, fontFamily);
    SettingsValue::write(SettingsKeys::Numerals, quint32(numerals));
}

PrintSettings::Sheet PrintSettings::defaultSheet(Layout layout)
{
    return sheet(layout == Label24 ? SettingsKeys::Label24 : SettingsKeys::Label12, false);
}
