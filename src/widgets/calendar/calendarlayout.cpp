#include "widgets/calendar/calendarlayout.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace CalendarViewPrivate {

int horizontalMargin(int widgetWidth)
{
    // One step below 0.1, so a width of 600 gives 59: the layout has always been measured this way.
    const double factor = std::nextafter(0.1, 0.0);
    return std::max(50, static_cast<int>(widgetWidth * factor));
}

int dayWidth(int width)
{
    return (width - 6 * kColumnSpacing) / 7;
}

int monthWidthForHeight(int available, int height, int minimum)
{
    // The cells the fonts are fitted into: month name, weekday names between their lines, six weeks.
    auto monthHeight = [](int width) {
        return width / 13 + kBelowMonthName + 2 * (kCurlyLineHeight + kAroundWeekdayNames) + width / 14 +
               6 * dayWidth(width) + 5 * kWeekSpacing;
    };
    const int floor = std::min(available, minimum);
    int low = floor;
    int high = available;
    if (monthHeight(high) <= height)
        return high;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (monthHeight(mid) <= height)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

int dayColumn(int dayOfWeek, int firstDayOfWeek)
{
    int column = dayOfWeek - firstDayOfWeek + 1;
    if (column < 1)
        column += 7;
    return column;
}

int weekdayOfColumn(int column, int firstDayOfWeek)
{
    int day = firstDayOfWeek + column - 1;
    if (day > 7)
        day %= 7;
    return day;
}

QList<WeekSpan> weeksOfMonth(int year, int month, int firstDayOfWeek)
{
    QList<WeekSpan> weeks;
    const QDate first(year, month, 1);
    if (!first.isValid())
        return weeks;
    const int days = first.daysInMonth();
    int d = 1;
    while (d <= days) {
        const int start = d;
        ++d;
        while (d <= days && QDate(year, month, d).dayOfWeek() != firstDayOfWeek)
            ++d;
        weeks.append({start, d - 1});
    }
    return weeks;
}

ScrollerRects scrollerRects(const QSize &viewport, int margin)
{
    const int side = static_cast<int>(margin * 0.5);
    const int x = viewport.width() - margin / 2 - side / 2;
    return {QRect(x, 0, side, side), QRect(x, viewport.height() - side, side, side)};
}

int scrollValueForItem(int itemTop, int viewportHeight, bool center)
{
    const int h = center ? viewportHeight : 0;
    return std::max(0, itemTop - h / 2);
}

int fitPixelSize(const QSize &maxRect, const std::function<QSize(int pixelSize)> &measure)
{
    if (maxRect.height() <= 0 || maxRect.width() <= 0)
        return 0;
    int size = maxRect.height();
    // Nothing smaller than one pixel exists: there the search ends even when the text is still too big.
    while (size > 1) {
        --size;
        const QSize measured = measure(size);
        if (measured.width() <= maxRect.width() && measured.height() <= maxRect.height())
            break;
    }
    return std::max(size, 1);
}

bool yearStepAllowed(int centreYear, int currentYear, int step)
{
    const int distance = std::abs(currentYear + step - centreYear);
    return distance <= kYearWindowLimit || distance < std::abs(currentYear - centreYear);
}

bool isYearInRange(int year, int todayYear)
{
    return std::abs(year - todayYear) < 101;
}

void AutoScroller::start()
{
    active = true;
    speed = 1.0;
}

void AutoScroller::stop()
{
    active = false;
}

bool AutoScroller::tick(int value, int minimum, int maximum, int *newValue)
{
    // Only the end the page moves toward stops it: resting at the top must not block scrolling down.
    if ((up && value <= minimum) || (!up && value >= maximum)) {
        stop();
        return false;
    }
    const int step = static_cast<int>(speed * (up ? -1 : 1));
    *newValue = std::clamp(value + step, minimum, maximum);
    if (speed < maxSpeed)
        speed += acceleration;
    return true;
}

int DragScroll::move(int y, bool *started)
{
    if (started)
        *started = false;
    if (m_lastY <= 0)
        return 0;
    if (!m_dragging) {
        m_dragging = true;
        if (started)
            *started = true;
    }
    const int delta = m_lastY - y;
    m_lastY = y;
    return delta;
}

bool DragScroll::release()
{
    m_lastY = 0;
    const bool was = m_dragging;
    m_dragging = false;
    return was;
}

} // namespace CalendarViewPrivate
