#pragma once

#include "SettingsKeys.h"

#include <QtGlobal>
#include <array>

// The address list's column widths, sort order and whether the reading column shows.
struct ListViewSettings
{
    static constexpr int ColumnCount = 7; // the six fields and the name's reading
    static constexpr int NoWidth = -1;    // never sized by the user: fit the contents

    std::array<int, ColumnCount> widths;
    // The column in the low nibble; 0x10 ascending, 0x20 descending.
    quint32 sort = SettingsKeys::Sort.fallback;
    bool readingColumn = false;

    ListViewSettings() { widths.fill(NoWidth); }

    static ListViewSettings load();
    static void saveWidth(int column, int width);
    static void saveSort(quint32 sort);
    static void saveReadingColumn(bool shown);
};
