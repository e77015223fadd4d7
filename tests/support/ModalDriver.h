#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on every modal dialog (and, when asked, every popup menu) that comes up while it lives,
// from inside the dialog's or menu's own event loop, as a user at the screen would.
class ModalDriver
{
public:
    enum Watch
    {
        Dialogs,
        Popups,
    };

    explicit ModalDriver(std::function<void(QWidget*)> act, Watch watch = Dialogs)
        : m_act(std::move(act)), m_watch(watch)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* shown = m_watch == Popups ? QApplication::activePopupWidget()
                                               : QApplication::activeModalWidget();
            if (shown && shown != m_last) {
                m_last = shown;
                ++m_seen;
                m_act(shown);
            }
        });
        m_timer.start(10);
    }
    int seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_act;
    Watch m_watch;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_seen = 0;
};
