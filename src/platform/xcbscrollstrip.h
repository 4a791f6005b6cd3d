#pragma once

#include "platform/iscrollstrip.h"

#include <memory>

#include <xcb/render.h>
#include <xcb/xcb.h>

class QWindow;

// The strip kept in the X server: the text layer in a 32-bit pixmap wider than the area, which holds the
// columns ahead and moves its columns to its left edge only when more come; the background in a pixmap of
// the window's depth; and a frame pixmap where the two are composed (XRender) before one copy to the
// window, so the window never shows the background alone. A frame is three requests; none waits for a
// reply, and none asks for events (no graphics exposures).
class XcbScrollStrip : public IScrollStrip
{
public:
    // Null when the window has no X11 window yet or the server lacks what the strip needs.
    static std::unique_ptr<XcbScrollStrip> create(xcb_connection_t *connection, QWindow *window);
    ~XcbScrollStrip() override;

    bool reset(const QRect &area, const QImage &background, const QImage &text) override;
    bool append(const QImage &columns) override;
    void scroll(int distance) override;

private:
    XcbScrollStrip(xcb_connection_t *connection, xcb_window_t window, uint8_t depth,
                   xcb_render_pictformat_t windowFormat, xcb_render_pictformat_t argbFormat);
    void release();
    // Sends the image in bands that fit the server's request size.
    void put(xcb_drawable_t drawable, xcb_gcontext_t gc, uint8_t depth, const QImage &image, int x);
    void show();

    xcb_connection_t *m_connection;
    xcb_window_t m_window;
    uint8_t m_depth;
    xcb_render_pictformat_t m_windowFormat;
    xcb_render_pictformat_t m_argbFormat;
    QRect m_area;
    // The text pixmap's width; the column of it at the area's left edge, and how many columns it holds.
    int m_textWidth = 0;
    int m_position = 0;
    int m_filled = 0;
    xcb_pixmap_t m_text = 0;
    xcb_pixmap_t m_background = 0;
    xcb_pixmap_t m_frame = 0;
    xcb_render_picture_t m_textPicture = 0;
    xcb_render_picture_t m_framePicture = 0;
    xcb_gcontext_t m_textGc = 0;
    xcb_gcontext_t m_windowGc = 0;
};
