#pragma once

#include "platform/iwindowsystem.h"

#include <QHash>

#include <xcb/xcb.h>

// EWMH hints written with xcb on the application's own X11 connection.
class XcbWindowSystem : public IWindowSystem
{
public:
    // Null when the application does not run on X11.
    static std::unique_ptr<XcbWindowSystem> create();

    bool supportsDocks() const override { return true; }
    bool setDockType(QWindow *window) override;
    bool setStrut(QWindow *window, const QRect &bar, bool top) override;
    bool clearStrut(QWindow *window) override;
    bool setStacking(QWindow *window, bool above) override;
    bool setSkipTaskbar(QWindow *window) override;
    QList<DockStrip> otherDockStrips(QWindow *own) override;
    QList<QRect> shownWindowRects(QWindow *own) override;

private:
    XcbWindowSystem(xcb_connection_t *connection, xcb_window_t root);
    xcb_atom_t atom(const char *name);
    bool isMapped(xcb_window_t window);
    // A 32-bit list property of a window; empty when it has none.
    QList<quint32> cardinals(xcb_window_t window, xcb_atom_t property);
    bool isDesktopWindow(xcb_window_t topLevel);
    // Adds states to the window's _NET_WM_STATE: into the property while it is unmapped, else through
    // the window manager.
    void addStates(xcb_window_t window, const QList<xcb_atom_t> &states);
    // Asks the window manager to remove (0) or add (1) one state of a mapped window; the caller flushes.
    void sendState(xcb_window_t window, uint32_t action, xcb_atom_t which);

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    // The strut last written per window: placing the bar asks several times per change.
    QHash<xcb_window_t, StrutPartial> m_struts;
};
