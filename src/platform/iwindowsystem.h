#pragma once

#include "platform/iscrollstrip.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QWindow>

#include <array>
#include <functional>
#include <memory>

// The twelve values of a partial strut: left, right, top, bottom widths, then the start and end of
// each along its edge, all in device pixels of the whole desktop.
using StrutPartial = std::array<quint32, 12>;

// The strip a window docked at the top (top = true) or bottom edge reserves, for a window occupying
// `bar` on a desktop of `desktop` size. A bar that does not touch its edge reserves up to it.
StrutPartial dockStrut(const QRect &bar, const QSize &desktop, bool top);

// A strip of the desktop another dock reserves along one edge, in device pixels of the whole desktop.
struct DockStrip
{
    Qt::Edge edge;
    QRect rect;
    bool operator==(const DockStrip &other) const { return edge == other.edge && rect == other.rect; }
};

// The strips a partial strut reserves on a desktop of `desktop` size; none for an empty strut.
QList<DockStrip> dockStrips(const StrutPartial &strut, const QSize &desktop);

// Another program's window that reserves a strip of the desktop (a panel, a tray, another bar).
struct DockWindow
{
    quint32 id = 0;
    // Where the window lies, device pixels in desktop coordinates.
    QRect rect;
    QList<DockStrip> strips;
    // Listed by the window manager before the window asked about (it was mapped first).
    bool earlier = true;
};

// The window-system facilities the docked bar needs: marking a window as a dock, reserving its strip
// so maximised windows stay clear of it, and keeping it above or below other windows.
class IWindowSystem
{
public:
    virtual ~IWindowSystem() = default;

