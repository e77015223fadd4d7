#include "DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>

namespace DesktopNotice {

namespace {

const QString kSound = QStringLiteral("message-new-email");

void playSound()
{
    const QString player = QStandardPaths::findExecutable(QStringLiteral("canberra-gtk-play"));
    if (!player.isEmpty())
        QProcess::startDetached(player, {QStringLiteral("--id=") + kSound});
}

} // namespace

void show(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        playSound();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("sound-name"), kSound},
                            {QStringLiteral("desktop-entry"), QStringLiteral("VOK_Address")}};
    call << QStringLiteral("VOK_Address") << 0u << QStringLiteral("mail-message-new") << summary
         << body << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [](QDBusPendingCallWatcher* done) {
                         if (done->isError())
                             playSound();
                         done->deleteLater();
                     });
}

} // namespace DesktopNotice
