#include "TrayModalClicks.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {

bool isTrayIconWindow(xcb_window_t window)
{
    // Qt's own widget for an XEmbed tray icon; with a StatusNotifierItem tray there is none,
    // and nothing is blocked there.
    const auto widgets = QApplication::topLevelWidgets();
    for (const QWidget* w : widgets) {
        if (w->inherits("QSystemTrayIconSys") && w->internalWinId() == window)
            return true;
    }
    return false;
}

// Qt reads the mouse through XInput 2 where the server has it, through core events otherwise.
std::uint8_t xinputOpcode()
{
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return 0;
    const xcb_query_extension_reply_t* ext =
        xcb_get_extension_data(x11->connection(), &xcb_input_id);
    return ext && ext->present ? ext->major_opcode : 0;
}

} // namespace

TrayModalClicks::TrayModalClicks(QMenu* menu, std::function<void()> onLeftClick)
    : m_menu(menu), m_onLeftClick(std::move(onLeftClick)), m_xinput(xinputOpcode())
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayModalClicks::~TrayModalClicks()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool TrayModalClicks::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || !QApplication::activeModalWidget())
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_window_t window = 0;
    std::uint32_t button = 0;
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_BUTTON_PRESS) {
        const auto* press = static_cast<const xcb_button_press_event_t*>(message);
        window = press->event;
        button = press->detail;
    } else if (type == XCB_GE_GENERIC && m_xinput != 0) {
        const auto* generic = static_cast<const xcb_ge_generic_event_t*>(message);
        if (generic->extension != m_xinput || generic->event_type != XCB_INPUT_BUTTON_PRESS)
            return false;
        const auto* press = static_cast<const xcb_input_button_press_event_t*>(message);
        window = press->event;
        button = press->detail;
    } else {
        return false;
    }
    if (!isTrayIconWindow(window))
        return false;
    if (button == XCB_BUTTON_INDEX_3)
        m_menu->popup(QCursor::pos());
    else if (button == XCB_BUTTON_INDEX_1)
        m_onLeftClick();
    return true;
}
