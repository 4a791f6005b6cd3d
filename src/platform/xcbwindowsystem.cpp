#include "platform/xcbwindowsystem.h"

#ifdef QR_HAVE_XCB_RENDER
#include "platform/xcbscrollstrip.h"
#endif

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

Q_LOGGING_CATEGORY(lcWindowSystem, "qr.platform")

namespace {

// The 32-bit values of a property's reply, which is freed here; empty for none.
QList<quint32> takeValues(xcb_get_property_reply_t *reply)
{
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        values = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

// A window's place on the screen and its size, asked without waiting for the answer.
struct RectAsked
{
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
};

RectAsked askRect(xcb_connection_t *connection, xcb_window_t id, xcb_window_t root)
{
    return {xcb_get_geometry(connection, id), xcb_translate_coordinates(connection, id, root, 0, 0)};
}

// The answer to askRect(), both replies taken; invalid where the window is gone.
QRect takeRect(xcb_connection_t *connection, const RectAsked &asked)
{
    xcb_get_geometry_reply_t *size = xcb_get_geometry_reply(connection, asked.geometry, nullptr);
    xcb_translate_coordinates_reply_t *place = xcb_translate_coordinates_reply(connection, asked.origin, nullptr);
    const QRect rect = size && place ? QRect(place->dst_x, place->dst_y, size->width, size->height) : QRect();
    free(size);
    free(place);
    return rect;
}

} // namespace

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

XcbWindowSystem::~XcbWindowSystem()
{
    if (m_filtering && qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
    m_watchNotifier.reset();
    if (m_watch)
        xcb_disconnect(m_watch);
}

xcb_atom_t XcbWindowSystem::atom(const char *name)
{
    // Each name costs a round trip the first time only.
    const auto known = m_atoms.constFind(QByteArray::fromRawData(name, qsizetype(strlen(name))));
    if (known != m_atoms.cend())
        return *known;
    xcb_intern_atom_cookie_t cookie = xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    free(reply);
    m_atoms.insert(QByteArray(name), result);
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
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &type);
    // On every desktop: some window managers put a dock on the current one only, and read this at mapping.
    if (!isMapped(id)) {
        const uint32_t everyDesktop = 0xFFFFFFFF;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                            &everyDesktop);
        changeStates(id, {atom("_NET_WM_STATE_STICKY")});
        // It takes no keyboard, and offers to take none: some window managers make a window that offers it their
        // active one at a click, and later hand it the keyboard again, which then goes nowhere.
        QList<quint32> protocols = cardinals(id, atom("WM_PROTOCOLS"));
        if (protocols.removeAll(atom("WM_TAKE_FOCUS")))
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32,
                                uint32_t(protocols.size()), protocols.constData());
    }
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
    changeStates(xcb_window_t(window->winId()), {atom(above ? "_NET_WM_STATE_ABOVE" : "_NET_WM_STATE_BELOW")},
                 atom(above ? "_NET_WM_STATE_BELOW" : "_NET_WM_STATE_ABOVE"));
    return true;
}

void XcbWindowSystem::changeStates(xcb_window_t window, const QList<xcb_atom_t> &states, xcb_atom_t unwanted)
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
        held.removeAll(unwanted);
        for (xcb_atom_t wanted : states) {
            if (!held.contains(wanted))
                held << wanted;
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                            uint32_t(held.size()), held.constData());
        xcb_flush(m_connection);
        return;
    }
    // A mapped window asks the window manager through the root window.
    if (unwanted != XCB_ATOM_NONE)
        sendState(window, 0, unwanted);
    for (xcb_atom_t wanted : states)
        sendState(window, 1, wanted);
    xcb_flush(m_connection);
}

void XcbWindowSystem::sendState(xcb_window_t window, uint32_t action, xcb_atom_t which)
{
    // 0 remove, 1 add; 1 in the fourth field: from an application.
    sendToRoot(window, "_NET_WM_STATE", {action, which, 0, 1});
}

