#pragma once

#include "platform/iwindowsystem.h"

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

private:
    XcbWindowSystem(xcb_connection_t *connection, xcb_window_t root);
    xcb_atom_t atom(const char *name);
    bool isMapped(xcb_window_t window);

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
};
