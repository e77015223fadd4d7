#include "FakeDesktop.h"

#include <QElapsedTimer>
#include <QStandardPaths>

PrivateBus::~PrivateBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000))
            m_daemon.kill();
        m_daemon.waitForFinished(1000);
    }
}

QString PrivateBus::start()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        return {};
    m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address=1")});
    QByteArray address;
    QElapsedTimer waited;
    waited.start();
    while (!address.contains('\n') && waited.elapsed() < 10000 &&
           m_daemon.state() != QProcess::NotRunning) {
        m_daemon.waitForReadyRead(100);
        address += m_daemon.readAllStandardOutput();
    }
    return QString::fromUtf8(address.trimmed());
}
