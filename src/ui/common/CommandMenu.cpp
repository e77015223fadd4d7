#include "CommandMenu.h"

#include "CommandTable.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QStatusTipEvent>

namespace CommandMenu {

namespace {

void showPrompt(QWidget* owner, const QString& text)
{
    QStatusTipEvent tip(text);
    QApplication::sendEvent(owner, &tip);
}

void forwardPrompts(QMenu* menu, QWidget* owner)
{
    const QPointer<QWidget> to(owner);
    QObject::connect(menu, &QMenu::hovered, menu, [to](QAction* action) {
        if (to)
            showPrompt(to, action->statusTip());
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, [to] {
        if (to)
            showPrompt(to, QString());
    });
}

} // namespace

QMenu* create(QWidget* owner)
{
    auto* menu = new QMenu(owner);
    forwardPrompts(menu, owner);
    return menu;
}

QAction* add(QMenu* menu, CommandTable* commands, const QString& text, int id)
{
    QAction* a = menu->addAction(text);
    a->setData(id);
    const bool known = commands && commands->contains(id);
    a->setEnabled(known && commands->isEnabled(id));
    if (known)
        a->setStatusTip(commands->action(id)->statusTip());
    QObject::connect(a, &QAction::triggered, commands, [commands, id] { commands->execute(id); });
    return a;
}

QMenu* addGroupMenu(QMenu* menu, CommandTable* commands, const QString& title, int id,
                    std::function<QStringList()> groups,
                    std::function<bool(const QString&)> offered)
{
    QMenu* sub = menu->addMenu(title);
    QAction* command = commands ? commands->action(id) : nullptr;
    QAction* opener = sub->menuAction();
    opener->setEnabled(command && commands->isEnabled(id));
    if (!command)
        return sub;
    opener->setStatusTip(command->statusTip());
    // A menu that lives on (the menu bar's) follows the command's greying.
    QObject::connect(command, &QAction::enabledChanged, opener, &QAction::setEnabled);
    QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, commands, id, groups, offered] {
        sub->clear();
        const bool enabled = commands->isEnabled(id);
        for (const QString& name : groups()) {
            // A "&" in a name is a letter, not the mark of a key.
            QAction* item = sub->addAction(QString(name).replace(u'&', QStringLiteral("&&")));
            item->setEnabled(enabled && (!offered || offered(name)));
            item->setStatusTip(commands->action(id)->statusTip());
            QObject::connect(item, &QAction::triggered, commands,
                             [commands, id, name] { commands->execute(id, name); });
        }
    });
    return sub;
}

} // namespace CommandMenu
