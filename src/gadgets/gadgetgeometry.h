#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

#include <optional>

// Placement arithmetic of the gadget windows: edge snapping while a window moves or grows, and the search
// for a free place. Rectangles have inclusive edges (right = left + width - 1), as QRect keeps them.
namespace GadgetGeometry {

constexpr int s_snapDistance = 10;
// A window may run this far minus one past a line and still be pulled back onto it.
constexpr int s_snapOverlap = 3;
constexpr int s_maxPlaceCandidates = 100;

// Up to 10 px short of a line, or 1 or 2 px past it.
bool withinSnapDistance(int d);
// r's vertical extent meets the span y1..y2 of a vertical line (and the same for horizontal lines).
bool overlapsVertically(const QRect &r, int y1, int y2);
bool overlapsHorizontally(const QRect &r, int x1, int x2);

// Snap of r from the inside against the left, right, top and bottom lines of `lines`, each spanning
// `span`; only toward `direction`. The first test that fires decides; (0, 0) when none does.
QPoint snapInside(const QRect &r, const QPoint &direction, const QRect &lines, const QRect &span);
// Snap of r from the outside against the edges of another window w (adjacency).
QPoint snapOutside(const QRect &r, const QPoint &direction, const QRect &w);

// The offset that snaps r, moving in `direction`, to the screen area and then to the other windows, in
// their order. On each axis the first non-zero candidate wins: the screen before the windows, an earlier
// window before a later one, a window's adjacency before the alignment with its edges.
QPoint snapOffset(const QRect &r, const QPoint &direction, const QRect &area, const QList<QRect> &others);

// Whether r meets none of the others.
bool isFree(const QRect &r, const QList<QRect> &others);
// The first `count` positions of the square spiral, in steps: (1, 0), (1, 1), (0, 1), (-1, 1), ...
QList<QPoint> spiralSteps(int count);
// r itself when it lies wholly in the area and is free; else the first free spot of the spiral around r
// (steps of stepX by stepY) wholly inside the area among 100 candidates; nothing when there is none.
std::optional<QRect> findFreePlace(const QRect &r, int stepX, int stepY, const QRect &area, const QList<QRect> &others);

} // namespace GadgetGeometry
