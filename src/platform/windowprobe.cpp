#include "platform/iwindowprobe.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#ifdef QR_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace WindowProbePrivate {
#ifdef QR_HAVE_XCB

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The window and its ancestors up to (not including) the root.
QList<xcb_window_t> ancestry(xcb_connection_t *c, xcb_window_t window)
{
    QList<xcb_window_t> chain;
    for (int depth = 0; window != XCB_WINDOW_NONE && depth < 64; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree)
            break;
        if (window == tree->root)
            break;
        chain << window;
        window = tree->parent;
    }
    return chain;
}
#else
void *connection()
{
    return nullptr;
}
#endif

} // namespace WindowProbePrivate

bool QtWindowProbe::isWindowAt(const QWindow *window, const QPoint &globalPos)
{
    return window && QGuiApplication::topLevelAt(globalPos) == window;
}

#ifdef QR_HAVE_XCB
bool X11WindowProbe::isWindowAt(const QWindow *window, const QPoint &globalPos)
{
    using namespace WindowProbePrivate;
    xcb_connection_t *c = connection();
    if (!window || !c)
        return QtWindowProbe().isWindowAt(window, globalPos);
    const QList<xcb_window_t> ours = ancestry(c, xcb_window_t(window->winId()));
    if (ours.isEmpty())
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree)
        return false;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    // Ask for everything at once; the replies come back in one round trip.
    QList<xcb_get_window_attributes_cookie_t> attributes;
    QList<xcb_get_geometry_cookie_t> geometries;
    for (int i = 0; i < count; ++i) {
        attributes << xcb_get_window_attributes(c, children[i]);
        geometries << xcb_get_geometry(c, children[i]);
    }
    // X reports positions in device pixels.
    const qreal ratio = window->devicePixelRatio();
    const QPoint point = (QPointF(globalPos) * ratio).toPoint();
    xcb_window_t top = XCB_WINDOW_NONE;
    for (int i = count - 1; i >= 0; --i) {
        Reply<xcb_get_window_attributes_reply_t> attr(xcb_get_window_attributes_reply(c, attributes.at(i), nullptr));
        Reply<xcb_get_geometry_reply_t> geom(xcb_get_geometry_reply(c, geometries.at(i), nullptr));
        if (top != XCB_WINDOW_NONE || !attr || !geom)
            continue; // the remaining replies are still collected so none is left waiting
        if (attr->map_state != XCB_MAP_STATE_VIEWABLE || attr->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        const QRect rect(geom->x, geom->y, geom->width + 2 * geom->border_width, geom->height + 2 * geom->border_width);
        if (rect.contains(point))
            top = children[i];
    }
    return top != XCB_WINDOW_NONE && ours.last() == top;
}
#else
// Built without xcb: only our own windows can be told apart.
bool X11WindowProbe::isWindowAt(const QWindow *window, const QPoint &globalPos)
{
    return QtWindowProbe().isWindowAt(window, globalPos);
}
#endif

IWindowProbe *IWindowProbe::platformProbe()
{
    static QtWindowProbe qtProbe;
    static X11WindowProbe x11Probe;
    if (WindowProbePrivate::connection())
        return &x11Probe;
    return &qtProbe;
}