void XcbWindowSystem::sendToRoot(xcb_window_t window, const char *type, std::initializer_list<uint32_t> data)
{
    xcb_client_message_event_t event;
    memset(&event, 0, sizeof(event));
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

bool XcbWindowSystem::restoreWithoutFocus(QWindow *window)
{
    if (!window || !window->handle())
        return false;
    // Mapped again, as Qt restores a window, it is focused by openbox; taken out of the hidden state, it is not.
    sendState(xcb_window_t(window->winId()), 0, atom("_NET_WM_STATE_HIDDEN"));
    xcb_flush(m_connection);
    return true;
}

quint32 XcbWindowSystem::keyboardWindow()
{
    xcb_get_input_focus_reply_t *focus =
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    xcb_window_t window = focus ? focus->focus : xcb_window_t(XCB_WINDOW_NONE);
    free(focus);
    if (window == XCB_WINDOW_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT)
        return 0;
    // The focus may lie on a window inside the listed one (a terminal's text area, say).
    const QList<quint32> clients = cardinals(m_root, atom("_NET_CLIENT_LIST"));
    while (window != XCB_WINDOW_NONE && window != m_root && !clients.contains(window)) {
        xcb_query_tree_reply_t *tree =
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
        window = tree ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
        free(tree);
    }
    return clients.contains(window) ? window : 0;
}

quint32 XcbWindowSystem::activeWindow()
{
    const QList<quint32> active = cardinals(m_root, atom("_NET_ACTIVE_WINDOW"));
    return active.isEmpty() ? 0 : active.first();
}

bool XcbWindowSystem::buttonHeld()
{
    xcb_query_pointer_reply_t *pointer =
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    const uint16_t buttons = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 | XCB_KEY_BUT_MASK_BUTTON_3 |
                             XCB_KEY_BUT_MASK_BUTTON_4 | XCB_KEY_BUT_MASK_BUTTON_5;
    const bool held = pointer && (pointer->mask & buttons);
    free(pointer);
    return held;
}

bool XcbWindowSystem::takeKeyboard(QWindow *window, quint32 time)
{
    if (!window || !window->handle())
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    // Only a viewable window can have the keyboard; asked for another, the server answers with an error.
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, id), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    free(attributes);
    if (!viewable)
        return false;
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, id, time);
    xcb_flush(m_connection);
    return true;
}

bool XcbWindowSystem::activate(quint32 window, quint32 time)
{
    if (window == 0 || !cardinals(m_root, atom("_NET_CLIENT_LIST")).contains(window))
        return false;
    // As a pager asks (source 2): window managers that weigh a program's request against the user's last
    // input grant this one.
    sendToRoot(window, "_NET_ACTIVE_WINDOW", {2, time});
    xcb_flush(m_connection);
    return true;
}

bool XcbWindowSystem::covers(QWindow *window, QWindow *other)
{
    if (!window || !other || !window->handle() || !other->handle())
        return false;
    // Where the window server has them: a window manager that moves a window's frame may tell Qt of it
    // late or never (i3).
    const xcb_window_t ids[] = {xcb_window_t(window->winId()), xcb_window_t(other->winId())};
    const RectAsked asked[] = {askRect(m_connection, ids[0], m_root), askRect(m_connection, ids[1], m_root)};
    const QRect rects[] = {takeRect(m_connection, asked[0]), takeRect(m_connection, asked[1])};
    if (!rects[0].intersects(rects[1]))
        return false;
    // Listed from the bottom up.
    const QList<quint32> stacking = cardinals(m_root, atom("_NET_CLIENT_LIST_STACKING"));
    const qsizetype below = stacking.indexOf(ids[1]);
    return below >= 0 && stacking.indexOf(ids[0]) > below;
}

bool XcbWindowSystem::setDesktopToolType(QWindow *window)
{
    if (!window || !window->handle())
        return false;
    // Most window managers take the first type they know; tiling ones float a window that lists a tool
    // type anywhere in the list.
    const xcb_atom_t types[] = {atom("_NET_WM_WINDOW_TYPE_NORMAL"), atom("_NET_WM_WINDOW_TYPE_UTILITY")};
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 2, types);
    xcb_flush(m_connection);
    return true;
}

bool XcbWindowSystem::standApart(QWindow *window)
{
    if (!window || !window->handle())
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    // WM_HINTS: flags, input, state, icon pixmap, window, x, y and mask, then the group's leader; the window leads
    // a group of its own.
    QList<quint32> hints = cardinals(id, XCB_ATOM_WM_HINTS);
    hints.resize(9, 0);
    hints[0] |= 1u << 6;
    hints[8] = id;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                        hints.constData());
    xcb_flush(m_connection);
    return true;
}

