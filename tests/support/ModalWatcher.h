#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on every modal dialog that comes up while it lives, from the event loop.
class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<void(QWidget*)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != m_last) {
                m_last = modal;
                ++m_seen;
                m_act(modal);
            }
        });
        m_timer.start(10);
    }
    int seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_seen = 0;
};
