#pragma once

#include "platform/iwindowsystem.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the bar and its tooltip go; plain arithmetic, kept apart from the widgets.
namespace BarPlacement {

enum Position { Top = 0, Bottom = 1, OverTaskbar = 2 };

// The screen for the "monitorNumber" setting: -1 or a screen that is not there means the primary one.
int screenIndex(int monitorNumber, int screenCount, int primaryIndex);

// The bar's rectangle in a screen area: the full width, on the top edge for Top and on the bottom
// edge otherwise (no taskbar band exists to dock into).
QRect barRect(const QRect &area, int position, int height);

// What is left of a screen once the strips other docks reserve on its edges are taken off; a strip
// that does not touch the screen leaves it whole. Screen and strips in the same coordinates.
QRect areaLeftByDocks(const QRect &screen, const QList<DockStrip> &strips);

// The bar's height for a text line of `lineHeight` pixels.
int barHeight(int lineHeight);

// The top-left corner of a tooltip of `size` for the item under the cursor at `item` (global): beside
// the cursor, on the side of the item away from the screen edge, and inside the screen.
QPoint toolTipPos(const QSize &size, const QRect &item, const QPoint &cursor, const QRect &screen);

} // namespace BarPlacement
