#pragma once

#include <QIcon>
#include <QObject>
#include <memory>
#include <optional>

class CommandTable;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;

// The notification icon and its menu (menu 137). The icon ids are those of res/resource.h
// (IDI_TRAY, IDI_ANIMATION..).
class TrayModalClicks;

class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(CommandTable* commands, QWidget* window);
    ~TrayIcon() override;

    void AddTrayIcon(int iconId);
    void SetTrayIcon(int iconId);
    // At most 63 characters are shown.
    void SetTrayTip(const QString& text);
    // Shown instead of the tooltip while work runs; empty brings the tooltip back.
    void SetProgressTip(const QString& text);
    QString trayTip() const;
    void DeleteTrayIcon();
    // A tray appeared (again): the icon is added anew, as at the start.
    void OnTaskbarCreated();

    QSystemTrayIcon* icon() const { return m_tray; }
    QMenu* menu() const { return m_menu; }
    static QIcon iconForId(int iconId);

    // Whether the desktop has a notification area; tests may decide it.
    static bool isAvailable();
    static void setAvailableForTesting(std::optional<bool> available);

signals:
    // A double click on the icon, or the one activation a StatusNotifierItem tray sends for a
    // click.
    void doubleClicked();

private:
    void createMenu(CommandTable* commands, QWidget* window);
    void checkTrayAppeared();

    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    QTimer* m_watch = nullptr;
    std::unique_ptr<TrayModalClicks> m_modalClicks;
    bool m_wasAvailable = false;
    QString m_tip;
    QString m_progressTip;
};
