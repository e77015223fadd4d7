#include "MainMenus.h"

#include "AppText.h"
#include "resource.h"
#include "ui/common/CommandTable.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

// The tool bar's places, left to right; 0 is a separator.
constexpr int kToolBarPlaces[] = {ID_NEW_CONTACT,
                                  ID_CREATE_GROUP,
                                  ID_COPY_MAIL,
                                  ID_EXPORT,
                                  ID_IMPORT,
                                  ID_OPTIONS,
                                  0,
                                  ID_EDIT_CONTACT,
                                  ID_DELETE,
                                  0,
                                  ID_NEW_MAIL,
                                  ID_MAIL_CHECK,
                                  0,
                                  ID_APP_ABOUT};

// The key as Qt reads it, and its name as the menu shows it after a tab: Qt's own name for
// the Delete key is "Del".
struct CommandKey
{
    int id;
    const char* shortcut;
    const char* shown;
    const char* icon;
};

constexpr CommandKey kCommandKeys[] = {
    {ID_NEW_CONTACT, "Ctrl+N", "Ctrl+N", "tb_new_contact.svg"},
    {ID_CREATE_GROUP, "Ctrl+G", "Ctrl+G", "tb_create_group.svg"},
    {ID_COPY_MAIL, "Ctrl+M", "Ctrl+M", "tb_copy_mail.svg"},
    {ID_EXPORT, "Ctrl+P", "Ctrl+P", "tb_export.svg"},
    {ID_IMPORT, "Ctrl+I", "Ctrl+I", "tb_import.svg"},
    {ID_OPTIONS, "", "", "tb_options.svg"},
    {ID_EDIT_CONTACT, "Ctrl+E", "Ctrl+E", "tb_edit_contact.svg"},
    {ID_DELETE, "Del", "Delete", "tb_delete.svg"},
    {ID_DELETE_GROUP, "Ctrl+D", "Ctrl+D", ""},
    {ID_RENAME_GROUP, "F2", "F2", ""},
    {ID_NEW_MAIL, "", "", "tb_new_mail.svg"},
    {ID_MAIL_CHECK, "", "", "tb_mail_check.svg"},
    {ID_APP_ABOUT, "", "", "tb_about.svg"},
    {ID_EDIT_UNDO, "Ctrl+Z", "Ctrl+Z", ""},
    {ID_EDIT_REDO, "Ctrl+Y", "Ctrl+Y", ""},
    {ID_PRINT_ADDRESSES, "Ctrl+Shift+P", "Ctrl+Shift+P", ""},
    {ID_EDIT_FIND, "Ctrl+F", "Ctrl+F", ""},
    {ID_SYNC, "Ctrl+Shift+S", "Ctrl+Shift+S", ""},
};

} // namespace

namespace MainMenus {

void applyCommandTexts(CommandTable& commands, QMainWindow& window)
{
    for (const auto& text : AppText::Commands) {
        QAction* action = commands.action(text.id);
        if (!action)
            continue;
        action->setText(QString::fromUtf16(text.item));
        action->setStatusTip(QString::fromUtf16(text.prompt));
        action->setToolTip(QString::fromUtf16(text.tip));
        action->setIconVisibleInMenu(false);
    }
    commands.action(ID_OPEN_ADDRESS_BOOK)->setText(AppText::TaskOpen);
    commands.action(ID_APP_EXIT)->setText(AppText::TaskExit);
    commands.action(ID_VIEW_TOOLBAR)->setCheckable(true);
    commands.action(ID_VIEW_STATUS_BAR)->setCheckable(true);
    commands.action(ID_VIEW_READING)->setCheckable(true);
    commands.action(ID_VIEW_ADDRESSEE)->setCheckable(true);

    for (const auto& key : kCommandKeys) {
        QAction* action = commands.action(key.id);
        if (*key.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(key.shortcut)));
            // A menu shows the text after a tab as it stands, in place of the shortcut's own
            // name; the key itself stays bound to the action. Only menus see the tab.
            if (!action->text().isEmpty()) {
                action->setIconText(action->iconText());
                action->setText(action->text() + u'\t' + QString::fromLatin1(key.shown));
            }
        }
        if (*key.icon)
            action->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(key.icon)));
        window.addAction(action);
    }
}

QToolBar* createToolBar(CommandTable& commands, QMainWindow& window, QWidget* searchField)
{
    auto* toolBar = new QToolBar(AppText::ToolBarCaption, &window);
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setMovable(true);
    toolBar->setFloatable(true);
    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolBarPlaces) {
        if (id == 0)
            toolBar->addSeparator();
        else
            toolBar->addAction(commands.action(id));
    }
    // The search field stands at the far end.
    auto* gap = new QWidget(toolBar);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(gap);
    toolBar->addWidget(searchField);
    window.addToolBar(Qt::TopToolBarArea, toolBar);
    return toolBar;
}

void createMenus(CommandTable& commands, QMainWindow& window, QToolBar* toolBar,
                 const std::function<void(QMenu*)>& groupMenus)
{
    QMenuBar* bar = window.menuBar();
    auto addItems = [&](QMenu* m, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0)
                m->addSeparator();
            else
                m->addAction(commands.action(id));
        }
    };
    auto menu = [&](const QString& title, std::initializer_list<int> ids) {
        QMenu* m = bar->addMenu(title);
        QObject::connect(m, &QMenu::aboutToShow, &commands, &CommandTable::refresh);
        addItems(m, ids);
        return m;
    };
    menu(AppText::MenuFile, {ID_NEW_CONTACT, ID_CREATE_GROUP, 0, ID_COPY_MAIL, 0, ID_EXPORT,
                             ID_IMPORT, 0, ID_PRINT_ADDRESSES, 0, ID_OPTIONS});
    QMenu* edit =
        menu(AppText::MenuEdit, {ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_CONTACT, ID_DELETE, 0});
    // Moving and copying contacts into a group: submenus that list the groups.
    groupMenus(edit);
    addItems(edit, {0, ID_DELETE_GROUP, 0, ID_EDIT_FIND, ID_FIND_DUPLICATES});
    QMenu* view = menu(AppText::MenuView, {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, 0, ID_VIEW_READING,
                                           ID_VIEW_ADDRESSEE});
    QObject::connect(view, &QMenu::aboutToShow, &window, [&commands, &window, toolBar] {
        commands.action(ID_VIEW_TOOLBAR)->setChecked(!toolBar->isHidden());
        commands.action(ID_VIEW_STATUS_BAR)->setChecked(!window.statusBar()->isHidden());
    });
    menu(AppText::MenuTools, {ID_NEW_MAIL, ID_MAIL_CHECK, 0, ID_SYNC, ID_SYNC_LOG});
    menu(AppText::MenuHelp, {ID_APP_ABOUT});
}

} // namespace MainMenus
