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

QMargins marginsKeptByWindowManager(const QRect &screen, const QRect &workArea, const QList<DockStrip> &strips,
                                    const QList<DockStrip> &own, const QList<QRect> &panels, const QMargins &kept)
{
    const QRect seen = workArea & screen;
    if (!workArea.isValid() || !seen.isValid())
        return kept;
    // How far a strip reaches in from its edge of the screen.
    const auto depth = [&screen](const DockStrip &strip) {
        const QRect &r = strip.rect;
        return strip.edge == Qt::TopEdge      ? r.bottom() + 1 - screen.top()
               : strip.edge == Qt::BottomEdge ? screen.bottom() + 1 - r.top()
               : strip.edge == Qt::LeftEdge   ? r.right() + 1 - screen.left()
                                              : screen.right() + 1 - r.left();
    };
    const auto margin = [&](Qt::Edge edge, int seenDepth, int keptDepth) {
        // A logical pixel either way: the work area and the struts are rounded from device pixels apart.
        const auto explains = [&](const DockStrip &strip) {
            return strip.edge == edge && qAbs(depth(strip) - seenDepth) <= 1;
        };
        if (!own.isEmpty() && own.last().edge == edge && seenDepth < depth(own.last()) - 1)
            return keptDepth;
        const bool ownExplains = std::any_of(own.cbegin(), own.cend(), explains);
        if (seenDepth > 0 && ownExplains) {
            // The window manager may have moved its panel behind the bar's strut (one that restarts after a change of
            // size places it anew): the panel's window shows where.
            int panelDepth = -1;
            for (const QRect &panel : panels) {
                for (const DockStrip &strip : own) {
                    if (strip.edge == edge && strip.rect.contains(panel))
                        panelDepth = qMax(panelDepth, depth(DockStrip{edge, panel}));
                }
            }
            if (panelDepth >= 0)
                return panelDepth;
        }
        if (seenDepth > 0 && (ownExplains || std::any_of(strips.cbegin(), strips.cend(), explains)))
            return qMin(keptDepth, seenDepth);
        return seenDepth;
    };
    const QMargins area(margin(Qt::LeftEdge, seen.left() - screen.left(), kept.left()),
                        margin(Qt::TopEdge, seen.top() - screen.top(), kept.top()),
                        margin(Qt::RightEdge, screen.right() - seen.right(), kept.right()),
                        margin(Qt::BottomEdge, screen.bottom() - seen.bottom(), kept.bottom()));
    return screen.marginsRemoved(area).isValid() ? area : QMargins();
}

QRect WorkAreaReader::read(const QRect &area, const QSize &desktop, const QRect &screen)
{
    if (desktop != m_desktop || screen != m_screen) {
        m_before = m_area;
        m_desktop = desktop;
        m_screen = screen;
    }
    m_area = area;
    // Once another comes, the window manager has caught up.
    if (area != m_before)
        m_before = QRect();
    return m_before.isValid() ? QRect() : area;
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
