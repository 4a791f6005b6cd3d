#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// Where a window goes on the desktop, as plain arithmetic so it is tested without windows.
namespace WindowPlacement {

// The window shrunk to the area where it is larger, then moved so that it lies wholly inside.
QRect fitIntoArea(const QRect &window, const QRect &area);

// The index of the area the window overlaps most; `fallback` when it overlaps none
// (its screen was unplugged since it was saved).
int bestArea(const QRect &window, const QList<QRect> &areas, int fallback);

// The window fitted into the area it overlaps most (`fallback` when it overlaps none); as it was
// when there are no areas.
QRect ontoAreas(const QRect &window, const QList<QRect> &areas, int fallback);

// The window's rectangle moved so that its centre lies on the point.
QRect centredOn(const QRect &window, const QPoint &centre);

} // namespace WindowPlacement
