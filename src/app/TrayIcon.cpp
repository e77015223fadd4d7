#include "TrayIcon.h"

#include "AppText.h"
#include "TrayModalClicks.h"
#include "resource.h"
#include "ui/common/CommandTable.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

std::optional<bool>& availableOverride()
{
    static std::optional<bool> value;
    return value;
}

// Whether Qt shows the icon as a StatusNotifierItem: on Wayland always, on X11 when a host has
// registered with the watcher (Qt asks the same when it makes its first icon); otherwise it is
// an XEmbed icon of our own.
bool statusNotifierTray()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface props(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return props.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

TrayIcon::TrayIcon(CommandTable* commands, QWidget* window) : QObject(window)
{
    createMenu(commands, window);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_modalClicks = std::make_unique<TrayModalClicks>(
            m_menu, [commands] { commands->execute(ID_OPEN_ADDRESS_BOOK); });
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

void TrayIcon::createMenu(CommandTable* commands, QWidget*)
{
    // A menu of its own, not the window's: a dialog open on the window must not block it.
    m_menu = new QMenu(AppText::MenuTask);
    // Items whose text differs from the main menu's get their own action, run through the
    // same guard.
    auto proxy = [this, commands](int id, const QString& text) {
        auto* action = new QAction(text, m_menu);
        action->setData(id);
        connect(action, &QAction::triggered, commands, [commands, id] { commands->execute(id); });
        return action;
    };
    m_menu->addAction(commands->action(ID_OPEN_ADDRESS_BOOK));
    m_menu->addSeparator();
    m_menu->addAction(commands->action(ID_OPTIONS));
    m_menu->addSeparator();
    m_menu->addAction(proxy(ID_NEW_CONTACT, AppText::TaskNewContact));
    m_menu->addAction(proxy(ID_MAIL_CHECK, AppText::TaskMailCheck));
    m_menu->addAction(proxy(ID_SYNC, AppText::TaskSync));
    m_menu->addSeparator();
    m_menu->addAction(commands->action(ID_APP_EXIT));
    connect(m_menu, &QMenu::aboutToShow, this, [this, commands] {
        commands->refresh();
        for (QAction* action : m_menu->actions()) {
            if (action->parent() == m_menu)
                action->setEnabled(commands->isEnabled(action->data().toInt()));
        }
    });
}

bool TrayIcon::isAvailable()
{
    if (availableOverride())
        return *availableOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setAvailableForTesting(std::optional<bool> available)
{
    availableOverride() = available;
}

QIcon TrayIcon::iconForId(int iconId)
{
    QString name;
    switch (iconId) {
    case IDI_ANIMATION:
        name = QStringLiteral("tray_check1.svg");
        break;
    case IDI_ANIMATION_2:
        name = QStringLiteral("tray_check2.svg");
        break;
    case IDI_ANIMATION_3:
        name = QStringLiteral("tray_check3.svg");
        break;
    case IDI_ANIMATION_4:
        name = QStringLiteral("tray_check4.svg");
        break;
    default:
        name = QStringLiteral("app.svg");
        break; // 128 and 134 are the same picture
    }
    const QString path = QStringLiteral(":/icons/") + name;
    return QIcon(QFile::exists(path) ? path : QStringLiteral(":/icons/app.svg"));
}

void TrayIcon::AddTrayIcon(int iconId)
{
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setContextMenu(m_menu);
        // Such a tray (KDE, GNOME's AppIndicator extension) sends one activation for a click
        // and never a double click; an XEmbed icon sends both for a double click.
        const bool singleActivation = statusNotifierTray();
        connect(m_tray, &QSystemTrayIcon::activated, this, [this, singleActivation](auto reason) {
            if (reason == QSystemTrayIcon::DoubleClick ||
                (singleActivation && reason == QSystemTrayIcon::Trigger))
                emit doubleClicked();
        });
        // Qt puts the icon back when a tray restarts; a tray that first appears after us
        // needs a new show().
        m_wasAvailable = QSystemTrayIcon::isSystemTrayAvailable();
        m_watch = new QTimer(this);
        m_watch->setInterval(2000);
        connect(m_watch, &QTimer::timeout, this, &TrayIcon::checkTrayAppeared);
        m_watch->start();
    }
    m_tray->setIcon(iconForId(iconId));
    m_tip = AppText::TrayTip;
    m_tray->setToolTip(trayTip());
    m_tray->show();
}

void TrayIcon::checkTrayAppeared()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !m_wasAvailable && m_tray && m_tray->isVisible())
        OnTaskbarCreated();
    m_wasAvailable = available;
}

void TrayIcon::OnTaskbarCreated()
{
    // A new tray gets the icon as at the start: the normal picture and the first tooltip,
    // whatever the old tray showed. A running check animates it again at its next tick.
    if (m_tray)
        m_tray->hide();
    AddTrayIcon(IDI_TRAY);
}

void TrayIcon::SetTrayIcon(int iconId)
{
    if (m_tray)
        m_tray->setIcon(iconForId(iconId));
}

void TrayIcon::SetTrayTip(const QString& text)
{
    m_tip = text.left(63);
    if (m_tray)
        m_tray->setToolTip(trayTip());
}

void TrayIcon::SetProgressTip(const QString& text)
{
    m_progressTip = text.left(63);
    if (m_tray)
        m_tray->setToolTip(trayTip());
}

QString TrayIcon::trayTip() const
{
    return m_progressTip.isEmpty() ? m_tip : m_progressTip;
}

void TrayIcon::DeleteTrayIcon()
{
    if (m_watch)
        m_watch->stop();
    if (m_tray)
        m_tray->hide();
}
