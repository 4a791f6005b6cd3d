#include "platform/xcbscrollstrip.h"

#include <QLoggingCategory>
#include <QWindow>

#include <cstdlib>

Q_DECLARE_LOGGING_CATEGORY(lcWindowSystem)

namespace {

// The picture format of 32-bit premultiplied ARGB, as QImage keeps it in memory.
bool isArgb32(const xcb_render_pictforminfo_t &format)
{
    const xcb_render_directformat_t &d = format.direct;
    return format.type == XCB_RENDER_PICT_TYPE_DIRECT && format.depth == 32 && d.alpha_shift == 24 &&
           d.alpha_mask == 0xff && d.red_shift == 16 && d.red_mask == 0xff && d.green_shift == 8 &&
           d.green_mask == 0xff && d.blue_shift == 0 && d.blue_mask == 0xff;
}

// Whether the server takes images of this depth as 32 bits a pixel, as QImage's 32-bit formats are.
bool thirtyTwoBitsPerPixel(const xcb_setup_t *setup, uint8_t depth)
{
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    return false;
}

// The picture format the server gives windows of a visual; 0 for none.
xcb_render_pictformat_t visualFormat(const xcb_render_query_pict_formats_reply_t *formats, xcb_visualid_t visual)
{
    for (auto screen = xcb_render_query_pict_formats_screens_iterator(formats); screen.rem;
         xcb_render_pictscreen_next(&screen))
        for (auto depth = xcb_render_pictscreen_depths_iterator(screen.data); depth.rem;
             xcb_render_pictdepth_next(&depth))
            for (auto it = xcb_render_pictdepth_visuals_iterator(depth.data); it.rem; xcb_render_pictvisual_next(&it))
                if (it.data->visual == visual)
                    return it.data->format;
    return 0;
}

} // namespace

std::unique_ptr<XcbScrollStrip> XcbScrollStrip::create(xcb_connection_t *connection, QWindow *window)
{
    if (!window || !window->handle())
        return nullptr;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const xcb_query_extension_reply_t *render = xcb_get_extension_data(connection, &xcb_render_id);
    if (!render || !render->present || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return nullptr;
    const auto id = xcb_window_t(window->winId());
    // Asked together: the replies come in one wait.
    const auto geometryCookie = xcb_get_geometry(connection, id);
    const auto attributesCookie = xcb_get_window_attributes(connection, id);
    const auto formatsCookie = xcb_render_query_pict_formats(connection);
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(connection, geometryCookie, nullptr);
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(connection, attributesCookie, nullptr);
    xcb_render_query_pict_formats_reply_t *formats =
        xcb_render_query_pict_formats_reply(connection, formatsCookie, nullptr);
    std::unique_ptr<XcbScrollStrip> strip;
    if (geometry && attributes && formats) {
        xcb_render_pictformat_t argb = 0;
        for (auto it = xcb_render_query_pict_formats_formats_iterator(formats); it.rem;
             xcb_render_pictforminfo_next(&it))
            if (isArgb32(*it.data))
                argb = it.data->id;
        const xcb_render_pictformat_t visual = visualFormat(formats, attributes->visual);
        if (argb && visual && thirtyTwoBitsPerPixel(setup, geometry->depth) && thirtyTwoBitsPerPixel(setup, 32))
            strip.reset(new XcbScrollStrip(connection, id, geometry->depth, visual, argb));
    }
    free(geometry);
    free(attributes);
    free(formats);
    if (!strip)
        qCDebug(lcWindowSystem) << "No server-side strip for the window: the bar paints every frame itself";
    return strip;
}

XcbScrollStrip::XcbScrollStrip(xcb_connection_t *connection, xcb_window_t window, uint8_t depth,
                               xcb_render_pictformat_t windowFormat, xcb_render_pictformat_t argbFormat)
    : m_connection(connection), m_window(window), m_depth(depth), m_windowFormat(windowFormat), m_argbFormat(argbFormat)
{
}

XcbScrollStrip::~XcbScrollStrip()
{
    release();
    xcb_flush(m_connection);
}

void XcbScrollStrip::release()
{
    if (m_textPicture)
        xcb_render_free_picture(m_connection, m_textPicture);
    if (m_framePicture)
        xcb_render_free_picture(m_connection, m_framePicture);
    for (xcb_pixmap_t pixmap : {m_text, m_background, m_frame})
        if (pixmap)
            xcb_free_pixmap(m_connection, pixmap);
    for (xcb_gcontext_t gc : {m_textGc, m_windowGc})
        if (gc)
            xcb_free_gc(m_connection, gc);
    m_text = m_background = m_frame = 0;
    m_textPicture = m_framePicture = 0;
    m_textGc = m_windowGc = 0;
    m_area = QRect();
    m_textWidth = m_position = m_filled = 0;
}

bool XcbScrollStrip::reset(const QRect &area, const QImage &background, const QImage &text)
{
    if (area.isEmpty() || background.size() != area.size() || text.height() != area.height() ||
        text.width() < area.width() || text.width() > 0x7fff)
        return false;
    if (area.size() != m_area.size() || text.width() != m_textWidth || !m_text) {
        release();
        const auto width = uint16_t(area.width());
        const auto height = uint16_t(area.height());
        m_text = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, 32, m_text, m_window, uint16_t(text.width()), height);
        m_background = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, m_depth, m_background, m_window, width, height);
        m_frame = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, m_depth, m_frame, m_window, width, height);
        const uint32_t noExposures = 0;
        m_textGc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, m_textGc, m_text, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        m_windowGc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, m_windowGc, m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        m_textPicture = xcb_generate_id(m_connection);
        xcb_render_create_picture(m_connection, m_textPicture, m_text, m_argbFormat, 0, nullptr);
        m_framePicture = xcb_generate_id(m_connection);
        xcb_render_create_picture(m_connection, m_framePicture, m_frame, m_windowFormat, 0, nullptr);
    }
    m_area = area;
    m_textWidth = text.width();
    m_position = 0;
    m_filled = text.width();
    put(m_background, m_windowGc, m_depth, background, 0);
    put(m_text, m_textGc, 32, text, 0);
    show();
    return true;
}

