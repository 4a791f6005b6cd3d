#pragma once

#include "runningline/runninglinedelegate.h"

#include <QBasicTimer>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class IScrollStrip;
class IWindowSystem;
class QAbstractItemModel;

// The scrolling text of the bar: every row of the model in one line moving left, or one row at a time
// moving down or up with a pause. Beside it the logo, which doubles as the hot exit area. The line
// stands still (and no timer runs) when it fits and "permanentScroll" is off, when hovered, and
// while hidden.
class MovingView : public QWidget
{
    Q_OBJECT

public:
    enum Direction { Horizontal = 0, Downward = 1, Upward = 2 };
    static constexpr int s_tickInterval = 25;
    static constexpr int s_exitAreaDelay = 1000;
    // How far beyond the right edge rows are prepared ahead of the line.
    static constexpr int s_lookAhead = 64;
    // How many columns beyond the right edge the window server's strip gets ahead of the frames (device
    // pixels): the text is drawn once for that many, and a frame itself draws nothing.
    static constexpr int s_stripAhead = 256;

    // A frame's step through the strip at a pixel ratio where the line's step is not a whole number of
    // device pixels: the strip moves by whole columns and stays less than one behind the line.
    struct StripStep
    {
        int columns = 0;
        qreal lag = 0; // device pixels the strip is behind the line afterwards
    };
    static StripStep stripStep(qreal lag, qreal deviceDistance);

    explicit MovingView(QWidget *parent = nullptr);
    ~MovingView() override;

    void setModel(QAbstractItemModel *model);
    QAbstractItemModel *model() const { return m_model; }
    RunningLineDelegate *delegate() const { return m_delegate; }

    void setTextFont(const QFont &font);
    void setTextColor(const QColor &color);
    void setTextHalo(const QColor &color);
    void setSpeed(int speed);
    int speed() const { return m_speed; }
    void setDirection(int direction);
    int direction() const { return m_direction; }
    void setVerticalPause(int msecs);
    void setPermanentScroll(bool on);
    void setRemoveDuplicatingWhen(bool on);
    void setHotExitArea(bool on);
    void setLogo(const QIcon &logo);
    // Where a strip that the window server scrolls comes from; without one (or where it makes none)
    // every frame is painted.
    void setWindowSystem(IWindowSystem *windowSystem);

    // Whether the line moves now; false when it fits, is hovered or hidden.
    bool isScrolling() const { return m_timer.isActive() && !m_pausing; }
    bool needsScrolling() const;
    // Every row prepared, in the model's order (for tests: the view itself prepares a row only when it is
    // about to scroll into view).
    const QList<RunningLineItem> &items() const;
    // How many rows are prepared so far.
    int preparedRowCount() const { return int(m_items.size()); }
    // The row under a point of the view, or -1.
    int rowAt(const QPoint &pos) const;
    // Where a row is drawn now, in view coordinates; empty when not visible.
    QRect rowRect(int row) const;
    QRect logoRect() const;
    QRect textArea() const;

    // Moves the line by one tick; the benchmark and the tests drive it directly.
    void step();
    qreal offset() const { return m_offset; }
    // Whether the window server shows the current frame (no paint made it).
    bool shownByServer() const { return m_strip && m_stripCurrent; }
    int currentRow() const { return m_currentRow; }

signals:
    void eventLeftClicked(const QByteArray &id);
    void eventDoubleClicked(const QByteArray &id);
    void contextMenuRequested(const QByteArray &id, const QPoint &globalPos);
    // The mouse rests on a row (row -1: on none).
    void rowHovered(int row, const QRect &globalRect, const QPoint &globalCursor);
    // The hot exit area was hovered long enough.
    void exitAreaActivated();

public slots:
    void rebuild();
    // Looks where the pointer is now and stops or resumes the line accordingly; for when a popup held
    // the pointer and no leave event came.
    void recheckPointer();

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleRebuild();
    void updateTimer();
    // Rows are prepared (read and shaped) in order, as the line needs them: a bar over thousands of
    // events shows a few at a time.
    bool prepareRow() const;
    void prepareUpTo(qreal width) const;
    void prepareRows(int count) const;
    bool allPrepared() const { return m_items.size() >= m_rowCount; }
    // Draws the rows of the line in `area` that reach into `span` (a part of it, or columns right of it
    // that the line brings in later).
    void drawHorizontal(QPainter &painter, const QRect &area, const QRectF &span);
    // Shows a frame that moved the line `distance` pixels left through the strip; false when the frame
    // is left to painting.
    bool showByStrip(int distance);
    void releaseStrip();
    // The rows alone over transparency, `width` device pixels of the line from device pixel `from` of the
    // text area (beyond its right edge: the columns to come; a fraction where the strip is behind).
    QImage textLayer(const QRect &area, qreal from, int width);
    // The text area as the widgets under the line paint it.
    QImage backgroundLayer(const QRect &area);
    // The row drawn once into a picture, which each frame then only copies: drawing a few hundred glyphs
    // forty times a second costs most of the bar's processor time.
    const QPixmap &rowPicture(int row, qreal phase, int &originX);
    // Room either side of a row's picture for glyphs that reach past their advance (italics, accents).
    int pictureMargin() const;
    // The width of a row's picture, margins included.
    int pictureWidth(int row) const;
    void drawVertical(QPainter &painter, const QRect &area);
    void setHovered(bool hovered);
    void stopExitArea();

    QPointer<QAbstractItemModel> m_model;
    RunningLineDelegate *m_delegate;
    int m_rowCount = 0;
    mutable QList<RunningLineItem> m_items;
    // Where each prepared row starts on the line, and where the last one ends (one more entry).
    mutable std::vector<qreal> m_starts{0};
    mutable QString m_lastWhen;
    QColor m_textColor = Qt::black;
    QIcon m_logo;
    int m_speed = 1;
    int m_direction = Horizontal;
    int m_verticalPause = 1000;
    bool m_permanentScroll = false;
    bool m_hotExitArea = false;
    bool m_hovered = false;
    bool m_rebuildPending = false;

    struct RowPicture
    {
        QPixmap pixmap;
        qreal phase = 0;   // the fraction of a pixel the row was drawn at
        quint64 frame = 0; // the last frame that used it
    };
    // The rows on screen; forgotten once they scroll out.
    QHash<int, RowPicture> m_rowPictures;
    quint64 m_frame = 0;

    IWindowSystem *m_windowSystem = nullptr;
    std::unique_ptr<IScrollStrip> m_strip;
    QPointer<QWindow> m_stripWindow;
    // The strip shows what a paint would show now; painting the text area makes it stale.
    bool m_stripCurrent = false;
    // The columns beyond the area's right edge the strip holds already (device pixels).
    int m_stripAheadColumns = 0;
    // How far the strip is behind the line, less than a device pixel.
    qreal m_stripLag = 0;
    // The window system made no strip for this showing.
    bool m_stripRefused = false;
    bool m_paintingBackground = false;

    QBasicTimer m_timer;
    // Horizontal: how far the line has moved left. Vertical: how far the current row is from rest.
    qreal m_offset = 0;
    int m_currentRow = 0;
    bool m_pausing = false;
    bool m_leaving = false; // vertical: the current row is moving out

    QBasicTimer m_exitTimer;
    QBasicTimer m_blinkTimer;
    bool m_blinkOff = false;
    int m_hoveredRow = -1;
};
