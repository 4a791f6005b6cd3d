#include "platform/xcbwindowsystem.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdlib>
#include <cstring>

Q_LOGGING_CATEGORY(lcWindowSystem, "qr.platform")

std::unique_ptr<XcbWindowSystem> XcbWindowSystem::create()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t *connection = x11->connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return nullptr;
    return std::unique_ptr<XcbWindowSystem>(new XcbWindowSystem(connection, screen->root));
}

XcbWindowSystem::XcbWindowSystem(xcb_connection_t *connection, xcb_window_t root)
    : m_connection(connection), m_root(root)
{
}

xcb_atom_t XcbWindowSystem::atom(const char *name)
{
    xcb_intern_atom_cookie_t cookie = xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    free(reply);
    return result;
}

bool XcbWindowSystem::isMapped(xcb_window_t window)
{
    xcb_get_window_attributes_reply_t *reply =
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
    if (!reply)
        return false;
    const bool mapped = reply->map_state != XCB_MAP_STATE_UNMAPPED;
    free(reply);
    return mapped;
}

bool XcbWindowSystem::setDockType(QWindow *window)
{
    if (!window)
        return false;
    const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
    xcb_flush(m_connection);
    return true;
}

bool XcbWindowSystem::setStrut(QWindow *window, const QRect &bar, bool top)
{
    if (!window)
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr);
    if (!geometry)
        return false;
    const QSize desktop(geometry->width, geometry->height);
    free(geometry);
    const StrutPartial strut = dockStrut(bar, desktop, top);
    const auto written = m_struts.constFind(id);
    if (written != m_struts.cend() && *written == strut)
        return true;
    m_struts.insert(id, strut);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32,
                        12, strut.data());
    // Older window managers read only the four widths.
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        strut.data());
    xcb_flush(m_connection);
    qCDebug(lcWindowSystem) << "strut" << (top ? "top" : "bottom") << bar << "desktop" << desktop;
    return true;
}

bool XcbWindowSystem::clearStrut(QWindow *window)
{
    if (!window)
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    m_struts.remove(id);
    xcb_delete_property(m_connection, id, atom("_NET_WM_STRUT_PARTIAL"));
    xcb_delete_property(m_connection, id, atom("_NET_WM_STRUT"));
    xcb_flush(m_connection);
    return true;
}

bool XcbWindowSystem::setStacking(QWindow *window, bool above)
{
    if (!window)
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t wanted = atom(above ? "_NET_WM_STATE_ABOVE" : "_NET_WM_STATE_BELOW");
    const xcb_atom_t unwanted = atom(above ? "_NET_WM_STATE_BELOW" : "_NET_WM_STATE_ABOVE");
    if (!isMapped(id)) {
        // An unmapped window carries its wish in the property; the window manager reads it at mapping.
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, 1, &wanted);
        xcb_flush(m_connection);
        return true;
    }
    // A mapped window asks the window manager through the root window.
    sendState(id, 0, unwanted);
    sendState(id, 1, wanted);
    xcb_flush(m_connection);
    return true;
}

void XcbWindowSystem::addStates(xcb_window_t window, const QList<xcb_atom_t> &states)
{
    const xcb_atom_t state = atom("_NET_WM_STATE");
    if (!isMapped(window)) {
        // Keep what the property holds already: Qt writes its own states there before mapping.
        QList<xcb_atom_t> held;
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
        if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto *data = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                held << data[i];
        }
        free(reply);
        for (xcb_atom_t wanted : states) {
            if (!held.contains(wanted))
                held << wanted;
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                            uint32_t(held.size()), held.constData());
        xcb_flush(m_connection);
        return;
    }
    for (xcb_atom_t wanted : states)
        sendState(window, 1, wanted);
    xcb_flush(m_connection);
}

void XcbWindowSystem::sendState(xcb_window_t window, uint32_t action, xcb_atom_t which)
{
    xcb_client_message_event_t event;
    memset(&event, 0, sizeof(event));
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("_NET_WM_STATE");
    event.data.data32[0] = action; // 0 remove, 1 add
    event.data.data32[1] = which;
    event.data.data32[3] = 1; // from an application
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

bool XcbWindowSystem::setSkipTaskbar(QWindow *window)
{
    if (!window)
        return false;
    addStates(xcb_window_t(window->winId()), {atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")});
    return true;
}

QList<quint32> XcbWindowSystem::cardinals(xcb_window_t window, xcb_atom_t property)
{
    QList<quint32> values;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
            values << data[i];
    }
    free(reply);
    return values;
}

QList<DockStrip> XcbWindowSystem::otherDockStrips(QWindow *own)
{
    const xcb_window_t ownId = own ? xcb_window_t(own->winId()) : xcb_window_t(XCB_WINDOW_NONE);
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr);
    if (!geometry)
        return {};
    const QSize desktop(geometry->width, geometry->height);
    free(geometry);
    // The window manager lists the windows it manages, docks among them; without one, the top-level
    // windows are all there is.
    QList<quint32> windows = cardinals(m_root, atom("_NET_CLIENT_LIST"));
    if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            if (!windows.contains(children[i]))
                windows << children[i];
        }
        free(tree);
    }
    const xcb_atom_t partial = atom("_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t plain = atom("_NET_WM_STRUT");
    QList<DockStrip> strips;
    for (quint32 window : std::as_const(windows)) {
        if (window == ownId || !isMapped(window))
            continue;
        QList<quint32> values = cardinals(window, partial);
        if (values.size() < 12) {
            values = cardinals(window, plain).mid(0, 4);
            if (values.size() < 4)
                continue;
            values.resize(12, 0);
        }
        StrutPartial strut{};
        std::copy(values.cbegin(), values.cbegin() + 12, strut.begin());
        strips << dockStrips(strut, desktop);
    }
    return strips;
}

bool XcbWindowSystem::isDesktopWindow(xcb_window_t topLevel)
{
    // The desktop's background and its icons lie under everything, the gadgets too; they hide nothing.
    const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE");
    const quint32 desktop = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    if (cardinals(topLevel, type).contains(desktop))
        return true;
    // A managed window's type is on the program's window inside the window manager's frame.
    bool found = false;
    if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, topLevel), nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
            found = cardinals(children[i], type).contains(desktop);
        free(tree);
    }
    return found;
}

QList<QRect> XcbWindowSystem::shownWindowRects(QWindow *own)
{
    // The top-level windows are the window manager's frames around the programs' windows.
    xcb_window_t ownTop = XCB_WINDOW_NONE;
    for (xcb_window_t w = own ? xcb_window_t(own->winId()) : xcb_window_t(XCB_WINDOW_NONE); w != XCB_WINDOW_NONE;) {
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, w), nullptr);
        if (!tree)
            break;
        const xcb_window_t parent = tree->parent;
        free(tree);
        if (parent == m_root || parent == XCB_WINDOW_NONE) {
            ownTop = w;
            break;
        }
        w = parent;
    }
    QList<QRect> rects;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
    if (!tree)
        return rects;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        if (children[i] == ownTop)
            continue;
        xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr);
        const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE
            && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
        free(attributes);
        if (!shown || isDesktopWindow(children[i]))
            continue;
        xcb_get_geometry_reply_t *geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, children[i]), nullptr);
        if (geometry && geometry->width > 1 && geometry->height > 1)
            rects << QRect(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                           geometry->height + 2 * geometry->border_width);
        free(geometry);
    }
    free(tree);
    return rects;
}
