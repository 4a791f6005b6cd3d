#include "core/applocale.h"
#include "core/clock.h"
#include "core/deferredcall.h"
#include "testhelpers.h"
#include "widgets/calendar/calendaritems.h"
#include "widgets/calendar/calendarview.h"

#include <QPainter>
#include <QTextLayout>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace CalendarViewPrivate;

class TestCalendarView : public QObject
{
    Q_OBJECT

private:
    static constexpr int kToday = 2026;

    // A shown view whose first layout has run.
    static std::unique_ptr<CalendarView> shownView(int width = 800, int height = 600)
    {
        auto view = std::make_unique<CalendarView>();
        view->resize(width, height);
        view->show();
        QCoreApplication::processEvents();
        return view;
    }

    static QScrollBar *bar(CalendarView *view) { return view->verticalScrollBar(); }
    static YearsStack *stack(CalendarView *view) { return view->m_calendar.get(); }
    static DayItem *dayItem(CalendarView *view, const QDate &date) { return view->dayItem(date); }
    static int rebuilds(CalendarView *view) { return view->m_rebuildCount; }
    static QPoint onScreen(CalendarView *view, const GraphicItem *item)
    {
        return item->rect().center() - QPoint(0, bar(view)->value());
    }
    static void moveTo(CalendarView *view, const QPoint &point)
    {
        QWidget *vp = view->viewport();
        QMouseEvent move(QEvent::MouseMove, QPointF(point), vp->mapToGlobal(QPointF(point)), Qt::NoButton, Qt::NoButton,
                         {});
        QCoreApplication::sendEvent(vp, &move);
    }
    static int flags(CalendarView *view, const QDate &date) { return view->m_dayStates.value(date).flags; }
    static int status(CalendarView *view, const QDate &date) { return view->m_dayStates.value(date).status; }