bool XcbScrollStrip::append(const QImage &columns)
{
    if (!m_text || columns.height() != m_area.height() || columns.width() <= 0)
        return false;
    // The columns scrolled past make room: the rest moves to the pixmap's left edge, once for many frames.
    if (m_filled + columns.width() > m_textWidth && m_position > 0) {
        // Within one drawable the server copies overlapping areas as if through a buffer.
        xcb_copy_area(m_connection, m_text, m_text, m_textGc, int16_t(m_position), 0, 0, 0,
                      uint16_t(m_filled - m_position), uint16_t(m_area.height()));
        m_filled -= m_position;
        m_position = 0;
    }
    if (m_filled + columns.width() > m_textWidth)
        return false;
    put(m_text, m_textGc, 32, columns, m_filled);
    m_filled += columns.width();
    return true;
}

void XcbScrollStrip::scroll(int distance)
{
    if (!m_text || distance <= 0 || m_position + distance + m_area.width() > m_filled)
        return;
    m_position += distance;
    show();
}

void XcbScrollStrip::put(xcb_drawable_t drawable, xcb_gcontext_t gc, uint8_t depth, const QImage &image, int x)
{
    const QImage pixels =
        image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto stride = size_t(pixels.width()) * 4;
    // The maximum counts 4-byte units and includes the request's own header.
    const size_t room = size_t(xcb_get_maximum_request_length(m_connection)) * 4 - sizeof(xcb_put_image_request_t);
    const int rowsPerRequest = qMax(1, int(room / stride));
    for (int y = 0; y < pixels.height(); y += rowsPerRequest) {
        const int rows = qMin(rowsPerRequest, pixels.height() - y);
        // Rows of a 32-bit QImage lie back to back, as the server's 32-bit scanline pad wants them.
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, uint16_t(pixels.width()), uint16_t(rows),
                      int16_t(x), int16_t(y), 0, depth, uint32_t(stride * size_t(rows)), pixels.constScanLine(y));
    }
}

void XcbScrollStrip::show()
{
    const auto width = uint16_t(m_area.width());
    const auto height = uint16_t(m_area.height());
    xcb_copy_area(m_connection, m_background, m_frame, m_windowGc, 0, 0, 0, 0, width, height);
    xcb_render_composite(m_connection, XCB_RENDER_PICT_OP_OVER, m_textPicture, XCB_NONE, m_framePicture,
                         int16_t(m_position), 0, 0, 0, 0, 0, width, height);
    xcb_copy_area(m_connection, m_frame, m_window, m_windowGc, 0, 0, int16_t(m_area.x()), int16_t(m_area.y()), width,
                  height);
    xcb_flush(m_connection);
}
