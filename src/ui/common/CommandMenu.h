#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class CommandTable;
class QAction;
class QMenu;
class QWidget;

// The panes' context menus: items that run commands through the command guard.
namespace CommandMenu {

// A menu whose items show their command's prompt in the status bar of owner's window while
// they are highlighted: a popup menu is a window of its own, whose prompts reach no status bar.
QMenu* create(QWidget* owner);
// Adds an item greyed by the command's rule, asked again when the item is chosen.
QAction* add(QMenu* menu, CommandTable* commands, const QString& text, int id);
// Adds a submenu greyed with the command, whose items, one per group, are made each time it
// opens: choosing one runs the command with the group's name as its argument. Groups for which
// `offered` says no are greyed.
QMenu* addGroupMenu(QMenu* menu, CommandTable* commands, const QString& title, int id,
                    std::function<QStringList()> groups,
                    std::function<bool(const QString&)> offered = {});

} // namespace CommandMenu
