#pragma once

#include <functional>

class CommandTable;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

// The main window's menu bar and tool bar, built from the command table: each command's texts,
// key and picture, and its places in the menus and on the tool bar.
namespace MainMenus {

// Gives every command its texts, key and picture; the keys work through the window whether or
// not a menu shows the command.
void applyCommandTexts(CommandTable& commands, QMainWindow& window);
// The search field stands at the tool bar's far end.
QToolBar* createToolBar(CommandTable& commands, QMainWindow& window, QWidget* searchField);
// groupMenus adds the submenus that move and copy contacts into a group to the edit menu.
void createMenus(CommandTable& commands, QMainWindow& window, QToolBar* toolBar,
                 const std::function<void(QMenu*)>& groupMenus);

} // namespace MainMenus
