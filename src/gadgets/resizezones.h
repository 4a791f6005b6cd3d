#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// The border arithmetic of the gadget resizer: which part of a frameless window's border is under the
// pointer, and where a dragged border takes the window.
namespace ResizeZones {

enum Zone { NoZone = 0, Top, Bottom, Left, Right, TopLeft, TopRight, BottomLeft, BottomRight };

enum Flag {
    VerticalEdges = 1,
    HorizontalEdges = 2,
    TopLeftCorner = 4,
    TopRightCorner = 8,
    BottomRightCorner = 16,
    BottomLeftCorner = 32,
};
constexpr int s_defaultFlags = VerticalEdges | HorizontalEdges;

// The live strips and boxes of a window of the given size, in its own coordinates.
struct Areas
{
    QRect hit;
    QRect top, right, bottom, left;
    QRect topLeft, topRight, bottomRight, bottomLeft;
};

Areas areasFor(const QSize &size, int flags);
Zone hitZone(const Areas &areas, int flags, const QPoint &pos);
Qt::CursorShape cursorFor(Zone zone);
// -1, 0 or +1 per axis: left and top are -1.
QPoint directionOf(Zone zone);
// How far the grabbed corner lies from the press point p, so that it keeps that distance while dragged;
// an edge has none and jumps to the pointer.
QPoint grabOffset(Zone zone, const QSize &size, const QPoint &p);
// The geometry after one drag step to p (grab offset added), held at the minimum size and, for a child
// widget, inside its parent's rectangle.
QRect resized(const QRect &geometry, Zone zone, const QPoint &p, const QSize &minimum, const QSize &maximum,
              const std::optional<QRect> &bounds);

} // namespace ResizeZones