bool XcbWindowSystem::setSkipTaskbar(QWindow *window)
{
    if (!window)
        return false;
    changeStates(xcb_window_t(window->winId()), {atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")});
    return true;
}

QList<quint32> XcbWindowSystem::cardinals(xcb_window_t window, xcb_atom_t property)
{
    return takeValues(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr));
}

QList<DockWindow> XcbWindowSystem::otherDocks(QWindow *own)
{
    const xcb_window_t ownId = own && own->handle() ? xcb_window_t(own->winId()) : xcb_window_t(XCB_WINDOW_NONE);
    const xcb_atom_t partial = atom("_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t plain = atom("_NET_WM_STRUT");
    // Every request of a step is sent before the first reply is waited for: two round trips in all,
    // however many windows the desktop has.
    const xcb_get_geometry_cookie_t rootCookie = xcb_get_geometry(m_connection, m_root);
    const xcb_get_property_cookie_t listCookie =
        xcb_get_property(m_connection, 0, m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 4096);
    const xcb_query_tree_cookie_t treeCookie = xcb_query_tree(m_connection, m_root);
    xcb_get_geometry_reply_t *rootGeometry = xcb_get_geometry_reply(m_connection, rootCookie, nullptr);
    const QList<quint32> clients = takeValues(xcb_get_property_reply(m_connection, listCookie, nullptr));
    // The window manager lists the windows it manages, docks among them; without one, the top-level
    // windows are all there is.
    QList<quint32> windows = clients;
    if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, treeCookie, nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            if (!clients.contains(children[i]))
                windows << children[i];
        }
        free(tree);
    }
    if (!rootGeometry)
        return {};
    const QSize desktop(rootGeometry->width, rootGeometry->height);
    free(rootGeometry);
    windows.removeAll(ownId);
    if (ownId != XCB_WINDOW_NONE)
        m_own.insert(ownId);
    if (m_docksChanged)
        watchClients(clients);

    struct Asked
    {
        xcb_window_t id;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t partial;
        xcb_get_property_cookie_t plain;
        RectAsked rect;
    };
    std::vector<Asked> asked;
    asked.reserve(size_t(windows.size()));
    for (quint32 id : std::as_const(windows))
        asked.push_back({id, xcb_get_window_attributes(m_connection, id),
                         xcb_get_property(m_connection, 0, id, partial, XCB_ATOM_CARDINAL, 0, 12),
                         xcb_get_property(m_connection, 0, id, plain, XCB_ATOM_CARDINAL, 0, 4),
                         askRect(m_connection, id, m_root)});
    const auto values = [this](xcb_get_property_cookie_t cookie) {
        return takeValues(xcb_get_property_reply(m_connection, cookie, nullptr));
    };
    const qsizetype ownIndex = clients.indexOf(ownId);
    QList<DockWindow> docks;
    for (const Asked &window : asked) {
        // Every reply is taken, used or not, so that none is left waiting in the connection.
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(m_connection, window.attributes, nullptr);
        QList<quint32> strut = values(window.partial);
        const QList<quint32> plainStrut = values(window.plain);
        const QRect rect = takeRect(m_connection, window.rect);
        const bool shown = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
        if (strut.size() < 12 && plainStrut.size() >= 4) {
            strut = plainStrut.mid(0, 4);
            strut.resize(12, 0);
        }
        if (shown && strut.size() >= 12 && rect.isValid()) {
            StrutPartial values{};
            std::copy(strut.cbegin(), strut.cbegin() + 12, values.begin());
            DockWindow dock;
            dock.id = window.id;
            dock.rect = rect;
            dock.strips = dockStrips(values, desktop);
            const qsizetype index = clients.indexOf(window.id);
            // Without a window manager's list the window ids give an order that both sides agree on.
            if (clients.isEmpty())
                dock.earlier = window.id < ownId;
            else
                dock.earlier = index >= 0 && (ownIndex < 0 || index < ownIndex);
            if (!dock.strips.isEmpty())
                docks << dock;
        }
        free(attributes);
    }
    return docks;
}

QList<QRect> XcbWindowSystem::windowManagerPanels(QWindow *own)
{
    const xcb_window_t ownId = own && own->handle() ? xcb_window_t(own->winId()) : xcb_window_t(XCB_WINDOW_NONE);
    const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    const QList<quint32> clients = cardinals(m_root, atom("_NET_CLIENT_LIST"));
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
    if (!tree)
        return {};
    struct Asked
    {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t type;
        RectAsked rect;
    };
    // All asked before the first answer is waited for, as for the docks.
    std::vector<Asked> asked;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        if (children[i] != ownId && !clients.contains(children[i]))
            asked.push_back({xcb_get_window_attributes(m_connection, children[i]),
                             xcb_get_property(m_connection, 0, children[i], type, XCB_ATOM_ATOM, 0, 16),
                             askRect(m_connection, children[i], m_root)});
    }
    free(tree);
    QList<QRect> panels;
    for (const Asked &window : asked) {
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(m_connection, window.attributes, nullptr);
        const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        const bool isDock = takeValues(xcb_get_property_reply(m_connection, window.type, nullptr)).contains(dock);
        const QRect rect = takeRect(m_connection, window.rect);
        if (shown && isDock && rect.isValid())
            panels << rect;
    }
    return panels;
}

