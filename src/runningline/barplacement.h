#pragma once

#include "platform/iwindowsystem.h"

#include <QList>
#include <QMargins>
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

// The margins of `screen` the window manager keeps free for its own panels, which reserve no strut, read from its
// work area (`workArea`; invalid when it publishes none or none for the desktop's present size: the margins learnt
// before, `kept`, hold). An edge of the work area that a known strip explains (another dock's, `strips`, or one of
// the bar's own last struts, `own`, the latest last) may hide what the window manager keeps behind it, and one
// further out than the bar's latest strut is from before the window manager took that in: there the margin
// learnt before holds. Behind the bar's own strut, a panel window of the window manager's (`panels`) lying within it
// shows what the window manager keeps there now.
QMargins marginsKeptByWindowManager(const QRect &screen, const QRect &workArea, const QList<DockStrip> &strips,
                                    const QList<DockStrip> &own, const QList<QRect> &panels, const QMargins &kept);

// Reads the window manager's work area anew each time: after a change of the desktop's size or of the screen's mode it
// still shows the area it had before for a while, which tells nothing of the new one (icewm's, while the desktop is
// larger than the mode, takes a strut from the mode's bottom, far above the bar).
class WorkAreaReader
{
public:
    // The area as read with the desktop's size and the screen's geometry then; invalid while it is still the one from
    // before them.
    QRect read(const QRect &area, const QSize &desktop, const QRect &screen);

private:
    QSize m_desktop;
    QRect m_screen;
    QRect m_area;
    QRect m_before;
};

// Another program's dock as the bar sees it: where its window lies, what it reserves, whether the
// window manager listed it before the bar (it was there first), and whether it has kept its place for
// a while (a dock that places itself, as the bar does, moves away at once).
struct OtherDock
{
    QRect window;
    QList<DockStrip> strips;
    bool earlier = true;
    bool settled = true;
};

// How long a later dock keeps its place before the bar makes room for it.
constexpr int s_dockSettleMs = 400;

// Where the bar of `height` goes on `screen` at the top (position Top) or bottom edge among other
// docks. Side docks narrow it. Along its edge it stands beside the docks that were there first (their
// windows and strips) and beside later ones that keep to the very edge (a panel that does not move);
// a later dock standing off the edge, or one not settled yet, is left to make room itself. So two
// bars that both follow this settle in one step, and a bar returns to its edge when what it stood
// beside goes.
QRect barBesideDocks(const QRect &screen, int position, int height, const QList<OtherDock> &docks);

// The widest a window of `width` logical pixels may be so that, scaled by `ratio` and rounded as the
// window system does, it does not pass the edge of a screen that is `width` logical pixels wide.
int widthWithinScreen(int width, qreal ratio);

// The bar's height for a text line of `lineHeight` pixels.
int barHeight(int lineHeight);

// The top-left corner of a tooltip of `size` for the item under the cursor at `item` (global): beside
// the cursor, on the side of the item away from the screen edge, and inside the screen.
QPoint toolTipPos(const QSize &size, const QRect &item, const QPoint &cursor, const QRect &screen);

} // namespace BarPlacement
