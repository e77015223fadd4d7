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

} // namespace CommandMenu