QRect XcbWindowSystem::workArea()
{
    const xcb_get_property_cookie_t areasCookie =
        xcb_get_property(m_connection, 0, m_root, atom("_NET_WORKAREA"), XCB_ATOM_CARDINAL, 0, 4096);
    const xcb_get_property_cookie_t desktopCookie =
        xcb_get_property(m_connection, 0, m_root, atom("_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL, 0, 1);
    const QList<quint32> areas = takeValues(xcb_get_property_reply(m_connection, areasCookie, nullptr));
    const QList<quint32> desktop = takeValues(xcb_get_property_reply(m_connection, desktopCookie, nullptr));
    // Four values per desktop.
    const qsizetype at = 4 * (desktop.isEmpty() ? 0 : qsizetype(desktop.first()));
    if (at + 4 > areas.size())
        return {};
    return QRect(int(areas[at]), int(areas[at + 1]), int(areas[at + 2]), int(areas[at + 3]));
}

QSize XcbWindowSystem::desktopSize()
{
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr);
    const QSize size = geometry ? QSize(geometry->width, geometry->height) : QSize();
    free(geometry);
    return size;
}

void XcbWindowSystem::watchDocks(std::function<void()> changed)
{
    m_docksChanged = std::move(changed);
    if (!m_docksChanged || m_watch)
        return;
    m_watch = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_watch)) {
        qCWarning(lcWindowSystem) << "cannot watch other docks: no second connection to the X server";
        xcb_disconnect(m_watch);
        m_watch = nullptr;
        return;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_watch)).data;
    if (!screen || screen->root != m_root) {
        xcb_disconnect(m_watch);
        m_watch = nullptr;
        return;
    }
    // The root tells when windows come and go (_NET_CLIENT_LIST), and when the desktop's size changes apart from the
    // monitor's mode: a strut reserved to the old bottom must be written anew then, as window managers that publish no
    // work area give no other sign. This connection's mask on it is ours.
    const uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_watch, m_root, XCB_CW_EVENT_MASK, &rootMask);
    xcb_flush(m_watch);
    m_docksChangedTimer = std::make_unique<QTimer>();
    m_docksChangedTimer->setSingleShot(true);
    // A window manager maps, frames and moves a new window in a few steps: hear them as one.
    m_docksChangedTimer->setInterval(20);
    QObject::connect(m_docksChangedTimer.get(), &QTimer::timeout, [this] {
        if (m_docksChanged)
            m_docksChanged();
    });
    m_watchNotifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_watch), QSocketNotifier::Read);
    QObject::connect(m_watchNotifier.get(), &QSocketNotifier::activated, [this] { readWatchEvents(); });
    watchClients(cardinals(m_root, atom("_NET_CLIENT_LIST")));
}

void XcbWindowSystem::watchClients(const QList<quint32> &clients)
{
    if (!m_watch)
        return;
    // Qt's own windows keep the masks Qt gave them on its connection; this one only listens.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    bool added = false;
    for (quint32 id : clients) {
        // The caller's own window tells nothing about the others.
        if (m_watched.contains(id) || m_own.contains(id))
            continue;
        m_watched.insert(id);
        xcb_change_window_attributes(m_watch, id, XCB_CW_EVENT_MASK, &mask);
        added = true;
    }
    if (added)
        xcb_flush(m_watch);
}

void XcbWindowSystem::readWatchEvents()
{
    if (!m_watch)
        return;
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_watch)) {
        handleWatchEvent(event);
        free(event);
    }
    if (xcb_connection_has_error(m_watch)) {
        qCWarning(lcWindowSystem) << "the connection that watches other docks broke";
        m_watchNotifier.reset();
        xcb_disconnect(m_watch);
        m_watch = nullptr;
    }
}

void XcbWindowSystem::handleWatchEvent(const xcb_generic_event_t *event)
{
    switch (event->response_type & ~0x80) {
    case XCB_PROPERTY_NOTIFY: {
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (notify->window == m_root) {
            if (notify->atom == atom("_NET_WORKAREA") || notify->atom == atom("_NET_CURRENT_DESKTOP"))
                break;
            if (notify->atom != atom("_NET_CLIENT_LIST"))
                return;
            // Listen to a new window before reading anything of it, so no change of its strut is missed.
            watchClients(takeValues(xcb_get_property_reply(
                m_watch, xcb_get_property(m_watch, 0, m_root, notify->atom, XCB_ATOM_WINDOW, 0, 4096), nullptr)));
        } else if (notify->atom != atom("_NET_WM_STRUT_PARTIAL") && notify->atom != atom("_NET_WM_STRUT")) {
            return;
        }
        break;
    }
    case XCB_DESTROY_NOTIFY:
        m_watched.remove(reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window);
        break;
    case XCB_CONFIGURE_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY:
        break;
    default:
        // Errors for windows gone before they were watched, and events of no interest.
        return;
    }
    scheduleDocksChanged();
}