    static QPixmap statusPixmap(const QColor &color)
    {
        QPixmap pixmap(48, 48);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QRectF(8, 8, 32, 32));
        return pixmap;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        Common::DeferredCallProcessor::init();
        Common::setAppLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        Common::Clock::pin(QDateTime(QDate(kToday, 6, 17), QTime(10, 0)));
    }

    void cleanupTestCase()
    {
        Common::Clock::unpin();
        Common::DeferredCallProcessor::term();
    }

    void hebrewNamesShowNoBoxes() // the calendar's own light face has no Hebrew: the system's fonts fill in
    {
        Common::setAppLocale(QLocale(QLocale::Hebrew, QLocale::Israel));
        const auto restore =
            qScopeGuard([] { Common::setAppLocale(QLocale(QLocale::English, QLocale::UnitedStates)); });
        auto view = shownView();
        QTextLayout layout(weekdayName(1), shared().weekdayFont);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun &run : layout.glyphRuns())
            QVERIFY2(!run.glyphIndexes().contains(0), qPrintable(run.rawFont().styleName()));
    }

    void hiddenViewWaitsForItsFirstShow()
    {
        CalendarView view;
        view.resize(800, 600);
        view.setFirstDayOfWeek(7);
        view.scrollToYear(kToday);
        QCoreApplication::processEvents();
        QCOMPARE(rebuilds(&view), 0);
        QCOMPARE(view.viewportYear(), kToday);

        view.show();
        QCoreApplication::processEvents();
        QCOMPARE(rebuilds(&view), 1);
        QCOMPARE(stack(&view)->firstDayOfWeek(), 7);
    }

    void firstShowOpensAtTheTopOfTheCurrentMonth()
    {
        auto view = shownView();
        const MonthItem *june = stack(view.get())->year(kToday)->month(6);
        QCOMPARE(bar(view.get())->value(), june->pos().y());
        QCOMPARE(view->viewportYear(), kToday);
        QVERIFY(flags(view.get(), QDate(kToday, 6, 17)) & TodayFlag);
        QVERIFY(dayItem(view.get(), QDate(kToday, 6, 17))->font().bold());
    }

    void monthAtViewportFollowsTheMiddle()
    {
        CalendarView hidden;
        QCOMPARE(hidden.monthAtViewport(), 6);
        QCOMPARE(hidden.sizeHint().height(), 0);

        auto view = shownView();
        QCOMPARE(view->monthAtViewport(), 6);
        view->scrollToMonthOfViewportYear(11);
        QCOMPARE(view->monthAtViewport(), 11);
        QCOMPARE(view->sizeHint().height(), stack(view.get())->largestMonthHeight());
    }

    void resizingKeepsTheMonthAndFitsItInThePage()
    {
        auto view = shownView(800, 600);
        view->scrollToMonth(kToday, 12);
        QCoreApplication::processEvents();
        // Narrower, then very wide: December stays, and a month never grows taller than the page.
        for (const QSize &size : {QSize(420, 600), QSize(1900, 1000)}) {
            view->resize(size);
            QCoreApplication::processEvents();
            QCOMPARE(view->viewportYear(), kToday);
            QCOMPARE(view->monthAtViewport(), 12);
            QVERIFY(stack(view.get())->largestMonthHeight() <= view->viewport()->height());
        }
    }

    void requestsWhileVisibleAreCoalesced()
    {
        auto view = shownView();
        const int before = rebuilds(view.get());
        view->setFirstDayOfWeek(3);
        view->resize(820, 600);
        view->setFirstDayOfWeek(4);
        QCOMPARE(rebuilds(view.get()), before);
        QCoreApplication::processEvents();
        QCOMPARE(rebuilds(view.get()), before + 1);
        QCOMPARE(stack(view.get())->firstDayOfWeek(), 4);
    }

    void rebuildStaysPendingWhileHidden()
    {
        auto view = shownView();
        view->hide();
        const int before = rebuilds(view.get());
        view->setFirstDayOfWeek(5);
        view->resize(700, 500);
        QCoreApplication::processEvents();
        QCOMPARE(rebuilds(view.get()), before);
        view->show();
        QCoreApplication::processEvents();
        QCOMPARE(rebuilds(view.get()), before + 1);
        QCOMPARE(stack(view.get())->firstDayOfWeek(), 5);
    }

    void viewInsideAWindowLaysOutWhenTheWindowShows()
    {
        QWidget window;
        auto *view = new CalendarView(&window);
        view->setGeometry(0, 0, 600, 500);
        window.resize(600, 500);
        window.show();
        QCoreApplication::processEvents();
        QVERIFY(rebuilds(view) >= 1);
        QVERIFY(stack(view)->height() > 0);
    }

    void scrollingIntoThePreviousYearSlidesTheWindow()
    {
        auto view = shownView();
        QSignalSpy yearChanged(view.get(), &CalendarView::viewportYearChanged);
        const MonthItem *july = stack(view.get())->year(kToday - 1)->month(7);
        const int centreY = bar(view.get())->value() + 300;
        Q_UNUSED(centreY);
        // Bring July of last year under the viewport's middle.
        bar(view.get())->setValue(july->pos().y() + july->height() / 2 - view->viewport()->height() / 2);
        QCOMPARE(view->viewportYear(), kToday - 1);
        QCOMPARE(yearChanged.size(), 1);
        QCOMPARE(yearChanged.first().first().toInt(), kToday - 1);
        QCOMPARE(stack(view.get())->years(), (QList<int>{kToday - 2, kToday - 1, kToday}));

        // The month under the middle is where it was on screen, although a year was added above it.
        const MonthItem *julyAfter = stack(view.get())->year(kToday - 1)->month(7);
        const int screenTop = julyAfter->pos().y() - bar(view.get())->value();
        QCOMPARE(screenTop, view->viewport()->height() / 2 - july->height() / 2);
    }

    void selectionIsLimitedToAHundredYears_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("today") << QDate(kToday, 6, 17) << true;
        QTest::newRow("100 years back") << QDate(kToday - 100, 1, 1) << true;
        QTest::newRow("101 years back") << QDate(kToday - 101, 12, 31) << false;
        QTest::newRow("100 years ahead") << QDate(kToday + 100, 12, 31) << true;
        QTest::newRow("101 years ahead") << QDate(kToday + 101, 1, 1) << false;
        QTest::newRow("invalid") << QDate() << false;
    }

    void selectionIsLimitedToAHundredYears()
    {
        QFETCH(QDate, date);
        QFETCH(bool, accepted);
        CalendarView view;
        QSignalSpy selected(&view, &CalendarView::selectionChanged);
        view.setSelectedDate(date, false);
        QCOMPARE(selected.size(), accepted ? 1 : 0);
        QCOMPARE(view.selectedDate(), accepted ? date : QDate());
    }

    void selectingAgainEmitsAgainAndMovesTheMark()
    {
        auto view = shownView();
        QSignalSpy selected(view.get(), &CalendarView::selectionChanged);
        const QDate a(kToday, 3, 3);
        const QDate b(kToday, 3, 4);
        view->setSelectedDate(a, false);
        view->setSelectedDate(a, false);
        QCOMPARE(selected.size(), 2);
        view->setSelectedDate(b, false);
        QVERIFY(!(dayItem(view.get(), a)->flags() & SelectedFlag));
        QVERIFY(dayItem(view.get(), b)->flags() & SelectedFlag);
        QVERIFY(!(flags(view.get(), a) & SelectedFlag));
    }

    void selectingTodayBringsItIntoView()
    {
        auto view = shownView();
        const QDate today(kToday, 6, 17);
        view->scrollToMonth(kToday + 1, 3, false);
        QCoreApplication::processEvents();
        QCOMPARE(view->viewportYear(), kToday + 1);

        view->setSelectedDate(today, true);
        QCoreApplication::processEvents();
        const DayItem *day = dayItem(view.get(), today);
        QVERIFY(day);
        QCOMPARE(bar(view.get())->value(), day->pos().y() - view->viewport()->height() / 2);
    }

    void selectingTodayBeforeTheFirstShowKeepsTheMonthTop()
    {
        CalendarView view;
        view.resize(800, 600);
        view.setSelectedDate(QDate(kToday, 6, 17), true);
        view.show();
        QCoreApplication::processEvents();
        QCOMPARE(bar(&view)->value(), stack(&view)->year(kToday)->month(6)->pos().y());
    }

    void selectingAFarDateMovesTheWindowAndCentresTheDay()
    {
        auto view = shownView();
        const QDate far(kToday + 7, 9, 20);
        view->setSelectedDate(far, true);
        QCoreApplication::processEvents();
        QCOMPARE(stack(view.get())->currentYear(), kToday + 7);
        QCOMPARE(view->viewportYear(), kToday + 7);
        const DayItem *day = dayItem(view.get(), far);
        QVERIFY(day->flags() & SelectedFlag);
        QCOMPARE(bar(view.get())->value(), day->pos().y() - view->viewport()->height() / 2);
    }

    void statusOfAnUnbuiltYearShowsAfterTheSlide()
    {
        auto view = shownView();
        const int index = view->addStatusPixmap(statusPixmap(Qt::red));
        const QDate later(kToday + 4, 2, 10);
        view->setDayStatus(later, index);
        view->setDayColor(later, Qt::blue);
        QVERIFY(!dayItem(view.get(), later));
        view->setSelectedDate(later, true);
        QCoreApplication::processEvents();
        DayItem *day = dayItem(view.get(), later);
        QVERIFY(day);
        QCOMPARE(day->statusPixmapIndex(), index);
        QVERIFY(!day->statusPixmap().isNull());
        QCOMPARE(day->color(), QColor(Qt::blue));
    }

    void clearStatusClearsOneStatusOrAll()
    {
        auto view = shownView();
        const int a = view->addStatusPixmap(statusPixmap(Qt::red));
        const int b = view->addStatusPixmap(statusPixmap(Qt::green));
        const QDate d1(kToday, 6, 1), d2(kToday, 6, 2), d3(kToday + 30, 1, 1);
        view->beginUpdate();
        view->setStatus({d1, d3}, a);
        view->setStatus({d2}, b);
        QCOMPARE(status(view.get(), d1), a);
        QCOMPARE(status(view.get(), d3), a);

        // Setting one status again replaces the days that had it.
        view->setStatus({d3}, a);
        QCOMPARE(status(view.get(), d1), -1);
        QCOMPARE(dayItem(view.get(), d1)->statusPixmapIndex(), -1);

        view->clearStatus(b);
        QCOMPARE(status(view.get(), d2), -1);
        QCOMPARE(status(view.get(), d3), a);
        view->setStatus({d2}, b);
        view->clearStatus(-1);
        QCOMPARE(status(view.get(), d2), -1);
        QCOMPARE(status(view.get(), d3), -1);
        QCOMPARE(dayItem(view.get(), d2)->statusPixmapIndex(), -1);
    }

    void autoScrollStopsOnlyAtTheEndItMovesToward_data()
    {
        QTest::addColumn<bool>("upTriangle");
        QTest::addColumn<bool>("moves");
        QTest::newRow("at the top, the down triangle scrolls down") << false << true;
        QTest::newRow("at the top, the up triangle stops at once") << true << false;
    }

    void autoScrollStopsOnlyAtTheEndItMovesToward()
    {
        QFETCH(bool, upTriangle);
        QFETCH(bool, moves);
        auto view = shownView();
        // Only at the hundred-year limit does the top of the range stay put: elsewhere a year slides in.
        view->setSelectedDate(QDate(kToday - 100, 1, 1), true);
        QCoreApplication::processEvents();
        bar(view.get())->setValue(0);
        QCoreApplication::processEvents();
        QCOMPARE(bar(view.get())->value(), 0);
        QCOMPARE(stack(view.get())->currentYear(), kToday - 100);

        const QRect zone = upTriangle ? view->m_scrollerRects.up : view->m_scrollerRects.down;
        moveTo(view.get(), zone.center());
        QTRY_VERIFY(view->m_startScrollTimer.isActive() == false);
        if (!moves) {
            QTRY_VERIFY(!view->m_scrollTimer.isActive());
            QCOMPARE(bar(view.get())->value(), 0);
            QVERIFY(!view->m_scroller.active);
            return;
        }
        QTRY_VERIFY(bar(view.get())->value() > 3);
        QVERIFY(view->m_scroller.active);
        moveTo(view.get(), view->viewport()->rect().center());
        QVERIFY(!view->m_scroller.active);
        QVERIFY(!view->m_scrollTimer.isActive());
    }

    void dragScrollsThePage()
    {
        auto view = shownView();
        QWidget *vp = view->viewport();
        const DayItem *day = dayItem(view.get(), QDate(kToday, 6, 18));
        const QPoint p = onScreen(view.get(), day);
        const int start = bar(view.get())->value();
        QTest::mousePress(vp, Qt::LeftButton, {}, p);
        QCOMPARE(view->selectedDate(), QDate(kToday, 6, 18));
        QCOMPARE(bar(view.get())->value(), start);
        QMouseEvent move(QEvent::MouseMove, QPointF(p - QPoint(0, 50)), vp->mapToGlobal(QPointF(p - QPoint(0, 50))),
                         Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(vp, &move);
        QCOMPARE(bar(view.get())->value(), start + 50);
        QCOMPARE(vp->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, p - QPoint(0, 50));
        QCOMPARE(vp->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!view->m_drag.isArmed());
    }

    void mouseButtonsReportWhatIsUnderThem()
    {
        auto view = shownView();
        QWidget *vp = view->viewport();
        QSignalSpy dayMenu(view.get(), &CalendarView::dayContextMenu);
        QSignalSpy monthMenu(view.get(), &CalendarView::monthContextMenu);
        QSignalSpy yearMenu(view.get(), &CalendarView::yearContextMenu);
        QSignalSpy emptyMenu(view.get(), &CalendarView::emptyAreaContextMenu);
        QSignalSpy dayDouble(view.get(), &CalendarView::dayDoubleClicked);
        QSignalSpy monthDouble(view.get(), &CalendarView::monthDoubleClicked);
        QSignalSpy emptyDouble(view.get(), &CalendarView::emptyAreaDoubleClicked);

        const DayItem *day = dayItem(view.get(), QDate(kToday, 6, 17));
        const MonthItem *june = stack(view.get())->year(kToday)->month(6);
        const QPoint onDay = onScreen(view.get(), day);
        const QPoint onName = onScreen(view.get(), june->nameItem());
        const QPoint beside(10, onDay.y());

        QTest::mouseClick(vp, Qt::RightButton, {}, onDay);
        QTest::mouseClick(vp, Qt::MiddleButton, {}, onDay);
        QCOMPARE(dayMenu.size(), 2);
        QCOMPARE(dayMenu.first().at(1).toDate(), QDate(kToday, 6, 17));
        QTest::mouseClick(vp, Qt::RightButton, {}, onName);
        QCOMPARE(monthMenu.size(), 1);
        QCOMPARE(monthMenu.first().at(2).toInt(), 6);
        QTest::mouseClick(vp, Qt::MiddleButton, {}, beside);
        QCOMPARE(emptyMenu.size(), 0);
        QTest::mouseClick(vp, Qt::RightButton, {}, beside);
        QCOMPARE(emptyMenu.size(), 1);
        QCOMPARE(yearMenu.size(), 0);

        QTest::mouseDClick(vp, Qt::LeftButton, {}, onDay);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, onName);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, beside);
        QCOMPARE(dayDouble.size(), 1);
        QCOMPARE(monthDouble.size(), 1);
        QCOMPARE(emptyDouble.size(), 1);
        QCOMPARE(emptyDouble.first().first().toPoint(), beside);
    }

    void hoverMarksOneDay()
    {
        auto view = shownView();
        const QDate a(kToday, 6, 22), b(kToday, 6, 23);
        moveTo(view.get(), onScreen(view.get(), dayItem(view.get(), a)));
        QVERIFY(dayItem(view.get(), a)->flags() & HoveredFlag);
        moveTo(view.get(), onScreen(view.get(), dayItem(view.get(), b)));
        QVERIFY(!(dayItem(view.get(), a)->flags() & HoveredFlag));
        QVERIFY(dayItem(view.get(), b)->flags() & HoveredFlag);
        moveTo(view.get(), onScreen(view.get(), stack(view.get())->year(kToday)->month(6)->nameItem()));
        QVERIFY(!(dayItem(view.get(), b)->flags() & HoveredFlag));
    }

    void saveShots()
    {
        const QString dir = QString::fromLocal8Bit(qgetenv("QR_SHOTS_DIR"));
        if (dir.isEmpty())
            QSKIP("QR_SHOTS_DIR not set");
        const QList<QPair<QLocale, QString>> locales{{QLocale(QLocale::English, QLocale::UnitedStates), "en"},
                                                     {QLocale(QLocale::German, QLocale::Germany), "de"}};
        for (const auto &[locale, suffix] : locales) {
            Common::setAppLocale(locale);
            resetFittedFonts();
            for (int width : {600, 1200}) {
                CalendarView view;
                view.setFirstDayOfWeek(locale.language() == QLocale::German ? 1 : 7);
                const int clock = view.addStatusPixmap(statusPixmap(QColor(220, 60, 40)));
                const int trail = view.addStatusPixmap(statusPixmap(QColor(240, 170, 40)));
                view.beginUpdate();
                view.setStatus({QDate(kToday, 6, 3), QDate(kToday, 6, 19), QDate(kToday, 6, 28), QDate(kToday, 7, 4),
                                QDate(kToday, 7, 14)},
                               clock);
                view.setStatus({QDate(kToday, 6, 20), QDate(kToday, 6, 21), QDate(kToday, 6, 22), QDate(kToday, 7, 1)},
                               trail);
                view.endUpdate();
                view.setDayColor(QDate(kToday, 6, 24), QColor(200, 30, 30));
                view.setSelectedDate(QDate(kToday, 6, 25), false);
                view.resize(width, width * 2 / 3);
                view.show();
                QCoreApplication::processEvents();
                moveTo(&view, onScreen(&view, dayItem(&view, QDate(kToday, 6, 10))));
                const QString name = QStringLiteral("%1/calendarview_%2_%3.png").arg(dir).arg(width).arg(suffix);
                QVERIFY(view.grab().save(name));
                // The turn of the year: December's last weeks, the next year's header and January.
                const MonthItem *december = stack(&view)->year(kToday)->month(12);
                bar(&view)->setValue(december->weeks().at(2)->pos().y());
                QCoreApplication::processEvents();
                QVERIFY(view.grab().save(
                    QStringLiteral("%1/calendarview_%2_%3_newyear.png").arg(dir).arg(width).arg(suffix)));
            }
        }
        Common::setAppLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        resetFittedFonts();
    }
};

QTEST_MAIN(TestCalendarView)
#include "tst_calendarview.moc"
