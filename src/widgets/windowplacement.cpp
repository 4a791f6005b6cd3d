#include "widgets/windowplacement.h"

namespace WindowPlacement {

QRect fitIntoArea(const QRect &window, const QRect &area)
{
    if (!area.isValid())
        return window;
    QRect r(window.topLeft(), window.size().boundedTo(area.size()));
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.top() < area.top())
        r.moveTop(area.top());
    return r;
}

int bestArea(const QRect &window, const QList<QRect> &areas, int fallback)
{
    int best = fallback;
    qint64 bestOverlap = 0;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect overlap = areas.at(i).intersected(window);
        const qint64 size = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (size > bestOverlap) {
            bestOverlap = size;
            best = i;
        }
    }
    return best;
}

QRect ontoAreas(const QRect &window, const QList<QRect> &areas, int fallback)
{
    if (areas.isEmpty())
        return window;
    return fitIntoArea(window, areas.at(qBound(0, bestArea(window, areas, fallback), int(areas.size()) - 1)));
}

QRect centredOn(const QRect &window, const QPoint &centre)
{
    QRect r(QPoint(0, 0), window.size());
    r.moveTopLeft(centre - r.center());
    return r;
}

} // namespace WindowPlacement
