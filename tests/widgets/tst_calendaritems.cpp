#include "core/applocale.h"
#include "core/log.h"
#include "testhelpers.h"
#include "widgets/calendar/calendaritems.h"
#include "widgets/calendar/calendarlayout.h"

#include <QFontMetrics>
#include <QtTest>

using namespace CalendarViewPrivate;

// Arithmetic that holds whatever font the machine gives: positions follow from the width alone.
class TestCalendarItems : public QObject
{
    Q_OBJECT

private:
    // The years 2025..2027 laid out 962 pixels wide (day columns of 120) at (50, 10).
    static std::unique_ptr<YearsStack> laidOutStack(int firstDayOfWeek = 1)
    {
        auto stack = std::make_unique<YearsStack>(2026);
        stack->setFirstDayOfWeek(firstDayOfWeek);
        stack->setPos(50, 10);
        stack->setWidth(962);
        stack->calculate();
        return stack;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        Common::setAppLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        shared().numberFont = QFont();
        shared().textFont = QFont();
        resetFittedFonts();
    }

    void yearHoldsTwelveMonthsWithEveryDay()
    {
        YearsStack stack(2024);
        QCOMPARE(stack.years(), (QList<int>{2023, 2024, 2025}));
        YearItem *year = stack.year(2024);
        int days = 0;
        for (int m = 1; m <= 12; ++m) {
            MonthItem *month = year->month(m);
            QCOMPARE(month->month(), m);
            for (int d = 1; d <= QDate(2024, m, 1).daysInMonth(); ++d)
                QCOMPARE(month->day(d)->date(), QDate(2024, m, d));
            days += QDate(2024, m, 1).daysInMonth();
        }
        QCOMPARE(days, 366);
        QCOMPARE(stack.dayItem(QDate(2024, 2, 29))->date(), QDate(2024, 2, 29));
        QVERIFY(!stack.dayItem(QDate(2030, 1, 1)));
    }

    void daysSitInTheirColumns_data()
    {
        QTest::addColumn<int>("firstDayOfWeek");
        for (int first = 1; first <= 7; ++first)
            QTest::addRow("first day %d", first) << first;
    }

    void daysSitInTheirColumns()
    {
        QFETCH(int, firstDayOfWeek);
        auto stack = laidOutStack(firstDayOfWeek);
        QCOMPARE(shared().dayWidth, 120);
        MonthItem *month = stack->year(2026)->month(3);
        QCOMPARE(month->weeks().size(), weeksOfMonth(2026, 3, firstDayOfWeek).size());
        for (WeekItem *week : month->weeks()) {
            for (DayItem *day : week->days()) {
                const int column = dayColumn(day->date().dayOfWeek(), firstDayOfWeek);
                const QRect r = day->rect();
                // The number is centred in its column: the day's box is the column, to a pixel.
                QVERIFY2(qAbs(r.left() - (50 + 140 * (column - 1))) <= 1, qPrintable(day->date().toString()));
                QVERIFY2(qAbs(r.width() - 120) <= 1, qPrintable(QString::number(r.width())));
                QCOMPARE(r.top(), week->pos().y());
            }
        }
    }

    void weekdayRowFollowsFirstDayOfWeek()
    {
        auto stack = laidOutStack(7);
        WeekHeaderItem *header = stack->year(2026)->month(1)->weekHeader();
        QCOMPARE(header->weekday(0)->text(), weekdayName(7));
        QCOMPARE(header->weekday(1)->text(), weekdayName(1));
        QCOMPARE(header->weekday(6)->text(), weekdayName(6));
        QCOMPARE(header->weekday(0)->text(), QStringLiteral("Sun"));
        // Names are centred over their column.
        QCOMPARE(header->weekday(3)->pos().x(), 50 + 140 * 3);
        QVERIFY(qAbs(header->weekday(3)->rect().center().x() - (50 + 140 * 3 + 60)) <= 1);
    }

    void namesAreAligned()
    {
        auto stack = laidOutStack();
        YearItem *year = stack->year(2026);
        MonthItem *month = year->month(5);
        QCOMPARE(month->nameItem()->text(), QStringLiteral("MAY"));
        QCOMPARE(month->nameItem()->rect().right(), month->rect().right());
        const QRect header = year->header()->rect();
        QVERIFY(qAbs(header.center().x() - year->rect().center().x()) <= 1);
    }

    void layoutKeepsItsSpacing()
    {
        auto stack = laidOutStack();
        YearItem *y2025 = stack->year(2025);
        YearItem *y2026 = stack->year(2026);
        QCOMPARE(y2025->pos(), QPoint(50, 10));
        QCOMPARE(y2026->pos().y(), y2025->rect().bottom() + 1 + kYearSpacing);
        MonthItem *jan = y2026->month(1);
        MonthItem *feb = y2026->month(2);
        QCOMPARE(feb->pos().y(), jan->pos().y() + jan->height() + kMonthSpacing);
        QCOMPARE(jan->pos().y(), y2026->pos().y() + y2026->header()->height() + kBelowYearHeader);
        const QList<WeekItem *> weeks = jan->weeks();
        QCOMPARE(weeks[1]->pos().y(), weeks[0]->pos().y() + weeks[0]->height() + kWeekSpacing);
        QCOMPARE(jan->rect().bottom(), weeks.last()->rect().bottom());
        QCOMPARE(stack->height(), stack->year(2027)->rect().bottom() + 1 - 10);
    }

