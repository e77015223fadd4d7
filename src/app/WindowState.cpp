#include "WindowState.h"

#include "settings/WindowPlacement.h"
#include "settings/WindowSettings.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QStatusBar>

namespace WindowState {

void save(const QMainWindow& window, const QRect& normalRect)
{
    WindowPlacement placement = WindowPlacement::fromNormalRect(normalRect);
    placement.showCmd = 9;
    WindowSettings settings;
    settings.style = placement.format();
    settings.barState = window.saveState();
    settings.statusBarShown = window.statusBar() && !window.statusBar()->isHidden();
    settings.save();
}

void restorePlacement(QMainWindow& window)
{
    const QString style = WindowSettings::load().style;
    if (style.isEmpty())
        return;
    const auto placement = WindowPlacement::parse(style);
    if (!placement)
        return;
    const QRect rect = placement->normalRect();
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // A placement on a screen that is no longer there would leave the window unreachable.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->geometry().intersects(rect);
    if (onScreen)
        window.setGeometry(rect);
}

void restoreBars(QMainWindow& window)
{
    const WindowSettings settings = WindowSettings::load();
    if (!settings.barState.isEmpty())
        window.restoreState(settings.barState);
    window.statusBar()->setVisible(settings.statusBarShown);
}

} // namespace WindowState
