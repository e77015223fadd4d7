#pragma once

#include "SettingsKeys.h"

#include <QtGlobal>
#include <array>

// The address list's column widths, sort order and whether the reading column and the 宛名
// columns (敬称, 連名, 役職, 部署, 年賀) show.
struct ListViewSettings
{
    // The six fields, the name's reading and the five 宛名 columns.
    static constexpr int ColumnCount = 12;
    static constexpr int NoWidth = -1;    // never sized by the user: fit the contents

    std::array<int, ColumnCount> widths;
    // The column in the low nibble; 0x10 ascending, 0x20 descending.
    quint32 sort = SettingsKeys::Sort.fallback;
    bool readingColumn = false;
    bool addresseeColumns = false;

    ListViewSettings() { widths.fill(NoWidth); }

    static ListViewSettings load();
    static void saveWidth(int column, int width);
    static void saveSort(quint32 sort);
    static void saveReadingColumn(bool shown);
    static void saveAddresseeColumns(bool shown);
};
