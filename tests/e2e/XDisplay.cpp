#include "XDisplay.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

XDisplay::XDisplay(const QString& display)
{
    xcb_connection_t* conn = xcb_connect(display.toLocal8Bit().constData(), &m_screen);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        return;
    }
    m_conn = conn;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < m_screen; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
}

XDisplay::~XDisplay()
{
    if (m_conn)
        xcb_disconnect(m_conn);
}

std::uint32_t XDisplay::atom(const char* name) const
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_conn, xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr);
    if (!reply)
        return 0;
    const std::uint32_t a = reply->atom;
    std::free(reply);
    return a;
}

std::uint32_t XDisplay::findWindow(const QString& title, bool viewableOnly, int depth) const
{
    return m_conn ? findBelow(m_root, title.toUtf8(), depth, viewableOnly) : 0;
}

// A window manager puts each window into a frame of its own: look a few levels down.
std::uint32_t XDisplay::findBelow(std::uint32_t parent, const QByteArray& wanted, int depth,
                                  bool viewableOnly) const
{
    const xcb_atom_t netWmName = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, parent), nullptr);
    if (!tree)
        return 0;
    std::uint32_t found = 0;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    for (int i = 0; i < count && !found; ++i) {
        for (const auto& [prop, type] : {std::pair<xcb_atom_t, xcb_atom_t>{netWmName, utf8},
                                         {XCB_ATOM_WM_NAME, XCB_ATOM_STRING}}) {
            xcb_get_property_reply_t* p = xcb_get_property_reply(
                m_conn, xcb_get_property(m_conn, 0, children[i], prop, type, 0, 256), nullptr);
            if (!p)
                continue;
            const QByteArray name(static_cast<const char*>(xcb_get_property_value(p)),
                                  xcb_get_property_value_length(p));
            std::free(p);
            if (name == wanted && (!viewableOnly || isViewable(children[i]))) {
                found = children[i];
                break;
            }
        }
    }
    for (int i = 0; i < count && !found && depth > 1; ++i)
        found = findBelow(children[i], wanted, depth - 1, viewableOnly);
    std::free(tree);
    return found;
}

bool XDisplay::isViewable(std::uint32_t window) const
{
    if (!m_conn || !window)
        return false;
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(m_conn, xcb_get_window_attributes(m_conn, window), nullptr);
    if (!a)
        return false;
    const bool viewable = a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return viewable;
}

void XDisplay::requestClose(std::uint32_t window) const
{
    if (!m_conn || !window)
        return;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = atom("WM_PROTOCOLS");
    ev.data.data32[0] = atom("WM_DELETE_WINDOW");
    ev.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_conn, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    xcb_flush(m_conn);
}

void XDisplay::sendToRoot(std::uint32_t window, const char* type, std::uint32_t d0,
                          std::uint32_t d1, std::uint32_t d2) const
{
    if (!m_conn || !window)
        return;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = atom(type);
    ev.data.data32[0] = d0;
    ev.data.data32[1] = d1;
    ev.data.data32[2] = d2;
    ev.data.data32[3] = 1; // from an application, as a pager or the title bar asks
    xcb_send_event(m_conn, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(m_conn);
}

void XDisplay::maximize(std::uint32_t window) const
{
    sendToRoot(window, "_NET_WM_STATE", 1, atom("_NET_WM_STATE_MAXIMIZED_VERT"),
               atom("_NET_WM_STATE_MAXIMIZED_HORZ"));
}

void XDisplay::iconify(std::uint32_t window) const
{
    sendToRoot(window, "WM_CHANGE_STATE", 3 /* IconicState */, 0, 0);
}

QSize XDisplay::size(std::uint32_t window) const
{
    if (!m_conn || !window)
        return {};
    xcb_get_geometry_reply_t* g =
        xcb_get_geometry_reply(m_conn, xcb_get_geometry(m_conn, window), nullptr);
    if (!g)
        return {};
    const QSize size(g->width, g->height);
    std::free(g);
    return size;
}

bool XDisplay::trayAvailable() const
{
    if (!m_conn)
        return false;
    const QByteArray name = QByteArray("_NET_SYSTEM_TRAY_S") + QByteArray::number(m_screen);
    xcb_get_selection_owner_reply_t* r = xcb_get_selection_owner_reply(
        m_conn, xcb_get_selection_owner(m_conn, atom(name.constData())), nullptr);
    if (!r)
        return false;
    const bool owned = r->owner != XCB_NONE;
    std::free(r);
    return owned;
}
