#pragma once

#include "widgets/calendar/calendarlayout.h"

#include <QAbstractScrollArea>
#include <QDate>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <memory>

namespace Common {
class DeferredCallMonitor;
}

namespace CalendarViewPrivate {
class GraphicItem;
class DayItem;
class YearsStack;
class YearLabelText;
} // namespace CalendarViewPrivate

// The editor's year calendar: whole years drawn one below the other, three of them built at a time and
// slid as the user scrolls. The editor tells it the selected day, the week start and the days' marks.
class CalendarView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit CalendarView(QWidget *parent = nullptr);
    ~CalendarView() override;

    void setFirstDayOfWeek(int day);
    int firstDayOfWeek() const { return m_firstDayOfWeek; }
    void setBackgroundPixmap(const QPixmap &pixmap);
    void setBackgroundOpacity(int percent);
    void setSelectionColor(const QColor &color);
    QColor selectionColor() const;
    int viewportYear() const { return m_viewportYear; }
    QDate selectedDate() const { return m_selectedDate; }
    void setSelectedDate(const QDate &date, bool scroll);

    int addStatusPixmap(const QPixmap &pixmap);
    void setDayStatus(const QDate &date, int status);
    void clearDayStatus(const QDate &date);
    void setStatus(const QSet<QDate> &dates, int status);
    void clearStatus(int status);
    void beginUpdate();
    void endUpdate();

    QColor dayColor(const QDate &date) const;
    void setDayColor(const QDate &date, const QColor &color);
    void clearDayColor(const QDate &date);
    void clearDayColors();

    int monthAtViewport() const;
    void scrollToMonthOfViewportYear(int month);

    void setVisible(bool visible) override;
    QSize sizeHint() const override;
    // The view's height that shows its tallest month (six weeks) whole at the view's width.
    int monthPageHeight() const;

signals:
    void viewportYearChanged(int year);
    void selectionChanged(const QDate &date);
    void dayContextMenu(const QPoint &pos, const QDate &date);
    void monthContextMenu(const QPoint &pos, int year, int month);
    void yearContextMenu(const QPoint &pos, int year);
    void emptyAreaContextMenu(const QPoint &pos);
    void dayDoubleClicked(const QDate &date);
    void monthDoubleClicked(int year, int month);
    void yearDoubleClicked(int year);
    void emptyAreaDoubleClicked(const QPoint &pos);

public slots:
    void scrollToDay(const QDate &date, bool center = false);
    void scrollToCurrentDay(bool center = true);
    void scrollToMonth(int year, int month, bool center = false);
    void scrollToCurrentMonth(bool center = false);
    void scrollToYear(int year);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void onViewportScrolled(int value);
    void stopScroll();
    void startScroll();
    void autoScroll();
    void scheduleRebuild();

private:
    friend class TestCalendarView;
    friend class TestWindowContrast;

    struct DayState
    {
        int flags = 0;
        int status = -1;
        QColor color;
    };

    struct ScrollTarget
    {
        int year = 0;
        int month = 0;
        int day = 0;
        bool valid = false;
        bool center = false;
    };

    void rebuild();
    void drawScrollers(QPainter &painter);
    void drawTriangle(QPainter &painter, const QRect &rect, bool up);
    void prepareBackground();
    void layoutScrollers();
    int margin() const;
    int layoutWidth() const;
    QPoint layoutOrigin() const;
    bool isRebuildPending() const;
    CalendarViewPrivate::GraphicItem *itemAt(const QPoint &viewportPoint) const;
    int yearAtViewport() const;
    bool ensureDateVisible(const QDate &date);
    bool setCurrentYear(int year);
    void scrollToItem(const CalendarViewPrivate::GraphicItem *item, bool center);
    void setDayFlag(const QDate &date, int flag);
    void clearDayFlag(const QDate &date, int flag);
    void updateToday();
    void updateFromCache();
    CalendarViewPrivate::DayItem *dayItem(const QDate &date) const;
    void updateItem(const CalendarViewPrivate::GraphicItem *item);

    std::unique_ptr<CalendarViewPrivate::YearsStack> m_calendar;
    QPointer<Common::DeferredCallMonitor> m_rebuildCall;
    QPixmap m_background;
    QPixmap m_scaledBackground;
    int m_backgroundOpacity = 40;
    QDate m_hoverDate;
    QDate m_selectedDate;
    QDate m_today;
    std::unique_ptr<CalendarViewPrivate::YearLabelText> m_yearLabel;
    CalendarViewPrivate::DragScroll m_drag;
    ScrollTarget m_scrollTarget;
    int m_viewportYear = 0;
    QHash<QDate, DayState> m_dayStates;
    CalendarViewPrivate::AutoScroller m_scroller;
    CalendarViewPrivate::ScrollerRects m_scrollerRects;
    QTimer m_scrollTimer;
    int m_firstDayOfWeek = 1;
    bool m_updatesLocked = false;
    bool m_rebuildPending = false;
    bool m_laidOut = false;
    // The viewport's middle at the last layout, where the page is held through a resize.
    int m_anchorMiddle = 0;
    int m_rebuildCount = 0;
    QTimer m_startScrollTimer;
};
