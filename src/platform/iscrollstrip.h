#pragma once

#include <QImage>
#include <QRect>

// A strip of a window whose text the window server moves by itself over a fixed background, so that a
// frame of a scrolling line sends only the column that comes in and waits for no reply.
class IScrollStrip
{
public:
    virtual ~IScrollStrip() = default;

    // Lays the strip over `area` of the window (device pixels) and shows it: the fixed background and
    // the text layer, both premultiplied ARGB of the area's size. False when it cannot.
    virtual bool reset(const QRect &area, const QImage &background, const QImage &text) = 0;
    // Moves the text layer left by the column's width, lays the column (premultiplied ARGB, the area's
    // height) at its right end and shows the strip.
    virtual void scroll(const QImage &column) = 0;
};
