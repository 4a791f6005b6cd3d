#include "gadgets/gadgetgeometry.h"

namespace GadgetGeometry {

bool withinSnapDistance(int d)
{
    return d > -s_snapOverlap && d <= s_snapDistance;
}

bool overlapsVertically(const QRect &r, int y1, int y2)
{
    return (r.top() >= y1 && r.top() <= y2) || (r.bottom() >= y1 && r.bottom() <= y2) ||
           (y1 >= r.top() && y2 <= r.bottom());
}

bool overlapsHorizontally(const QRect &r, int x1, int x2)
{
    return (r.left() >= x1 && r.left() <= x2) || (r.right() >= x1 && r.right() <= x2) ||
           (x1 >= r.left() && x2 <= r.right());
}

QPoint snapInside(const QRect &r, const QPoint &direction, const QRect &lines, const QRect &span)
{
    if (direction.x() < 0) {
        const int d = r.left() - lines.left();
        if (withinSnapDistance(d) && overlapsVertically(r, span.top(), span.bottom()))
            return QPoint(-d, 0);
    }
    if (direction.x() > 0) {
        const int d = lines.right() - r.right();
        if (withinSnapDistance(d) && overlapsVertically(r, span.top(), span.bottom()))
            return QPoint(d, 0);
    }
    if (direction.y() < 0) {
        const int d = r.top() - lines.top();
        if (withinSnapDistance(d) && overlapsHorizontally(r, span.left(), span.right()))
            return QPoint(0, -d);
    }
    if (direction.y() > 0) {
        const int d = lines.bottom() - r.bottom();
        if (withinSnapDistance(d) && overlapsHorizontally(r, span.left(), span.right()))
            return QPoint(0, d);
    }
    return QPoint();
}

QPoint snapOutside(const QRect &r, const QPoint &direction, const QRect &w)
{
    if (direction.x() > 0) {
        const int d = w.left() - r.right();
        if (withinSnapDistance(d) && overlapsVertically(r, w.top(), w.bottom()))
            return QPoint(d, 0);
    }
    if (direction.x() < 0) {
        const int d = r.left() - w.right();
        if (withinSnapDistance(d) && overlapsVertically(r, w.top(), w.bottom()))
            return QPoint(-d, 0);
    }
    if (direction.y() > 0) {
        const int d = w.top() - r.bottom();
        if (withinSnapDistance(d) && overlapsHorizontally(r, w.left(), w.right()))
            return QPoint(0, d);
    }
    if (direction.y() < 0) {
        const int d = r.top() - w.bottom();
        if (withinSnapDistance(d) && overlapsHorizontally(r, w.left(), w.right()))
            return QPoint(0, -d);
    }
    return QPoint();
}

namespace {
void merge(QPoint *result, const QPoint &candidate)
{
    if (result->x() == 0)
        result->setX(candidate.x());
    if (result->y() == 0)
        result->setY(candidate.y());
}
} // namespace

QPoint snapOffset(const QRect &r, const QPoint &direction, const QRect &area, const QList<QRect> &others)
{
    QPoint result;
    merge(&result, snapInside(r, direction, area, area));
    for (const QRect &w : others) {
        merge(&result, snapOutside(r, direction, w));
        merge(&result, snapInside(r, direction, w, area));
    }
    return result;
}

bool isFree(const QRect &r, const QList<QRect> &others)
{
    for (const QRect &w : others) {
        if (w.intersects(r))
            return false;
    }
    return true;
}

QList<QPoint> spiralSteps(int count)
{
    static const QPoint directions[4] = {QPoint(0, 1), QPoint(-1, 0), QPoint(0, -1), QPoint(1, 0)};
    QList<QPoint> steps;
    steps.reserve(count);
    int direction = 3;
    QPoint position;
    int runLength = 1;
    int stepsInRun = 0;
    int turns = 0;
    for (int n = 0; n < count; ++n) {
        position += directions[direction];
        steps << position;
        if (++stepsInRun == runLength) {
            stepsInRun = 0;
            if (turns % 2 == 1)
                ++runLength;
            ++turns;
            direction = (direction + 1) % 4;
        }
    }
    return steps;
}

std::optional<QRect> findFreePlace(const QRect &r, int stepX, int stepY, const QRect &area, const QList<QRect> &others)
{
    if (area.contains(r) && isFree(r, others))
        return r;
    const QList<QPoint> steps = spiralSteps(s_maxPlaceCandidates);
    for (const QPoint &step : steps) {
        const QRect candidate = r.translated(step.x() * stepX, step.y() * stepY);
        if (area.contains(candidate) && isFree(candidate, others))
            return candidate;
    }
    return std::nullopt;
}

} // namespace GadgetGeometry
