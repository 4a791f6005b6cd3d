#pragma once

#include <QList>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

// Reading window properties back from the X server, as a window manager would, for tests that run
// under xvfb-run. Header only: only those tests link xcb.
namespace X11Properties {

inline xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// A 32-bit list property of a window.
inline QList<quint32> windowProperty(xcb_connection_t *c, xcb_window_t window, const char *name)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(c, name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
            values << data[i];
    }
    free(reply);
    return values;
}

} // namespace X11Properties
