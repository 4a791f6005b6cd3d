#pragma once

#include <QImage>
#include <QRect>

// A strip of a window whose text the window server moves by itself over a fixed background, so that a
// frame of a scrolling line sends a few requests and waits for no reply. The text comes ahead of the
// frames, many columns at a time: a frame then draws nothing.
class IScrollStrip
{
public:
    virtual ~IScrollStrip() = default;

    // Lays the strip over `area` of the window (device pixels) and shows it: the fixed background, of the
    // area's size, and the text layer from the area's left edge, of the area's height and at least its
    // width (premultiplied ARGB). Columns beyond the area's width are the ones later scrolls bring in;
    // the text layer's width is the most the strip holds. False when it cannot.
    virtual bool reset(const QRect &area, const QImage &background, const QImage &text) = 0;
    // Hands over the columns (the area's height) that follow the last ones handed over. False when they do
    // not fit: the strip holds no more columns than the text layer of the reset.
    virtual bool append(const QImage &columns) = 0;
    // Moves the text left by `distance` columns, handed over already, and shows the strip.
    virtual void scroll(int distance) = 0;
};
