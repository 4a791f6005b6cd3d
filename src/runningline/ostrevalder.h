#pragma once

#include "core/undoobject.h"
#include "runningline/barplacement.h"
#include "store/systemevents.h"
#include "widgets/sharedactions.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QGradientStops>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class AccumulativeEventsModel;
class EventsModel;
class IWindowSystem;
class MovingLineFilter;
class MovingView;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class SystemModel;
class TextEvent;
class ToolTipHandler;

// The running-line bar: a thin window on the top or bottom edge of a monitor that scrolls the coming
// events and the system messages. It docks there through the window system (reserving its strip),
// colours itself from the desktop under it or from a gradient, and applies every setting live.
// Closing it deletes it, so destroyed() follows every close.
class Ostrevalder : public QWidget, public UndoProxy
{
    Q_OBJECT

public:
    // What the bar asks of the desktop; tests replace it before making a bar.
    struct Platform
    {
        std::function<std::unique_ptr<IWindowSystem>()> windowSystem;
        // Whether the user is at the screen, so that sampling its colours makes sense.
        std::function<bool()> sessionActive;
        // The desktop's pixels in a rectangle of global coordinates; a null image when not possible.
        std::function<QImage(const QRect &)> grabScreen;
    };
    static void setPlatform(const Platform &platform);
    static Platform defaultPlatform();

    explicit Ostrevalder(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~Ostrevalder() override;

    static void registerPanelProperties();
    static void registerTextProperties();
    static void registerMovingProperties();
    static void fallBackFromTaskbarPosition();

    static QGradientStops gradientFromByteArray(const QByteArray &data);
    static QByteArray gradientToByteArray(const QGradientStops &stops);
    static QGradientStops defaultGradient();
    // The average colours of the left and right halves of a picture of the desktop.
    static QPair<QColor, QColor> averageColours(const QImage &image);

    static bool hasEventsToShow();
    static QIcon logoIcon();
    static QString newVersionText();

    int eventsToShowCount() const;

    // Parts for the application and for tests.
    SystemEvents *systemEvents() { return &m_systemEvents; }
    MovingLineFilter *filter() const { return m_filter; }
    MovingView *view() const { return m_view; }
    QToolButton *updateButton() const { return m_updateButton; }
    ToolTipHandler *toolTipHandler() const { return m_toolTipHandler; }
    bool isDocked() const { return m_docked; }
    bool isClickThrough() const { return m_clickThrough; }
    // The background as painted now: the stops from the left edge to the right.
    QGradientStops backgroundStops() const { return m_backgroundStops; }
    // The text colour in use: the user's, or the nearest one that reads on a background taken from the desktop.
    QColor textColour() const { return m_textColour; }
    // The context menu for a row (empty id: no row); the caller owns it.
    QMenu *createContextMenu(const QByteArray &id);
    // The program's commands its context menu offers besides the row's own.
    void setSharedActions(const SharedActions &actions) { m_shared = actions; }
    // Where the bar goes with the current settings and screens.
    QRect targetGeometry() const;

public slots:
    void invalidateTimeFilters();
    void onTimeZoneChanged();
    void myClose();
    void onEventLeftClick(const QByteArray &id);
    void onEventDoubleClick(const QByteArray &id);
    void propertyChanged(const QByteArray &id, const QVariant &value);
    void onNewVersionAvailable();
    void showLog();
    void placeBar();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applySetting(const QByteArray &id, const QVariant &value);
    void applyDockHints();
    // A window manager may move or size the bar itself after it placed itself, as fluxbox does to keep windows on a
    // screen that shrank: the bar goes back at once, reserving nothing where it was put. Once for each place it is put
    // in, so as not to fight one that keeps it where it wants it. True when it went back.
    bool takePlaceBack(const QEvent *event);
    void updateBackground(bool mayGrab);
    void applyTextColour();
    void updateInfoLines();
    void scheduleInfoLines();
    void setClickThrough(bool on);
    void watchScreens();
    QScreen *targetScreen() const;
    // Where the bar goes; `settleIn`, when given, gets the time until a later dock counts, or -1.
    QRect placement(int *settleIn) const;
    // Asks the window system once where the other docks are; the answer holds until it tells of a change.
    void refreshDocks();
    // The other docks as the bar's placement sees them, in the screen's logical pixels; `settleIn`
    // gets the time until the next one counts as settled, or -1.
    QList<BarPlacement::OtherDock> otherDocksOn(QScreen *screen, int *settleIn) const;
    // Learns anew from the work area what the window manager keeps free for its own panels.
    void updateKeptArea();
    SystemEvent *systemEventById(const QByteArray &id) const;
    QVariant setting(const QByteArray &id, const QVariant &fallback = QVariant()) const;

    SystemEvents m_systemEvents;
    SharedActions m_shared;
    EventsModel *m_eventsModel = nullptr;
    SystemModel *m_ownLinesModel = nullptr;
    SystemModel *m_applicationLinesModel = nullptr;
    AccumulativeEventsModel *m_allModel = nullptr;
    MovingLineFilter *m_filter = nullptr;
    MovingView *m_view = nullptr;
    QToolButton *m_updateButton = nullptr;
    ToolTipHandler *m_toolTipHandler = nullptr;
    std::unique_ptr<IWindowSystem> m_windowSystem;
    QList<DockWindow> m_otherDocks;
    // Since when each other dock has been where it is, to tell a panel that stays from a dock that
    // places itself and moves on at once.
    QHash<quint32, QPair<QRect, qint64>> m_dockSince;
    QElapsedTimer m_clock;
    QBasicTimer m_dockSettle;
    bool m_docksKnown = false;
    // The work area as last read (device pixels; invalid while it is not yet the one for the desktop's size), and
    // what of the target screen the window manager keeps free for its own panels (logical pixels): the bar docks at
    // the edge of what is left.
    QRect m_workArea;
    QMargins m_keptMargins;
    // The window manager's own panel windows, as last read (device pixels).
    QList<QRect> m_panels;
    BarPlacement::WorkAreaReader m_workAreaReader;
    // Where the window manager last put the bar on its own.
    QRect m_placeTakenBack;
    // The bar's last two struts, in logical pixels.
    QList<DockStrip> m_ownStruts;
    QByteArray m_loggedDocks;
    bool m_docked = false;
    bool m_closing = false;
    bool m_clickThrough = false;
    bool m_infoLinesPending = false;
    QBasicTimer m_clickThroughPoll;
    QGradientStops m_backgroundStops;
    bool m_backgroundFromDesktop = false;
    QColor m_textColour;
    // The gradient and the edge line, made once per size, colours and side: the line scrolls over it
    // forty times a second, and filling them anew each time costs more than the text.
    QPixmap m_backgroundPixmap;
    QGradientStops m_backgroundPixmapStops;
    bool m_backgroundPixmapTop = false;
    std::shared_ptr<TextEvent> m_noEventsLine;
    std::shared_ptr<TextEvent> m_loadErrorLine;
    QPointer<QPlainTextEdit> m_logWindow;
};
