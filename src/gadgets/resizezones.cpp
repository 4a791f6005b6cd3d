#include "gadgets/resizezones.h"

namespace ResizeZones {

Areas areasFor(const QSize &size, int flags)
{
    Areas a;
    a.hit = QRect(0, 0, size.width() + 1, size.height() + 1);
    const int left = a.hit.left();
    const int top = a.hit.top();
    const int right = a.hit.right();
    const int bottom = a.hit.bottom();
    a.top = QRect(left, top, a.hit.width(), 3);
    a.right = QRect(right - 3, top, 3, bottom);
    a.bottom = QRect(left, bottom - 3, a.hit.width(), 3);
    a.left = QRect(left, top, 3, bottom);
    if (flags & TopLeftCorner)
        a.topLeft = QRect(left, top, 8, 12);
    if (flags & TopRightCorner)
        a.topRight = QRect(right - 8, top, 8, 12);
    if (flags & BottomRightCorner)
        a.bottomRight = QRect(right - 8, bottom - 12, 8, 12);
    if (flags & BottomLeftCorner)
        a.bottomLeft = QRect(left, bottom - 12, 8, 12);
    return a;
}

Zone hitZone(const Areas &a, int flags, const QPoint &pos)
{
    const bool vertical = flags & VerticalEdges;
    const bool horizontal = flags & HorizontalEdges;
    if (vertical && horizontal) {
        if ((flags & TopLeftCorner) && a.topLeft.contains(pos))
            return TopLeft;
        if ((flags & TopRightCorner) && a.topRight.contains(pos))
            return TopRight;
        if ((flags & BottomRightCorner) && a.bottomRight.contains(pos))
            return BottomRight;
        if ((flags & BottomLeftCorner) && a.bottomLeft.contains(pos))
            return BottomLeft;
    }
    if (vertical && a.top.contains(pos)) {
        if (!horizontal)
            return Top;
        if (a.left.contains(pos))
            return TopLeft;
        if (a.right.contains(pos))
            return TopRight;
        return Top;
    }
    if (vertical && a.bottom.contains(pos)) {
        if (!horizontal)
            return Bottom;
        if (a.left.contains(pos))
            return BottomLeft;
        if (a.right.contains(pos))
            return BottomRight;
        return Bottom;
    }
    if (horizontal && a.left.contains(pos))
        return Left;
    if (horizontal && a.right.contains(pos))
        return Right;
    return NoZone;
}

Qt::CursorShape cursorFor(Zone zone)
{
    switch (zone) {
    case Top:
    case Bottom:
        return Qt::SizeVerCursor;
    case Left:
    case Right:
        return Qt::SizeHorCursor;
    case TopLeft:
    case BottomRight:
        return Qt::SizeFDiagCursor;
    case TopRight:
    case BottomLeft:
        return Qt::SizeBDiagCursor;
    case NoZone:
        break;
    }
    return Qt::ArrowCursor;
}

QPoint directionOf(Zone zone)
{
    switch (zone) {
    case Top:
        return QPoint(0, -1);
    case Bottom:
        return QPoint(0, 1);
    case Left:
        return QPoint(-1, 0);
    case Right:
        return QPoint(1, 0);
    case TopLeft:
        return QPoint(-1, -1);
    case TopRight:
        return QPoint(1, -1);
    case BottomLeft:
        return QPoint(-1, 1);
    case BottomRight:
        return QPoint(1, 1);
    case NoZone:
        break;
    }
    return QPoint();
}

QPoint grabOffset(Zone zone, const QSize &size, const QPoint &p)
{
    switch (zone) {
    case TopLeft:
        return QPoint(0, 0) - p;
    case TopRight:
        return QPoint(size.width(), 0) - p;
    case BottomLeft:
        return QPoint(0, size.height()) - p;
    case BottomRight:
        return QPoint(size.width(), size.height()) - p;
    default:
        break;
    }
    return QPoint();
}

QRect resized(const QRect &geometry, Zone zone, const QPoint &p, const QSize &minimum, const QSize &maximum,
              const std::optional<QRect> &bounds)
{
    QRect g = geometry;
    const bool vertical = minimum.height() != maximum.height();
    if (vertical && (zone == Top || zone == TopLeft || zone == TopRight)) {
        g.setTop(p.y());
        if (g.height() < minimum.height())
            g.setTop(g.bottom() - minimum.height());
        if (bounds)
            g.setTop(qMax(g.top(), bounds->top()));
    }
    if (vertical && (zone == Bottom || zone == BottomLeft || zone == BottomRight)) {
        g.setBottom(p.y());
        if (g.height() < minimum.height())
            g.setBottom(g.top() + minimum.height());
        if (bounds)
            g.setBottom(qMin(g.bottom(), bounds->bottom()));
    }
    if (zone == Left || zone == TopLeft || zone == BottomLeft) {
        g.setLeft(p.x());
        if (g.width() < minimum.width())
            g.setLeft(g.right() - minimum.width());
        if (bounds)
            g.setLeft(qMax(g.left(), bounds->left()));
    }
    if (zone == Right || zone == TopRight || zone == BottomRight) {
        g.setRight(p.x());
        if (g.width() < minimum.width())
            g.setRight(g.left() + minimum.width());
        if (bounds)
            g.setRight(qMin(g.right(), bounds->right()));
    }
    return g;
}

} // namespace ResizeZones
