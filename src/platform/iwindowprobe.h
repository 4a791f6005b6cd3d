#pragma once

#include <QPoint>

class QWindow;

// Tells whether one of our top-level windows is what the user sees at a point of the screen, that is,
// whether no other window, of any program, covers it there.
class IWindowProbe
{
public:
    virtual ~IWindowProbe() = default;
    virtual bool isWindowAt(const QWindow *window, const QPoint &globalPos) = 0;

    // The probe for the running platform: the X server's stacking order under X11, else Qt's own
    // top-level windows (which cannot see other programs' windows).
    static IWindowProbe *platformProbe();
};

// Asks Qt which of this program's windows lies at the point.
class QtWindowProbe : public IWindowProbe
{
public:
    bool isWindowAt(const QWindow *window, const QPoint &globalPos) override;
};

// Walks the root window's children from the top of the stack down to the first visible one at the point,
// then checks that it is our window or the frame the window manager put around it.
class X11WindowProbe : public IWindowProbe
{
public:
    bool isWindowAt(const QWindow *window, const QPoint &globalPos) override;
};
