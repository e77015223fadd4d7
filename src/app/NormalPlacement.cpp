#include "NormalPlacement.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

NormalPlacement::NormalPlacement(QWidget* window)
    : QObject(window), m_window(window), m_settle(new QTimer(this)), m_normal(window->geometry())
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(300);
    connect(m_settle, &QTimer::timeout, this, &NormalPlacement::note);
    window->installEventFilter(this);
}

bool NormalPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        m_settle->start();
    return QObject::eventFilter(watched, event);
}

// A window manager may tell of a maximised size before it tells of the maximised state: a
// geometry counts as normal only once it has stood for a moment in the normal state.
void NormalPlacement::note()
{
    const auto states = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
    if (!(m_window->windowState() & states))
        m_normal = m_window->geometry();
}

QRect NormalPlacement::lastNormalGeometry() const
{
    if (!(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return m_window->geometry();
    // A window manager that told of the maximised size before the maximised state leaves Qt
    // holding that size as the normal one.
    const QRect known = m_window->normalGeometry();
    if (known.isValid() && known != m_window->geometry())
        return known;
    return m_normal.isValid() ? m_normal : known;
}