    void hitTestFindsDayMonthOrYear()
    {
        auto stack = laidOutStack();
        MonthItem *month = stack->year(2026)->month(3);
        DayItem *day = month->day(10);
        DayItem *next = month->day(11);
        QCOMPARE(day->date().dayOfWeek() + 1, next->date().dayOfWeek());

        QCOMPARE(stack->itemAt(day->rect().center(), true), day);
        // Between two numbers of one week: the month.
        const QPoint gap((day->rect().right() + next->rect().left()) / 2, day->rect().center().y());
        QCOMPARE(stack->itemAt(gap, true), month);
        // On the month's name: the month.
        QCOMPARE(stack->itemAt(month->nameItem()->rect().center(), true), month);
        // Between two months: the year.
        MonthItem *april = stack->year(2026)->month(4);
        const QPoint betweenMonths(month->rect().center().x(), (month->rect().bottom() + april->rect().top()) / 2);
        QCOMPARE(stack->itemAt(betweenMonths, true), stack->year(2026));
        // Between two years, and beside them: nothing.
        const QPoint betweenYears(500, stack->year(2026)->rect().bottom() + 20);
        QCOMPARE(stack->itemAt(betweenYears, true), nullptr);
        QCOMPARE(stack->itemAt(QPoint(20, day->rect().center().y()), true), nullptr);
        // Untyped, the root answers for itself.
        QCOMPARE(stack->itemAt(betweenYears, false), stack.get());
    }

    void stackSlidesWithinAHundredYears()
    {
        YearsStack stack(2026);
        for (int i = 0; i < 100; ++i)
            QVERIFY(stack.stepUp());
        QCOMPARE(stack.currentYear(), 1926);
        QCOMPARE(stack.years(), (QList<int>{1925, 1926, 1927}));
        QVERIFY(!stack.stepUp());
        QCOMPARE(stack.years(), (QList<int>{1925, 1926, 1927}));
        QVERIFY(stack.stepDown());
        QCOMPARE(stack.years(), (QList<int>{1926, 1927, 1928}));

        YearsStack down(2026);
        for (int i = 0; i < 100; ++i)
            QVERIFY(down.stepDown());
        QCOMPARE(down.years(), (QList<int>{2125, 2126, 2127}));
        QVERIFY(!down.stepDown());
        QVERIFY(down.stepUp());
        QCOMPARE(down.currentYear(), 2125);
    }

    void yearAddedBySlideFollowsTheWeekStart_data()
    {
        QTest::addColumn<bool>("down");
        QTest::newRow("down") << true;
        QTest::newRow("up") << false;
    }

    void yearAddedBySlideFollowsTheWeekStart()
    {
        QFETCH(bool, down);
        YearsStack stack(2026);
        stack.setFirstDayOfWeek(7);
        down ? stack.stepDown() : stack.stepUp();
        const int added = down ? 2028 : 2024;
        QCOMPARE(stack.year(added)->firstDayOfWeek(), 7);
        QCOMPARE(stack.year(added)->month(2)->weekHeader()->children().size(), 9);
    }

    void changingTheWeekStartRebuildsTheWeeks()
    {
        MonthItem month(nullptr, 2026, 2);
        QCOMPARE(month.weeks().size(), 4 + 1); // 1 Feb 2026 is a Sunday: a one-day first week.
        month.setFirstDayOfWeek(7);
        QCOMPARE(month.weeks().size(), 4);
        QCOMPARE(month.day(1)->date(), QDate(2026, 2, 1));
        QCOMPARE(month.day(28)->date(), QDate(2026, 2, 28));
        // Name, week header, four weeks.
        QCOMPARE(month.children().size(), 6);
    }

    void missingIndexesAnswerNothing()
    {
        TestHelpers::expectFailedChecks();
        Common::clearLogBuffer();
        MonthItem month(nullptr, 2026, 2);
        QCOMPARE(month.day(29), nullptr);
        QCOMPARE(month.day(0), nullptr);
        YearItem year(nullptr, 2026);
        QCOMPARE(year.month(13), nullptr);
        QVERIFY(logBuffer().contains("index > 0 && index <= m_days.count()"));
        QVERIFY(logBuffer().contains("index > 0 && index < 13"));
    }

