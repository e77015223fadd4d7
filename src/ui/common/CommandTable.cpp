#include "CommandTable.h"

#include <QAction>
#include <utility>

CommandTable::CommandTable(QObject* parent) : QObject(parent) {}

QAction* CommandTable::add(int id, Handler handler, Rule rule)
{
    auto* action = new QAction(this);
    action->setData(id);
    // Greying follows refresh(); the rule is still asked at the trigger, since the state may
    // have changed since the last refresh.
    connect(action, &QAction::triggered, this, [this, id] { execute(id); });
    m_commands.insert(id, Command{action, std::move(handler), std::move(rule)});
    return action;
}

QAction* CommandTable::action(int id) const
{
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->action;
}

void CommandTable::setHandler(int id, Handler handler)
{
    auto it = m_commands.find(id);
    if (it != m_commands.end())
        it->handler = std::move(handler);
}

bool CommandTable::isEnabled(int id) const
{
    const auto it = m_commands.find(id);
    if (it == m_commands.end())
        return false;
    return !it->rule || it->rule();
}

bool CommandTable::execute(int id, const QVariant& argument)
{
    const auto it = m_commands.find(id);
    if (it == m_commands.end() || !isEnabled(id))
        return false;
    // Copy: the handler may replace itself or the table's contents while it runs.
    const Handler handler = it->handler;
    // A handler may run another command (a dialog's event loop): each sees its own argument.
    const QVariant outer = std::exchange(m_argument, argument);
    if (handler)
        handler();
    m_argument = outer;
    emit executed(id);
    return true;
}

void CommandTable::post(int id)
{
    QMetaObject::invokeMethod(
        this, [this, id] { execute(id); }, Qt::QueuedConnection);
}

void CommandTable::refresh()
{
    for (auto it = m_commands.begin(); it != m_commands.end(); ++it) {
        if (it->action)
            it->action->setEnabled(!it->rule || it->rule());
    }
}
