#include "runningline/barplacement.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace BarPlacement {

int screenIndex(int monitorNumber, int screenCount, int primaryIndex)
{
    if (monitorNumber >= 0 && monitorNumber < screenCount)
        return monitorNumber;
    return qBound(0, primaryIndex, qMax(0, screenCount - 1));
}

QRect barRect(const QRect &area, int position, int height)
{
    height = qBound(1, height, qMax(1, area.height()));
    if (position == Top)
        return QRect(area.left(), area.top(), area.width(), height);
    return QRect(area.left(), area.bottom() + 1 - height, area.width(), height);
}

QRect areaLeftByDocks(const QRect &screen, const QList<DockStrip> &strips)
{
    QRect area = screen;
    for (const DockStrip &strip : strips) {
        if (!strip.rect.intersects(screen))
            continue;
        switch (strip.edge) {
        case Qt::TopEdge:
            area.setTop(qMax(area.top(), strip.rect.bottom() + 1));
            break;
        case Qt::BottomEdge:
            area.setBottom(qMin(area.bottom(), strip.rect.top() - 1));
            break;
        case Qt::LeftEdge:
            area.setLeft(qMax(area.left(), strip.rect.right() + 1));
            break;
        case Qt::RightEdge:
            area.setRight(qMin(area.right(), strip.rect.left() - 1));
            break;
        }
    }
    // Docks that would leave nothing are not believed.
    return area.isValid() ? area : screen;
}

QRect areaKeptByWindowManager(const QRect &screen, const QRect &workArea, const QList<DockStrip> &strips,
                              const QRect &kept)
{
    const QRect seen = workArea.isValid() ? workArea & screen : screen;
    if (!seen.isValid())
        return screen;
    const QRect before = kept.isValid() && screen.contains(kept) ? kept : screen;
    // A logical pixel either way: the work area and the struts are rounded from device pixels apart.
    const auto explained = [&strips](Qt::Edge edge, int inner) {
        return std::any_of(strips.cbegin(), strips.cend(), [edge, inner](const DockStrip &strip) {
            const QRect &r = strip.rect;
            const int stripInner = edge == Qt::TopEdge      ? r.bottom() + 1
                                   : edge == Qt::BottomEdge ? r.top() - 1
                                   : edge == Qt::LeftEdge   ? r.right() + 1
                                                            : r.left() - 1;
            return strip.edge == edge && qAbs(stripInner - inner) <= 1;
        });
    };
    // What the window manager keeps lies no further in than the work area's edge.
    QRect area = screen;
    if (seen.top() > screen.top())
        area.setTop(explained(Qt::TopEdge, seen.top()) ? qMin(before.top(), seen.top()) : seen.top());
    if (seen.bottom() < screen.bottom())
        area.setBottom(explained(Qt::BottomEdge, seen.bottom()) ? qMax(before.bottom(), seen.bottom()) : seen.bottom());
    if (seen.left() > screen.left())
        area.setLeft(explained(Qt::LeftEdge, seen.left()) ? qMin(before.left(), seen.left()) : seen.left());
    if (seen.right() < screen.right())
        area.setRight(explained(Qt::RightEdge, seen.right()) ? qMax(before.right(), seen.right()) : seen.right());
    return area.isValid() ? area : screen;
}

QRect barBesideDocks(const QRect &screen, int position, int height, const QList<OtherDock> &docks)
{
    QList<DockStrip> sides;
    for (const OtherDock &dock : docks) {
        for (const DockStrip &strip : dock.strips) {
            if (strip.edge == Qt::LeftEdge || strip.edge == Qt::RightEdge)
                sides << strip;
        }
    }
    const QRect area = areaLeftByDocks(screen, sides);
    const bool top = position == Top;
    const QRect atEdge = barRect(area, position, height);
    QList<QRect> beside;
    for (const OtherDock &dock : docks) {
        const QRect &w = dock.window;
        if (!w.isValid() || w.right() < area.left() || w.left() > area.right() || !w.intersects(screen))
            continue;
        const bool onEdge = top ? w.top() <= screen.top() : w.bottom() >= screen.bottom();
        if (dock.earlier) {
            beside << w;
            // What it reserves counts too: a panel may keep its window elsewhere. A later dock's strip
            // is left out, as a dock standing beside the bar reserves up to the edge, over the bar.
            for (const DockStrip &strip : dock.strips) {
                if (strip.edge == (top ? Qt::TopEdge : Qt::BottomEdge))
                    beside << strip.rect;
            }
        } else if (dock.settled && onEdge) {
            beside << w;
        }
    }
    // Step off the edge past every dock in the way; each step moves only inward, so this ends.
    QRect bar = atEdge;
    for (bool moved = true; moved;) {
        moved = false;
        for (const QRect &w : std::as_const(beside)) {
            if (!bar.intersects(w))
                continue;
            bar.moveTop(top ? w.bottom() + 1 : w.top() - bar.height());
            moved = true;
        }
    }
    // Docks that would push the bar off its screen are not believed.
    return area.contains(bar) ? bar : atEdge;
}

int widthWithinScreen(int width, qreal ratio)
{
    if (ratio <= 0 || qFuzzyCompare(ratio, qreal(qRound(ratio))))
        return width;
    // The screen's logical width was rounded from its device width: that was at least this much.
    const int deviceAtLeast = int(std::ceil((width - 0.5) * ratio));
    while (width > 1 && qRound(width * ratio) > deviceAtLeast)
        --width;
    return width;
}

int barHeight(int lineHeight)
{
    return qMax(16, lineHeight + 6);
}

QPoint toolTipPos(const QSize &size, const QRect &item, const QPoint &cursor, const QRect &screen)
{
    int x = cursor.x() - size.width() / 2;
    // Below the item when there is more room under it, else above.
    const int roomBelow = screen.bottom() - item.bottom();
    const int roomAbove = item.top() - screen.top();
    int y = roomBelow >= roomAbove ? item.bottom() + 5 : item.top() - 4 - size.height();
    x = qBound(screen.left(), x, qMax(screen.left(), screen.right() + 1 - size.width()));
    y = qBound(screen.top(), y, qMax(screen.top(), screen.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

} // namespace BarPlacement