    void monthNamesAndWeekdays_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("weekdayText");
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("January") << en << 1 << "JANUARY" << 1 << "Mon";
        QTest::newRow("December") << en << 12 << "DECEMBER" << 7 << "Sun";
        QTest::newRow("März") << de << 3 << QString::fromUtf8("MÄRZ") << 3 << "Mi";
        QTest::newRow("out of range is December") << en << 13 << "DECEMBER" << 8 << "";
    }

    void monthNamesAndWeekdays()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QLocale, locale);
        QFETCH(int, month);
        QFETCH(QString, name);
        QFETCH(int, weekday);
        QFETCH(QString, weekdayText);
        Common::setAppLocale(locale);
        QCOMPARE(monthNameByIndex(month), name);
        if (weekdayText.isEmpty())
            QVERIFY(weekdayName(weekday).isEmpty());
        else
            QVERIFY(weekdayName(weekday).startsWith(weekdayText));
        Common::setAppLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void adjustFontSizeFitsTheText()
    {
        // The drawn line's advance and height must fit; one pixel more must not.
        auto fits = [](const QFont &font, int side) {
            const QFontMetricsF metrics(font);
            return metrics.horizontalAdvance(QStringLiteral("88")) <= side && metrics.height() <= side;
        };
        QFont font;
        adjustFontSize(font, QStringLiteral("88"), QSize(120, 120));
        QVERIFY(font.pixelSize() > 1);
        QVERIFY(fits(font, 120));
        QFont bigger(font);
        bigger.setPixelSize(font.pixelSize() + 1);
        QVERIFY(!fits(bigger, 120));
    }

    void adjustFontSizeStopsAtOnePixel()
    {
        QFont font;
        adjustFontSize(font, QStringLiteral("A very long text that fits nowhere"), QSize(1, 30));
        QCOMPARE(font.pixelSize(), 1);
    }

    void todayIsBoldAndSelectionWins()
    {
        auto stack = laidOutStack();
        DayItem *day = stack->dayItem(QDate(2026, 6, 15));
        QVERIFY(!day->font().bold());
        day->setFlag(TodayFlag);
        QVERIFY(day->font().bold());
        // Still centred in the column, although bold is wider.
        QVERIFY(qAbs(day->rect().width() - 120) <= 1);
        day->clearFlag(TodayFlag);
        QVERIFY(!day->font().bold());
    }

    void statusMarkLeavesDigitsFree_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("bold");
        QTest::newRow("5") << 5 << false;
        QTest::newRow("10") << 10 << false;
        QTest::newRow("14") << 14 << false;
        QTest::newRow("21 today") << 21 << true;
        QTest::newRow("28") << 28 << false;
    }

    void statusMarkLeavesDigitsFree()
    {
        QFETCH(int, day);
        QFETCH(bool, bold);
        QPixmap mark(64, 64);
        mark.fill(Qt::blue);
        const int index = DayItem::addStatusPixmap(mark);
        auto stack = laidOutStack();
        DayItem *item = stack->dayItem(QDate(2026, 6, day));
        if (bold)
            item->setFlag(TodayFlag);
        item->setStatusPixmapIndex(index);
        const QRect rect = item->statusRect();
        QVERIFY(!rect.isEmpty());
        QVERIFY2(!QRectF(rect).intersects(item->numberInkRect()), qPrintable(QString::number(day)));
        // Still the day's own: not reaching half-way into the gap to the next column.
        QVERIFY(rect.right() <= item->rect().right() + kColumnSpacing / 2);
        item->setStatusPixmapIndex(-1);
    }

    void statusPixmapIsAThirdOfTheDay()
    {
        TestHelpers::expectFailedChecks();
        const int before = shared().statusPixmaps.size();
        QPixmap red(64, 64);
        red.fill(Qt::red);
        const int index = DayItem::addStatusPixmap(red);
        QCOMPARE(index, before);
        auto stack = laidOutStack();
        DayItem *day = stack->dayItem(QDate(2026, 6, 1));
        day->setStatusPixmapIndex(index);
        QCOMPARE(day->statusPixmap().width(), day->width() / 3);
        DayItem *other = stack->dayItem(QDate(2026, 6, 2));
        other->setStatusPixmapIndex(index);
        // Scaled once and shared.
        QVERIFY(other->statusPixmap().cacheKey() == day->statusPixmap().cacheKey());
        day->setStatusPixmapIndex(-1);
        QVERIFY(day->statusPixmap().isNull());

        Common::clearLogBuffer();
        day->setStatusPixmapIndex(shared().statusPixmaps.size());
        QVERIFY(day->statusPixmap().isNull());
        QVERIFY(logBuffer().contains("index >= -1 && index < s_statusPixmaps.count()"));
    }

    void curlyLineKeepsItsShapeUntilItsSizeChanges()
    {
        CurlyLineItem line;
        line.setWidth(900);
        line.setPos(10, 20);
        line.calculate();
        QCOMPARE(line.height(), 3);
        const QPainterPath first = line.path();
        const QRectF bounds = first.boundingRect();
        QVERIFY(bounds.top() >= 20 && bounds.bottom() <= 23);
        QVERIFY(qAbs(bounds.left() - 10) < 1e-9 && qAbs(bounds.right() - 910) < 1e-9);

        line.calculate();
        QCOMPARE(line.path(), first);
        line.setPos(10, 120);
        line.calculate();
        QCOMPARE(line.path(), first.translated(0, 100));
        line.setWidth(400);
        line.calculate();
        QVERIFY(qAbs(line.path().boundingRect().right() - 410) < 1e-9);
    }
};

QTEST_MAIN(TestCalendarItems)
#include "tst_calendaritems.moc"