void XcbWindowSystem::scheduleDocksChanged()
{
    if (m_docksChangedTimer && !m_docksChangedTimer->isActive())
        m_docksChangedTimer->start();
}

bool XcbWindowSystem::compositing()
{
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom("_NET_WM_CM_S0")), nullptr);
    m_compositing = reply && reply->owner != XCB_WINDOW_NONE;
    free(reply);
    return m_compositing;
}

void XcbWindowSystem::watchCompositing(std::function<void(bool)> changed)
{
    const bool wasWatching = bool(m_compositingChanged);
    m_compositingChanged = std::move(changed);
    if (!qGuiApp || wasWatching == bool(m_compositingChanged))
        return;
    filterEvents();
    if (!m_compositingChanged)
        return;
    // Qt follows the owner of the compositing selection through XFixes on its connection; its
    // notices are heard here by their event number.
    if (!m_xfixesFirstEvent) {
        const char name[] = "XFIXES";
        xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
            m_connection, xcb_query_extension(m_connection, uint16_t(strlen(name)), name), nullptr);
        if (reply && reply->present)
            m_xfixesFirstEvent = reply->first_event;
        free(reply);
    }
    compositing();
}

void XcbWindowSystem::watchKeyboardOffers(QWindow *window, std::function<void(quint32)> offered)
{
    m_keyboardOffers.removeIf([](const auto &watched) { return watched.value().first.isNull(); });
    if (window && window->handle()) {
        // Asked here, so that hearing the offers needs no round trip.
        atom("WM_PROTOCOLS");
        atom("WM_TAKE_FOCUS");
        if (offered)
            m_keyboardOffers.insert(xcb_window_t(window->winId()), {window, std::move(offered)});
        else
            m_keyboardOffers.remove(xcb_window_t(window->winId()));
    }
    // A burst of windows grew the table: its room goes with the last of them.
    if (m_keyboardOffers.isEmpty())
        m_keyboardOffers = {};
    filterEvents();
}

void XcbWindowSystem::filterEvents()
{
    const bool wanted = m_compositingChanged || !m_keyboardOffers.isEmpty();
    if (!qGuiApp || wanted == m_filtering)
        return;
    m_filtering = wanted;
    if (wanted)
        qGuiApp->installNativeEventFilter(this);
    else
        qGuiApp->removeNativeEventFilter(this);
}

bool XcbWindowSystem::nativeEventFilter(const QByteArray &type, void *message, qintptr *)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) == XCB_CLIENT_MESSAGE) {
        const auto *client = reinterpret_cast<const xcb_client_message_event_t *>(event);
        const auto offered = m_keyboardOffers.constFind(client->window);
        if (offered != m_keyboardOffers.cend() && offered->first && client->format == 32 &&
            client->type == atom("WM_PROTOCOLS") && client->data.data32[0] == atom("WM_TAKE_FOCUS")) {
            // The function may end the watching; keep it alive while it runs.
            const auto call = offered->second;
            call(client->data.data32[1]);
        }
        return false;
    }
    // XFixes' selection notice is its first event.
    if (!m_xfixesFirstEvent || (event->response_type & ~0x80) != m_xfixesFirstEvent)
        return false;
    const bool was = m_compositing;
    if (compositing() != was && m_compositingChanged) {
        // The call may end the watching; keep the function alive while it runs.
        const auto changed = m_compositingChanged;
        changed(m_compositing);
    }
    return false;
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
    if (xcb_query_tree_reply_t *tree =
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, topLevel), nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
            found = cardinals(children[i], type).contains(desktop);
        free(tree);
    }
    return found;
}

QRect XcbWindowSystem::windowRect(QWindow *window)
{
    return window ? takeRect(m_connection, askRect(m_connection, xcb_window_t(window->winId()), m_root)) : QRect();
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
        const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                           attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
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

std::unique_ptr<IScrollStrip> XcbWindowSystem::createScrollStrip(QWindow *window)
{
#ifdef QR_HAVE_XCB_RENDER
    return XcbScrollStrip::create(m_connection, window);
#else
    Q_UNUSED(window)
    return nullptr;
#endif
}
