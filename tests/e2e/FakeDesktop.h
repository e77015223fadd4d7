#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A notification area as KDE Plasma and GNOME's AppIndicator extension offer it: the watcher
// that StatusNotifierItems register with.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }
    QStringList m_items;
public slots:
    void RegisterStatusNotifierItem(const QString& service) { m_items << service; }
    void RegisterStatusNotifierHost(const QString&) {}
};

// The desktop's notification service.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList bodies;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        bodies << body;
        return uint(bodies.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

// A session bus of the test's own (dbus-daemon), so that no desktop service of the machine
// answers in the fakes' place.
class PrivateBus
{
public:
    ~PrivateBus();
    // The bus's address; empty when dbus-daemon could not be started.
    QString start();

private:
    QProcess m_daemon;
};
