#pragma once

#include <QByteArray>
#include <QString>

// The main window's placement ("Style", see WindowPlacement) and the bars' state.
struct WindowSettings
{
    QString style;
    QByteArray barState;
    bool statusBarShown = true;

    static WindowSettings load();
    void save() const;
};
