#include "runningline/barplacement.h"

#include <QtGlobal>

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
