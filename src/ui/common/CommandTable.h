#pragma once

#include <QHash>
#include <QObject>
#include <QVariant>
#include <functional>

class QAction;

// One QAction per command number, with its enable rule and handler. Every trigger (menu,
// accelerator, tool bar, context menu, tray menu, posted command) goes through execute(), which
// asks the rule again right before the handler runs and drops the command when it says no.
class CommandTable : public QObject
{
    Q_OBJECT
public:
    using Rule = std::function<bool()>;
    using Handler = std::function<void()>;

    explicit CommandTable(QObject* parent = nullptr);

    // Creates the command's action; the text, prompt and tool tip are set by the caller.
    QAction* add(int id, Handler handler, Rule rule = {});
    QAction* action(int id) const;
    bool contains(int id) const { return m_commands.contains(id); }
    void setHandler(int id, Handler handler);

    bool isEnabled(int id) const;
    // Runs the command when its rule allows; returns whether it ran. The argument is what the
    // user chose with the command (a group's name from a submenu), for its handler to read.
    bool execute(int id, const QVariant& argument = {});
    // The argument of the command whose handler runs; empty outside a handler.
    QVariant argument() const { return m_argument; }
    // Queues the command, as a posted window message would; the rule is asked when it arrives.
    void post(int id);
    // Greys or enables every action by its rule (menus call this before they show).
    void refresh();

signals:
    void executed(int id);

private:
    struct Command
    {
        QAction* action = nullptr;
        Handler handler;
        Rule rule;
    };
    QHash<int, Command> m_commands;
    QVariant m_argument;
};