    // False where the window system knows no docks (Wayland, offscreen): the caller then makes a
    // plain stay-on-top window.
    virtual bool supportsDocks() const = 0;
    // Marks a window that is not mapped yet as a dock.
    virtual bool setDockType(QWindow *window) = 0;
    // Reserves the strip of `bar` (device pixels, desktop coordinates) at the top or bottom edge.
    virtual bool setStrut(QWindow *window, const QRect &bar, bool top) = 0;
    virtual bool clearStrut(QWindow *window) = 0;
    // Keeps the window above (true) or below (false) ordinary windows, mapped or not.
    virtual bool setStacking(QWindow *window, bool above) = 0;
    // Keeps the window out of the taskbar and the pager, mapped or not; false where nothing can be done.
    virtual bool setSkipTaskbar(QWindow *) { return false; }
    // The other docks of the desktop (panels, trays), leaving out `own`; empty where nothing can be learnt.
    virtual QList<DockWindow> otherDocks(QWindow *) { return {}; }
    // The panels the window manager draws itself (a tray): shown dock windows of the desktop that it does not list,
    // leaving out `own` (device pixels, desktop coordinates); empty where nothing can be learnt.
    virtual QList<QRect> windowManagerPanels(QWindow *) { return {}; }
    // The area the window manager leaves to windows on the current desktop, all struts and its own panels
    // taken off (device pixels, desktop coordinates); invalid where it publishes none.
    virtual QRect workArea() { return {}; }
    // The size of the whole desktop as the window server has it now (device pixels); invalid where nothing can be
    // learnt. The program's screens may still show another size for a moment after a change.
    virtual QSize desktopSize() { return {}; }
    // Calls `changed` when a dock may have come, gone, moved or changed its strut, or the work area
    // changed; one call per burst of changes. A later call replaces the earlier watcher; an empty function ends the
    // watching.
    virtual void watchDocks(std::function<void()> changed) { Q_UNUSED(changed) }
    // Whether a compositing manager runs, so that see-through parts of a window show as such; outside
    // X11 the window system always composites.
    virtual bool compositing() { return true; }
    // Calls `changed` when a compositing manager starts or stops; as watchDocks.
    virtual void watchCompositing(std::function<void(bool)> changed) { Q_UNUSED(changed) }
    // Where the shown windows of every program lie (device pixels, desktop coordinates), leaving out
    // `own`; empty where nothing can be learnt.
    virtual QList<QRect> shownWindowRects(QWindow *) { return {}; }
    // Where one shown window of ours lies as the window server has it now (device pixels, desktop coordinates):
    // Qt's own idea of it can be left wrong when the window manager takes the window in. Invalid where nothing can
    // be learnt.
    virtual QRect windowRect(QWindow *) { return {}; }
    // Asks the window manager to bring a minimised window back as a pager does, leaving the keyboard with the
    // window that has it; false where nothing can be asked. The caller restores the window after it, which
    // does it where the request is ignored.
    virtual bool restoreWithoutFocus(QWindow *) { return false; }
    // The window the window manager lists that holds the keyboard (a program's window, ours included), 0
    // for none or where nothing can be learnt.
    virtual quint32 keyboardWindow() { return 0; }
    // The window the window manager shows active, which need not hold the keyboard; 0 for none or where nothing can
    // be learnt.
    virtual quint32 activeWindow() { return 0; }
    // Whether a pointer button is held down now, as the window server knows it; false where nothing can be learnt.
    virtual bool buttonHeld() { return false; }
    // Gives the keyboard to a shown window of ours that the user clicked at `time` (the window server's
    // time of the click). Some window managers take the click while the window refuses input and then
    // leave it without the keyboard, whatever they are asked later; false where nothing can be done.
    virtual bool takeKeyboard(QWindow *, quint32 time)
    {
        Q_UNUSED(time)
        return false;
    }
    // Asks the window manager to hand the keyboard to a window it lists, as a pager does, for the user's
    // input at `time` (the window server's time); false where nothing can be asked.
    virtual bool activate(quint32 window, quint32 time)
    {
        Q_UNUSED(window)
        Q_UNUSED(time)
        return false;
    }
    // Calls `offered` with the window server's time whenever the window manager offers a window of ours the
    // keyboard (WM_TAKE_FOCUS), as at a click on its frame: one that refuses the keyboard then has to take it itself.
    // An empty function ends the watching.
    virtual void watchKeyboardOffers(QWindow *window, std::function<void(quint32)> offered)
    {
        Q_UNUSED(window)
        Q_UNUSED(offered)
    }
    // Whether one shown window of ours covers part of another: stacked above it and overlapping it where the
    // window server has them; false where nothing can be learnt.
    virtual bool covers(QWindow *window, QWindow *other)
    {
        Q_UNUSED(window)
        Q_UNUSED(other)
        return false;
    }
    // Tells the window manager that a window of ours without a frame is a small tool on the desktop: an
    // ordinary window to those that keep a program's tool windows above its others, a tool window to
    // those that would otherwise tile it. Called again after each change of the window's flags.
    virtual bool setDesktopToolType(QWindow *) { return false; }
    // Takes a window of ours that is not mapped yet out of the program's window group: window managers keep a dialog
    // that belongs to the whole group above all its windows. False where nothing can be done.
    virtual bool standApart(QWindow *) { return false; }
    // A strip of the window that the window server scrolls; null where none can be made.
    virtual std::unique_ptr<IScrollStrip> createScrollStrip(QWindow *) { return nullptr; }

    // The window system of this session: X11 through xcb where available, else one that does nothing.
    static std::unique_ptr<IWindowSystem> create();
    // One of them for the whole program, made at first use.
    static IWindowSystem *shared();
};

// Does nothing and says so; used where no X11 connection exists.
class NullWindowSystem : public IWindowSystem
{
public:
    bool supportsDocks() const override { return false; }
    bool setDockType(QWindow *) override { return false; }
    bool setStrut(QWindow *, const QRect &, bool) override { return false; }
    bool clearStrut(QWindow *) override { return false; }
    bool setStacking(QWindow *, bool) override { return false; }
};
