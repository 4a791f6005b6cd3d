#pragma once

#include "platform/iwindowsystem.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QPointer>
#include <QSet>

#include <memory>

#include <xcb/xcb.h>

// EWMH hints written with xcb on the application's own X11 connection.
class QSocketNotifier;
class QTimer;

class XcbWindowSystem : public IWindowSystem, public QAbstractNativeEventFilter
{
public:
    ~XcbWindowSystem() override;
    // Null when the application does not run on X11.
    static std::unique_ptr<XcbWindowSystem> create();

    bool supportsDocks() const override { return true; }
    bool setDockType(QWindow *window) override;
    bool setStrut(QWindow *window, const QRect &bar, bool top) override;
    bool clearStrut(QWindow *window) override;
    bool setStacking(QWindow *window, bool above) override;
    bool setSkipTaskbar(QWindow *window) override;
    QList<DockWindow> otherDocks(QWindow *own) override;
    QList<QRect> windowManagerPanels(QWindow *own) override;
    QRect workArea() override;
    QSize desktopSize() override;
    void watchDocks(std::function<void()> changed) override;
    bool compositing() override;
    void watchCompositing(std::function<void(bool)> changed) override;
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override;
    QList<QRect> shownWindowRects(QWindow *own) override;
    QRect windowRect(QWindow *window) override;
    bool restoreWithoutFocus(QWindow *window) override;
    quint32 keyboardWindow() override;
    quint32 activeWindow() override;
    bool buttonHeld() override;
    bool takeKeyboard(QWindow *window, quint32 time) override;
    bool activate(quint32 window, quint32 time) override;
    bool covers(QWindow *window, QWindow *other) override;
    bool setDesktopToolType(QWindow *window) override;
    bool standApart(QWindow *window) override;
    void watchKeyboardOffers(QWindow *window, std::function<void(quint32)> offered) override;
    std::unique_ptr<IScrollStrip> createScrollStrip(QWindow *window) override;

private:
    XcbWindowSystem(xcb_connection_t *connection, xcb_window_t root);
    xcb_atom_t atom(const char *name);
    // The watching connection's events: other programs' windows are watched on a connection of our
    // own, so that their event masks never mix with the ones Qt keeps for its windows.
    void readWatchEvents();
    void handleWatchEvent(const xcb_generic_event_t *event);
    // Selects the events that tell of a dock's changes on every newly listed window.
    void watchClients(const QList<quint32> &clients);
    void scheduleDocksChanged();
    bool isMapped(xcb_window_t window);
    // A 32-bit list property of a window; empty when it has none.
    QList<quint32> cardinals(xcb_window_t window, xcb_atom_t property);
    bool isDesktopWindow(xcb_window_t topLevel);
    // Adds states to the window's _NET_WM_STATE and takes `unwanted` out: in the property while it is unmapped, keeping
    // the others there, else through the window manager.
    void changeStates(xcb_window_t window, const QList<xcb_atom_t> &states, xcb_atom_t unwanted = XCB_ATOM_NONE);
    // Asks the window manager to remove (0) or add (1) one state of a mapped window; the caller flushes.
    void sendState(xcb_window_t window, uint32_t action, xcb_atom_t which);
    // A client message about the window to the window manager; the caller flushes.
    void sendToRoot(xcb_window_t window, const char *type, std::initializer_list<uint32_t> data);
    // Hears the application's events while anything is watched through them.
    void filterEvents();

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    // The strut last written per window: placing the bar asks several times per change.
    QHash<xcb_window_t, StrutPartial> m_struts;
    QHash<QByteArray, xcb_atom_t> m_atoms;

    xcb_connection_t *m_watch = nullptr;
    std::unique_ptr<QSocketNotifier> m_watchNotifier;
    std::unique_ptr<QTimer> m_docksChangedTimer;
    std::function<void()> m_docksChanged;
    QSet<xcb_window_t> m_watched;
    QSet<xcb_window_t> m_own;
    // Compositing managers own this selection; Qt watches its owner through XFixes on its connection.
    std::function<void(bool)> m_compositingChanged;
    uint8_t m_xfixesFirstEvent = 0;
    // Per watched window, gone ones left out at the next watch.
    QHash<xcb_window_t, QPair<QPointer<QWindow>, std::function<void(quint32)>>> m_keyboardOffers;
    bool m_filtering = false;
    bool m_compositing = false;
};
