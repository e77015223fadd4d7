#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>

struct xcb_connection_t;

// A small X client for the end-to-end test: finds the program's top-level window by its title,
// tells whether it is mapped, asks it to close the way a window manager does, and watches the
// system-tray selection.
class XDisplay
{
public:
    explicit XDisplay(const QString& display);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool isOpen() const { return m_conn != nullptr; }
    // 0 when no top-level window (or no viewable one) has that title; depth reaches into
    // window managers' frames, or further, into a tray's.
    std::uint32_t findWindow(const QString& title, bool viewableOnly = false, int depth = 3) const;
    bool isViewable(std::uint32_t window) const;
    // Sends WM_DELETE_WINDOW, as the title bar's close button does.
    void requestClose(std::uint32_t window) const;
    bool trayAvailable() const;
    // What the title bar's buttons ask of the window manager.
    void maximize(std::uint32_t window) const;
    void iconify(std::uint32_t window) const;
    QSize size(std::uint32_t window) const;

private:
    std::uint32_t findBelow(std::uint32_t parent, const QByteArray& wanted, int depth,
                            bool viewableOnly) const;
    void sendToRoot(std::uint32_t window, const char* type, std::uint32_t d0, std::uint32_t d1,
                    std::uint32_t d2) const;
    std::uint32_t atom(const char* name) const;

    xcb_connection_t* m_conn = nullptr;
    std::uint32_t m_root = 0;
    int m_screen = 0;
};
