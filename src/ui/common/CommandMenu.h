#pragma once

#include <QString>

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

} // namespace CommandMenu
