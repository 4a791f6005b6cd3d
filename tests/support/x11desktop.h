#pragma once

#include "x11properties.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTest>

#include <functional>
#include <memory>

// A desktop for tests that run under xvfb-run: a real window manager (openbox), input driven by
// xdotool, and small docks made with xcb. Header only: only those tests link xcb.
namespace X11Desktop {

using namespace X11Properties;

inline bool waitFor(const std::function<bool()> &done, int msecs = 10000)
{
    QDeadlineTimer deadline(msecs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

inline bool selectionOwned(xcb_connection_t *c, const char *selection)
{
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, selection)), nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    free(reply);
    return owned;
}

inline xcb_window_t root(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Whether the window manager has taken the window in: it lists it as a client, or has put it into a
// frame of its own.
inline bool isManaged(xcb_connection_t *c, xcb_window_t window)
{
    if (windowProperty(c, root(c), "_NET_CLIENT_LIST").contains(window))
        return true;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    const bool framed = tree && tree->parent != tree->root;
    free(tree);
    return framed;
}

inline bool isMapRequested(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool mapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    free(attributes);
    return mapped;
}

// Waits until the window manager manages a window that was mapped. Openbox drops map requests that
// arrive while it is still starting, even after it has announced itself, and the window then stays
// unmapped for good: ask again while it is neither managed nor mapped.
inline bool waitManaged(xcb_connection_t *c, xcb_window_t window, int msecs = 20000)
{
    QDeadlineTimer deadline(msecs);
    QDeadlineTimer again(300);
    while (!isManaged(c, window)) {
        if (deadline.hasExpired())
            return false;
        if (again.hasExpired() && !isMapRequested(c, window)) {
            xcb_map_window(c, window);
            xcb_flush(c);
            again.setRemainingTime(300);
        }
        QTest::qWait(20);
    }
    return true;
}

// A window the test made itself, destroyed when the case ends, also when it fails half way.
class ScopedWindow
{
public:
    ScopedWindow(xcb_connection_t *c, xcb_window_t window) : m_c(c), m_window(window) {}
    ScopedWindow(const ScopedWindow &) = delete;
    ScopedWindow &operator=(const ScopedWindow &) = delete;
    ~ScopedWindow() { reset(); }
    xcb_window_t id() const { return m_window; }
    void reset()
    {
        if (m_window == XCB_WINDOW_NONE)
            return;
        xcb_destroy_window(m_c, m_window);
        xcb_flush(m_c);
        m_window = XCB_WINDOW_NONE;
    }

private:
    xcb_connection_t *m_c;
    xcb_window_t m_window;
};

inline xcb_window_t makeWindow(xcb_connection_t *c, const QRect &rect)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, int16_t(rect.x()), int16_t(rect.y()),
                      uint16_t(rect.width()), uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL, values);
    return window;
}

// No window is managed any more: what one case showed is gone before the next one starts.
inline bool waitDesktopClear(xcb_connection_t *c)
{
    return waitFor([c] { return windowProperty(c, root(c), "_NET_CLIENT_LIST").isEmpty(); });
}

// Starts openbox on the test's display and waits until it owns the screen's window-manager selection
// and has taken in a first window of its own. Null when openbox is not installed or did not come up.
inline std::unique_ptr<QProcess> startWindowManager(xcb_connection_t *c)
{
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty())
        return nullptr;
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(openbox, {QStringLiteral("--sm-disable")});
    if (!process->waitForStarted(5000))
        return nullptr;
    if (!waitFor(
            [&] {
                return selectionOwned(c, "WM_S0") && !windowProperty(c, root(c), "_NET_SUPPORTING_WM_CHECK").isEmpty();
            },
            20000))
        return nullptr;
    // Announced is not yet listening: only a window it has managed shows that it handles map requests.
    ScopedWindow probe(c, makeWindow(c, QRect(0, 0, 10, 10)));
    xcb_map_window(c, probe.id());
    xcb_flush(c);
    if (!waitManaged(c, probe.id()))
        return nullptr;
    probe.reset();
    if (!waitDesktopClear(c))
        return nullptr;
    return process;
}

inline void stopWindowManager(std::unique_ptr<QProcess> &process)
{
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(5000))
        process->kill();
    process.reset();
}

// Runs xdotool with the arguments and waits for it; false when it failed.
inline bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

inline xcb_window_t activeWindow(xcb_connection_t *c)
{
    const QList<quint32> active = windowProperty(c, root(c), "_NET_ACTIVE_WINDOW");
    return active.isEmpty() ? xcb_window_t(XCB_WINDOW_NONE) : active.first();
}

// The first desktop's work area as the window manager announces it.
inline QRect workArea(xcb_connection_t *c)
{
    const QList<quint32> area = windowProperty(c, root(c), "_NET_WORKAREA");
    return area.size() >= 4 ? QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3])) : QRect();
}

// Maps a dock of another program along the top edge that reserves its strip, as a tray panel does,
// and waits until the window manager manages it. Null when it never did.
inline std::unique_ptr<ScopedWindow> makeTopDock(xcb_connection_t *c, int width, int height)
{
    auto window = std::make_unique<ScopedWindow>(c, makeWindow(c, QRect(0, 0, width, height)));
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window->id(), atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &dock);
    const quint32 strut[12] = {0, 0, quint32(height), 0, 0, 0, 0, 0, 0, quint32(width - 1), 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window->id(), atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32,
                        12, strut);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window->id(), atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        strut);
    xcb_map_window(c, window->id());
    xcb_flush(c);
    if (!waitManaged(c, window->id()))
        return nullptr;
    return window;
}

// Where a window is on the screen, as the server has it.
inline QRect serverGeometry(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry)
        return {};
    xcb_translate_coordinates_reply_t *translated =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root(c), 0, 0), nullptr);
    const QRect rect(translated ? translated->dst_x : geometry->x, translated ? translated->dst_y : geometry->y,
                     geometry->width, geometry->height);
    free(translated);
    free(geometry);
    return rect;
}

} // namespace X11Desktop
