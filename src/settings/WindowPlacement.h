#pragma once

#include <QRect>
#include <QString>
#include <optional>

// The main window's placement as stored in "Style": ten numbers in the pattern
// "%u, %u, %d, %d, %d, %d, %d, %d, %d, %d".
struct WindowPlacement
{
    quint32 flags = 0;
    quint32 showCmd = 9; // always stored as "restore", so a maximised window comes back normal
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;

    // A null rectangle unless right lies after left and bottom below top, by a size int holds.
    QRect normalRect() const;
    static WindowPlacement fromNormalRect(const QRect& rect);

    QString format() const;
    // Empty unless all ten numbers convert; a number out of its type's range does not convert.
    static std::optional<WindowPlacement> parse(const QString& text);
};
