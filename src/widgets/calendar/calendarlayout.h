#pragma once

#include <QList>
#include <QRect>
#include <QSize>

#include <functional>

// The calendar's arithmetic, kept apart from the widgets so it can be checked without fonts or a screen.
namespace CalendarViewPrivate {

// Pixels between two years, two months, two weeks and two day columns.
constexpr int kYearSpacing = 40;
constexpr int kMonthSpacing = 40;
constexpr int kWeekSpacing = 20;
constexpr int kColumnSpacing = 20;
constexpr int kBelowYearHeader = 10;
constexpr int kBelowMonthName = 20;
constexpr int kCurlyLineHeight = 3;
constexpr int kAroundWeekdayNames = 2;
// The stack's top below the content's top.
constexpr int kTopOffset = 10;
// How far (in years) the shown years may move away from where they started.
constexpr int kYearWindowLimit = 100;

// The empty band left and right of the years; the auto-scroll triangles sit in the right one.
int horizontalMargin(int widgetWidth);

// Width of one day column for a month laid out `width` pixels wide; negative when the month is too narrow.
int dayWidth(int width);

// Widest layout width, at most `available`, at which a month of six weeks stays within `height`
// pixels; no narrower than `minimum` (or `available`, when that is less).
int monthWidthForHeight(int available, int height, int minimum);

// Column (1..7) of a weekday (1 = Monday .. 7 = Sunday) when weeks start on `firstDayOfWeek`.
int dayColumn(int dayOfWeek, int firstDayOfWeek);

// Weekday (1..7) shown in a column (1..7) when weeks start on `firstDayOfWeek`.
int weekdayOfColumn(int column, int firstDayOfWeek);

// Day numbers of one row of a month.
struct WeekSpan
{
    int firstDay = 0;
    int lastDay = 0;
    bool operator==(const WeekSpan &other) const { return firstDay == other.firstDay && lastDay == other.lastDay; }
};

// Rows of a month: a new row begins on every `firstDayOfWeek`, so the first and last may be short.
QList<WeekSpan> weeksOfMonth(int year, int month, int firstDayOfWeek);

// The two auto-scroll triangles in the right margin of a viewport.
struct ScrollerRects
{
    QRect up;
    QRect down;
};
ScrollerRects scrollerRects(const QSize &viewport, int margin);

// Scroll value that brings an item's top to the viewport's top, or to its middle when centring.
int scrollValueForItem(int itemTop, int viewportHeight, bool center);

// Largest pixel size below maxRect's height at which `measure` reports a size within maxRect; it ends at 1
// when nothing fits, and answers 0 for an empty rectangle.
int fitPixelSize(const QSize &maxRect, const std::function<QSize(int pixelSize)> &measure);

// Whether the stack may move its current year by `step` (+1 or -1) given the year it was made for.
bool yearStepAllowed(int centreYear, int currentYear, int step);

// Dates are selectable within 100 years of today's year.
bool isYearInRange(int year, int todayYear);

// The triangles' scrolling: it starts slowly and speeds up on every tick.
struct AutoScroller
{
    bool active = false;
    bool up = false;
    double speed = 0.0;
    double acceleration = 0.4;
    double maxSpeed = 50.0;

    void start();
    void stop();
    // One timer tick at scroll value `value` within [minimum, maximum]: the new value, or nothing when
    // the value already rests at the end it scrolls toward, which stops the scrolling.
    bool tick(int value, int minimum, int maximum, int *newValue);
};

// Dragging the page with the left button: pressed (armed), then moving (dragging), then released.
class DragScroll
{
public:
    // A press at y = 0 arms nothing, as the last position doubles as the armed mark.
    void press(int y) { m_lastY = y; }
    // Scroll delta for a move to y; 0 when nothing is armed. Sets `started` on the move that starts dragging.
    int move(int y, bool *started = nullptr);
    // Returns whether a drag was under way.
    bool release();
    bool isArmed() const { return m_lastY > 0; }
    bool isDragging() const { return m_dragging; }

private:
    int m_lastY = 0;
    bool m_dragging = false;
};

} // namespace CalendarViewPrivate
