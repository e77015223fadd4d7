#pragma once

#include <QObject>
#include <QRect>

class QTimer;
class QWidget;

// The window's last placement in the normal state, whatever its state now: what is kept for
// the next start, so that a window maximised by the window manager comes back normal.
class NormalPlacement : public QObject
{
    Q_OBJECT
public:
    explicit NormalPlacement(QWidget* window);

    QRect lastNormalGeometry() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void note();

    QWidget* m_window;
    QTimer* m_settle;
    QRect m_normal;
};
