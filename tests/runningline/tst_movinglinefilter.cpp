#include "events/system/systemevent.h"
#include "runningline/accumulativeeventsmodel.h"
#include "runningline/movinglinefilter.h"
#include "runningline/ostrevalder.h"
#include "runningline/systemmodel.h"
#include "runninglinetestenv.h"
#include "store/eventsmodel.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QIdentityProxyModel>
#include <QSignalSpy>
#include <QtTest>

namespace {

QStringList shortTexts(const QAbstractItemModel &model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 0).data(ShortTextRole).toString();
    return result;
}

// The source rows the filter shows, in its order.
QList<int> sourceOrder(const MovingLineFilter &filter)
{
    QList<int> rows;
    for (int row = 0; row < filter.rowCount(); ++row)
        rows << filter.mapToSource(filter.index(row, 0)).row();
    return rows;
}

// The same rows sorted by asking the source for each side of every comparison.
QList<int> comparedOneByOne(const MovingLineFilter &filter, const QAbstractItemModel &source)
{
    QList<int> rows = sourceOrder(filter);
    std::stable_sort(rows.begin(), rows.end(), [&source](int left, int right) {
        const QModelIndex l = source.index(left, 0);
        const QModelIndex r = source.index(right, 0);
        const bool leftSystem = l.data(IsSystemRole).toBool();
        const bool rightSystem = r.data(IsSystemRole).toBool();
        if (leftSystem != rightSystem)
            return rightSystem;
        if (!leftSystem) {
            const QDateTime lt = l.data(NextDateTimeRole).toDateTime();
            const QDateTime rt = r.data(NextDateTimeRole).toDateTime();
            if (lt != rt)
                return lt < rt;
        }
        return left < right;
    });
    return rows;
}

SystemEventPtr line(const QString &text)
{
    return std::make_shared<TextEvent>(nullptr, text, -1);
}

} // namespace

class TestMovingLineFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void userRowRule_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QDate>("begin");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<bool>("stillDue");
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("accepted");
        const QDate today(2026, 3, 10);
        QTest::newRow("today") << true << today << today << false << 15 << true;
        QTest::newRow("last watched day") << true << today.addDays(15) << today.addDays(15) << false << 15 << true;
        QTest::newRow("one day too far") << true << today.addDays(16) << today.addDays(16) << false << 15 << false;
        QTest::newRow("zero days, today") << true << today << today << false << 0 << true;
        QTest::newRow("zero days, tomorrow") << true << today.addDays(1) << today.addDays(1) << false << 0 << false;
        QTest::newRow("ongoing span") << true << today.addDays(-2) << today.addDays(1) << false << 15 << true;
        QTest::newRow("ended yesterday") << true << today.addDays(-3) << today.addDays(-1) << false << 15 << false;
        QTest::newRow("overdue task to complete")
            << true << today.addDays(-5) << today.addDays(-5) << true << 15 << true;
        QTest::newRow("switched off") << false << today << today << false << 15 << false;
        QTest::newRow("no next occurrence") << true << QDate() << QDate() << true << 15 << false;
        QTest::newRow("no end date") << true << today.addDays(3) << QDate() << false << 15 << true;
    }

    void userRowRule()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(bool, enabled);
        QFETCH(QDate, begin);
        QFETCH(QDate, end);
        QFETCH(bool, stillDue);
        QFETCH(int, days);
        QFETCH(bool, accepted);
        QCOMPARE(MovingLineFilter::acceptsUserRow(enabled, begin, end, stillDue, days, QDate(2026, 3, 10)), accepted);

        // An event so made is read alike directly and, from a source the filter does not know, by its roles.
        if (!begin.isValid())
            return;
        RunningLineTestEnv env;
        const AbstractCommonEventPtr event =
            env.add(stillDue ? 4 : 0, "Event", end.isValid() ? Period(begin, end) : Period(begin));
        event->setDaysToWatch(days);
        if (!enabled)
            qobject_cast<NotSpecifiedEvent *>(event.get())->setMovingLineEnabled(false);
        EventsModel events(env.manager.get());
        QIdentityProxyModel unknown;
        unknown.setSourceModel(&events);
        MovingLineFilter direct, byRoles;
        direct.setSourceModel(&events);
        byRoles.setSourceModel(&unknown);
        QCOMPARE(direct.rowCount(), int(accepted));
        QCOMPARE(byRoles.rowCount(), int(accepted));
        QCOMPARE(Ostrevalder::hasEventsToShow(), accepted);
    }

    void showsComingEventsSortedThenSystemRows()
    {
        RunningLineTestEnv env;
        env.add(3, "In a week", Period(QDate(2026, 3, 17)));
        env.add(3, "Too far", Period(QDate(2026, 4, 30)));
        AbstractCommonEventPtr own = env.add(3, "Own window", Period(QDate(2026, 4, 30)));
        own->setDaysToWatch(60);
        env.add(0, "Hidden appointment", Period(QDate(2026, 3, 11)));
        qobject_cast<NotSpecifiedEvent *>(env.manager->eventByIndex(3).get())->setMovingLineEnabled(false);
        env.add(0, "Soon", Period(QDate(2026, 3, 10), QTime(11, 0)));
        env.add(3, "Past", Period(QDate(2026, 3, 1)));

        SystemEvents lines;
        lines.addEvent(line("Welcome"));
        lines.addEvent(line("Зелёный чай"));
        EventsModel events(env.manager.get());
        SystemModel system(&lines);
        AccumulativeEventsModel all;
        all.addSourceModel(&system); // added first, still shown last
        all.addSourceModel(&events);
        MovingLineFilter filter;
        filter.setSourceModel(&all);
        QAbstractItemModelTester allTester(&all, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);

        QStringList shown = shortTexts(filter);
        QCOMPARE(shown.size(), 5);
        QVERIFY(shown.at(0).contains("Soon"));
        QVERIFY(shown.at(1).contains("In a week"));
        QVERIFY(shown.at(2).contains("Own window"));
        QCOMPARE(shown.mid(3), (QStringList{"Welcome", "Зелёный чай"}));
        QCOMPARE(filter.userRowCount(), 3);

        // The setting for events without their own window applies at once.
        filter.setDefaultDaysToWatch(60);
        QCOMPARE(filter.userRowCount(), 4);

        // Changes in either source pass through.
        lines.addEvent(line("Third line"));
        env.add(3, "Tomorrow", Period(QDate(2026, 3, 11)));
        shown = shortTexts(filter);
        QVERIFY(shown.at(1).contains("Tomorrow"));
        QCOMPARE(shown.last(), QString("Third line"));
        lines.removeEvent(lines.eventByIndex(0));
        QCOMPARE(filter.rowCount(), 7);
    }

    // The bar's model reports one event's change as that row's change: the filter then shows
    // what a filter built afresh shows, without a reset.
    void aChangedEventIsFilteredAgainAlone_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("change");
        QTest::newRow("caption") << 0 << "caption";
        QTest::newRow("switched off") << 2 << "off";
        QTest::newRow("own window brings it in, in order") << 1 << "days";
        QTest::newRow("moved to another day") << 2 << "day";
        QTest::newRow("another day from an undo step") << 2 << "undo";
    }

    void aChangedEventIsFilteredAgainAlone()
    {
        QFETCH(int, row);
        QFETCH(QString, change);
        RunningLineTestEnv env;
        env.add(3, "In a week", Period(QDate(2026, 3, 17)));
        env.add(3, "Too far", Period(QDate(2026, 4, 30)));
        env.add(0, "Soon", Period(QDate(2026, 3, 10), QTime(11, 0)));
        env.add(3, "Tomorrow", Period(QDate(2026, 3, 11)));
        EventsModel events(env.manager.get());
        events.setChangesByRow(true);
        AccumulativeEventsModel all;
        all.addSourceModel(&events);
        MovingLineFilter filter;
        filter.setSourceModel(&all);
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(filter.rowCount(), 3);
        QSignalSpy resets(&filter, &QAbstractItemModel::modelReset);

        const AbstractCommonEventPtr event = env.manager->eventByIndex(row);
        if (change == "caption")
            event->setCaption("Next week");
        else if (change == "off")
            qobject_cast<NotSpecifiedEvent *>(event.get())->setMovingLineEnabled(false);
        else if (change == "days")
            event->setDaysToWatch(60);
        else if (change == "day")
            event->setPeriod(Period(QDate(2026, 3, 20)));
        else // an undo step loads the whole state and announces one change
            event->loadFromVariant(RunningLineTestEnv::makeEvent(0, "Soon", Period(QDate(2026, 3, 16)))
                                       ->saveToVariant(AbstractCommonEvent::NoSaveFlags));

        EventsModel freshEvents(env.manager.get());
        AccumulativeEventsModel freshAll;
        freshAll.addSourceModel(&freshEvents);
        MovingLineFilter fresh;
        fresh.setSourceModel(&freshAll);
        QCOMPARE(shortTexts(filter), shortTexts(fresh));
        QCOMPARE(sourceOrder(filter), sourceOrder(fresh));
        QCOMPARE(resets.count(), 0);
    }

    void sortsAsComparingEachNextBegin_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::newRow("morning") << QDateTime(QDate(2026, 3, 10), QTime(9, 30));
        QTest::newRow("before midnight") << QDateTime(QDate(2026, 3, 10), QTime(23, 58));
        QTest::newRow("clocks go forward tonight") << QDateTime(QDate(2026, 3, 28), QTime(23, 58));
        QTest::newRow("clocks go back tonight") << QDateTime(QDate(2026, 10, 24), QTime(23, 58));
    }

    void sortsAsComparingEachNextBegin()
    {
        QFETCH(QDateTime, now);
        TestHelpers::ScopedTimeZone zone("Europe/Berlin");
        RunningLineTestEnv env(now);
        const QDate today = now.date();
        // Timed and all-day rows on the same days, the hours that the clock change skips or repeats,
        // repeating rules whose next begin moves with the day, and equal keys in table order.
        const struct
        {
            int kind;
            int day;
            QTime time;
            IOccurrence::Type rule;
        } table[] = {
            {0, 1, QTime(2, 30), IOccurrence::Once},     {3, 1, QTime(), IOccurrence::Once},
            {0, 0, QTime(23, 59), IOccurrence::Once},    {0, 1, QTime(0, 0), IOccurrence::Once},
            {0, 1, QTime(2, 30), IOccurrence::Once},     {0, 1, QTime(1, 59), IOccurrence::Once},
            {0, 1, QTime(3, 0), IOccurrence::Once},      {0, -3, QTime(8, 0), IOccurrence::Daily},
            {0, -6, QTime(23, 59), IOccurrence::Weekly}, {1, -365, QTime(), IOccurrence::Yearly},
            {3, 0, QTime(), IOccurrence::Once},          {0, 2, QTime(12, 0), IOccurrence::Once},
            {3, 1, QTime(), IOccurrence::Once},          {0, 0, QTime(23, 59), IOccurrence::Daily},
        };
        for (const auto &row : table) {
            const QDate date = today.addDays(row.day);
            env.add(row.kind, QStringLiteral("Row %1").arg(env.manager->count()),
                    row.time.isValid() ? Period(date, row.time) : Period(date), row.rule);
        }
        EventsModel events(env.manager.get());
        MovingLineFilter filter;
        filter.setSourceModel(&events);
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(filter.rowCount(), int(std::size(table)));
        QCOMPARE(sourceOrder(filter), comparedOneByOne(filter, events));

        // After midnight the keys are worked out again: today's rows are gone, the repeating ones move.
        Common::Clock::advance(3 * 60 * 1000);
        filter.invalidateTimeFilters();
        QCOMPARE(sourceOrder(filter), comparedOneByOne(filter, events));

        // A changed event is placed by its new key.
        const AbstractCommonEventPtr moved = env.manager->eventByIndex(11);
        moved->setOccurrence(Occurrence(Common::Clock::today(), IOccurrence::Once));
        moved->setPeriod(Period(Common::Clock::today(), QTime(0, 1)));
        QCOMPARE(sourceOrder(filter), comparedOneByOne(filter, events));
        env.add(0, QStringLiteral("Added"), Period(Common::Clock::today().addDays(1), QTime(2, 30)));
        QCOMPARE(sourceOrder(filter), comparedOneByOne(filter, events));
    }

    void evaluatesAgainAfterMidnight()
    {
        TestHelpers::ScopedTimeZone zone("UTC");
        RunningLineTestEnv env(QDateTime(QDate(2026, 3, 10), QTime(23, 59)));
        env.add(3, "Today only", Period(QDate(2026, 3, 10)));
        env.add(3, "Sixteen days ahead", Period(QDate(2026, 3, 26)));
        EventsModel events(env.manager.get());
        MovingLineFilter filter;
        filter.setSourceModel(&events);
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(filter.rowCount(), 1);
        QVERIFY(shortTexts(filter).at(0).contains("Today only"));

        Common::Clock::advance(2 * 60 * 1000);
        filter.invalidateTimeFilters();
        QCOMPARE(filter.rowCount(), 1);
        QVERIFY(shortTexts(filter).at(0).contains("Sixteen days ahead"));
        TestHelpers::ScopedTimeZone back("America/New_York"); // the date goes back
        filter.onTimeZoneChanged();
        QVERIFY(shortTexts(filter).at(0).contains("Today only"));
    }

    void accumulatesSourcesAddedAndRemoved()
    {
        SystemEvents a, b;
        a.addEvent(line("a1"));
        b.addEvent(line("b1"));
        b.addEvent(line("b2"));
        SystemModel ma(&a), mb(&b);
        AccumulativeEventsModel all;
        QAbstractItemModelTester tester(&all, QAbstractItemModelTester::FailureReportingMode::QtTest);
        all.addSourceModel(&ma);
        all.addSourceModel(&mb);
        all.addSourceModel(&mb); // once only
        QCOMPARE(all.rowCount(), 3);
        QCOMPARE(all.mapToSource(2), qMakePair(static_cast<QAbstractItemModel *>(&mb), 1));
        QCOMPARE(all.mapFromSource(&mb, 0), 1);
        a.addEvent(line("a2"));
        QCOMPARE(all.index(1).data().toString(), QString("a2"));
        QCOMPARE(all.mapFromSource(&mb, 0), 2);
        all.removeSourceModel(&ma);
        QCOMPARE(all.rowCount(), 2);
        QCOMPARE(all.index(0).data().toString(), QString("b1"));
        QCOMPARE(all.mapToSource(5).first, nullptr);
    }
};

QTEST_MAIN(TestMovingLineFilter)
#include "tst_movinglinefilter.moc"
