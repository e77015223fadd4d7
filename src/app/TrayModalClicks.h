#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>

class QMenu;

// With an XEmbed tray, the tray icon is a window of ours, and Qt blocks it like every other
// window while a modal dialog is open: the icon would neither open its menu nor bring the
// dialog forward. Its clicks are taken here, before Qt drops them.
class TrayModalClicks : public QAbstractNativeEventFilter
{
public:
    // onLeftClick brings the window and its dialog forward.
    TrayModalClicks(QMenu* menu, std::function<void()> onLeftClick);
    ~TrayModalClicks() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QMenu* m_menu;
    std::function<void()> m_onLeftClick;
    std::uint8_t m_xinput; // the XInput extension's event code, 0 without it
};
