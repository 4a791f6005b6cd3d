#include "widgets/calendar/calendarlayout.h"

#include <QDate>
#include <QtTest>

using namespace CalendarViewPrivate;

Q_DECLARE_METATYPE(CalendarViewPrivate::WeekSpan)

class TestCalendarLayout : public QObject
{
    Q_OBJECT

private slots:
    void marginFollowsWidgetWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("margin");
        QTest::newRow("600 gives 59, not 60") << 600 << 59;
        QTest::newRow("400 stays at the minimum") << 400 << 50;
        QTest::newRow("500 just below 50") << 500 << 50;
        QTest::newRow("1000") << 1000 << 99;
        QTest::newRow("1200") << 1200 << 119;
        QTest::newRow("zero") << 0 << 50;
    }

    void marginFollowsWidgetWidth()
    {
        QFETCH(int, width);
        QFETCH(int, margin);
        QCOMPARE(horizontalMargin(width), margin);
    }

    void dayWidthLeavesSixGaps_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("dayWidth");
        QTest::newRow("1200 wide view") << 962 << 120;
        QTest::newRow("exactly the gaps") << 120 << 0;
        QTest::newRow("truncates") << 126 << 0;
        QTest::newRow("too narrow truncates toward zero") << 100 << -2;
    }

    void dayWidthLeavesSixGaps()
    {
        QFETCH(int, width);
        QFETCH(int, dayWidth);
        QCOMPARE(CalendarViewPrivate::dayWidth(width), dayWidth);
    }

    void dayColumnCountsFromFirstDayOfWeek_data()
    {
        QTest::addColumn<int>("dayOfWeek");
        QTest::addColumn<int>("firstDayOfWeek");
        QTest::addColumn<int>("column");
        QTest::newRow("Monday in a Monday week") << 1 << 1 << 1;
        QTest::newRow("Sunday in a Monday week") << 7 << 1 << 7;
        QTest::newRow("Sunday in a Sunday week") << 7 << 7 << 1;
        QTest::newRow("Monday in a Sunday week") << 1 << 7 << 2;
        QTest::newRow("Saturday in a Sunday week") << 6 << 7 << 7;
        QTest::newRow("Wednesday in a Thursday week") << 3 << 4 << 7;
    }

    void dayColumnCountsFromFirstDayOfWeek()
    {
        QFETCH(int, dayOfWeek);
        QFETCH(int, firstDayOfWeek);
        QFETCH(int, column);
        QCOMPARE(dayColumn(dayOfWeek, firstDayOfWeek), column);
        QCOMPARE(weekdayOfColumn(column, firstDayOfWeek), dayOfWeek);
    }

    void weeksOfMonth_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("firstDayOfWeek");
        QTest::addColumn<QList<WeekSpan>>("weeks");
        // 1 January 2026 is a Thursday.
        QTest::newRow("January 2026, Monday")
            << 2026 << 1 << 1 << QList<WeekSpan>{{1, 4}, {5, 11}, {12, 18}, {19, 25}, {26, 31}};
        QTest::newRow("January 2026, Sunday")
            << 2026 << 1 << 7 << QList<WeekSpan>{{1, 3}, {4, 10}, {11, 17}, {18, 24}, {25, 31}};
        QTest::newRow("January 2026, Thursday")
            << 2026 << 1 << 4 << QList<WeekSpan>{{1, 7}, {8, 14}, {15, 21}, {22, 28}, {29, 31}};
        // 1 February 2021 is a Monday, 1 February 2015 a Sunday: four full weeks.
        QTest::newRow("February 2021, Monday")
            << 2021 << 2 << 1 << QList<WeekSpan>{{1, 7}, {8, 14}, {15, 21}, {22, 28}};
        QTest::newRow("February 2015, Sunday")
            << 2015 << 2 << 7 << QList<WeekSpan>{{1, 7}, {8, 14}, {15, 21}, {22, 28}};
        // 31 days starting on a Saturday need six rows with a Monday start.
        QTest::newRow("May 2027, Monday")
            << 2027 << 5 << 1 << QList<WeekSpan>{{1, 2}, {3, 9}, {10, 16}, {17, 23}, {24, 30}, {31, 31}};
        QTest::newRow("leap February 2024, Thursday")
            << 2024 << 2 << 4 << QList<WeekSpan>{{1, 7}, {8, 14}, {15, 21}, {22, 28}, {29, 29}};
    }

    void weeksOfMonth()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, firstDayOfWeek);
        QFETCH(QList<WeekSpan>, weeks);
        QCOMPARE(CalendarViewPrivate::weeksOfMonth(year, month, firstDayOfWeek), weeks);
    }

    void nonLeapFebruaryStartingOnFirstDayHasFourWeeksForEveryWeekStart()
    {
        for (int first = 1; first <= 7; ++first) {
            int year = 2001;
            while (QDate::isLeapYear(year) || QDate(year, 2, 1).dayOfWeek() != first)
                ++year;
            const QList<WeekSpan> weeks = CalendarViewPrivate::weeksOfMonth(year, 2, first);
            QCOMPARE(weeks.size(), 4);
            for (const WeekSpan &week : weeks)
                QCOMPARE(week.lastDay - week.firstDay, 6);
        }
    }

    void weeksCoverEveryDayOnceAndStartOnTheFirstDay()
    {
        for (int first = 1; first <= 7; ++first) {
            for (int month = 1; month <= 12; ++month) {
                const QList<WeekSpan> weeks = CalendarViewPrivate::weeksOfMonth(2026, month, first);
                int expected = 1;
                for (int i = 0; i < weeks.size(); ++i) {
                    QCOMPARE(weeks[i].firstDay, expected);
                    QVERIFY(weeks[i].lastDay - weeks[i].firstDay < 7);
                    if (i > 0)
                        QCOMPARE(QDate(2026, month, weeks[i].firstDay).dayOfWeek(), first);
                    expected = weeks[i].lastDay + 1;
                }
                QCOMPARE(expected - 1, QDate(2026, month, 1).daysInMonth());
            }
        }
    }

    void scrollersSitInTheRightMargin()
    {
        const ScrollerRects rects = scrollerRects(QSize(600, 400), 59);
        // side 29; x = 600 - 59/2 - 29/2
        QCOMPARE(rects.up, QRect(557, 0, 29, 29));
        QCOMPARE(rects.down, QRect(557, 371, 29, 29));
    }

    void scrollValueForItem_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("viewportHeight");
        QTest::addColumn<bool>("center");
        QTest::addColumn<int>("value");
        QTest::newRow("top edge") << 500 << 400 << false << 500;
        QTest::newRow("centred") << 500 << 400 << true << 300;
        QTest::newRow("odd height halves down") << 500 << 401 << true << 300;
        QTest::newRow("never below zero") << 100 << 400 << true << 0;
    }

    void scrollValueForItem()
    {
        QFETCH(int, top);
        QFETCH(int, viewportHeight);
        QFETCH(bool, center);
        QFETCH(int, value);
        QCOMPARE(CalendarViewPrivate::scrollValueForItem(top, viewportHeight, center), value);
    }

    void fitPixelSizeFindsTheLargestFittingSize()
    {
        QList<int> tried;
        // A text three times as wide as high.
        const int size = fitPixelSize(QSize(30, 20), [&tried](int px) {
            tried << px;
            return QSize(3 * px, px);
        });
        QCOMPARE(size, 10);
        QCOMPARE(tried.first(), 19);
        QCOMPARE(tried.last(), 10);
    }

    void fitPixelSizeEndsAtOnePixel()
    {
        int calls = 0;
        const int size = fitPixelSize(QSize(5, 40), [&calls](int) {
            ++calls;
            return QSize(1000, 1000);
        });
        QCOMPARE(size, 1);
        QCOMPARE(calls, 39);
    }

    void fitPixelSizeRefusesAnEmptyRectangle_data()
    {
        QTest::addColumn<QSize>("maxRect");
        QTest::newRow("no height") << QSize(100, 0);
        QTest::newRow("no width") << QSize(0, 100);
        QTest::newRow("negative") << QSize(-5, -5);
    }

    void fitPixelSizeRefusesAnEmptyRectangle()
    {
        QFETCH(QSize, maxRect);
        bool measured = false;
        QCOMPARE(fitPixelSize(maxRect,
                              [&measured](int) {
                                  measured = true;
                                  return QSize();
                              }),
                 0);
        QVERIFY(!measured);
    }

    void yearStepsStayWithinAHundredYears_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("up from the centre") << 2026 << -1 << true;
        QTest::newRow("up to the limit") << 1927 << -1 << true;
        QTest::newRow("up past the limit") << 1926 << -1 << false;
        QTest::newRow("back from the upper limit") << 1926 << 1 << true;
        QTest::newRow("down to the limit") << 2125 << 1 << true;
        QTest::newRow("down past the limit") << 2126 << 1 << false;
        QTest::newRow("back from the lower limit") << 2126 << -1 << true;
        QTest::newRow("back from beyond the limit") << 2200 << -1 << true;
    }

    void yearStepsStayWithinAHundredYears()
    {
        QFETCH(int, current);
        QFETCH(int, step);
        QFETCH(bool, allowed);
        QCOMPARE(yearStepAllowed(2026, current, step), allowed);
    }

    void yearRangeIsAHundredYearsFromToday_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<bool>("inRange");
        QTest::newRow("today's year") << 2026 << true;
        QTest::newRow("100 back") << 1926 << true;
        QTest::newRow("101 back") << 1925 << false;
        QTest::newRow("100 ahead") << 2126 << true;
        QTest::newRow("101 ahead") << 2127 << false;
    }

    void yearRangeIsAHundredYearsFromToday()
    {
        QFETCH(int, year);
        QFETCH(bool, inRange);
        QCOMPARE(isYearInRange(year, 2026), inRange);
    }

    void autoScrollSpeedsUp()
    {
        AutoScroller scroller;
        scroller.up = false;
        scroller.start();
        QCOMPARE(scroller.speed, 1.0);
        int value = 100;
        QList<int> steps;
        for (int i = 0; i < 6; ++i) {
            int next = 0;
            QVERIFY(scroller.tick(value, 0, 100000, &next));
            steps << next - value;
            value = next;
        }
        // 1.0, 1.4, 1.8, 2.2, 2.6, 3.0 truncated
        QCOMPARE(steps, (QList<int>{1, 1, 1, 2, 2, 2}));
    }

    void autoScrollSpeedStopsGrowingAtTheMaximum()
    {
        AutoScroller scroller;
        scroller.start();
        int next = 0;
        for (int i = 0; i < 500; ++i)
            scroller.tick(50000, 0, 100000, &next);
        QVERIFY(qAbs(scroller.speed - 50.2) < 1e-6);
    }

    void autoScrollStopsOnlyAtTheEndItMovesToward_data()
    {
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("newValue");
        QTest::newRow("down from the top") << false << 0 << true << 1;
        QTest::newRow("up at the top") << true << 0 << false << 0;
        QTest::newRow("up from the bottom") << true << 500 << true << 499;
        QTest::newRow("down at the bottom") << false << 500 << false << 0;
        QTest::newRow("down in the middle") << false << 250 << true << 251;
    }

    void autoScrollStopsOnlyAtTheEndItMovesToward()
    {
        QFETCH(bool, up);
        QFETCH(int, value);
        QFETCH(bool, moves);
        QFETCH(int, newValue);
        AutoScroller scroller;
        scroller.up = up;
        scroller.start();
        int next = 0;
        QCOMPARE(scroller.tick(value, 0, 500, &next), moves);
        QCOMPARE(scroller.active, moves);
        if (moves)
            QCOMPARE(next, newValue);
    }

    void dragFollowsThePointer()
    {
        DragScroll drag;
        QVERIFY(!drag.isArmed());
        QCOMPARE(drag.move(50), 0);
        drag.press(100);
        QVERIFY(drag.isArmed());
        QVERIFY(!drag.isDragging());
        bool started = false;
        QCOMPARE(drag.move(90, &started), 10);
        QVERIFY(started);
        QVERIFY(drag.isDragging());
        QCOMPARE(drag.move(120, &started), -30);
        QVERIFY(!started);
        QVERIFY(drag.release());
        QVERIFY(!drag.isArmed());
        QCOMPARE(drag.move(10), 0);
        QVERIFY(!drag.release());
    }

    void pressOnTheTopRowArmsNothing()
    {
        DragScroll drag;
        drag.press(0);
        QVERIFY(!drag.isArmed());
        QCOMPARE(drag.move(40), 0);
        QVERIFY(!drag.isDragging());
    }
};

QTEST_GUILESS_MAIN(TestCalendarLayout)
#include "tst_calendarlayout.moc"
