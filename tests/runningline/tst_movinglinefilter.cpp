#include "events/system/systemevent.h"
#include "runninglinetestenv.h"
#include "runningline/accumulativeeventsmodel.h"
#include "runningline/eventsmodel.h"
#include "runningline/movinglinefilter.h"
#include "runningline/systemmodel.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace {

QStringList shortTexts(const QAbstractItemModel &model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 0).data(ShortTextRole).toString();
    return result;
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
        QTest::newRow("overdue task to complete") << true << today.addDays(-5) << today.addDays(-5) << true << 15 << true;
        QTest::newRow("switched off") << false << today << today << false << 15 << false;
        QTest::newRow("no next occurrence") << true << QDate() << QDate() << true << 15 << false;
        QTest::newRow("no end date") << true << today.addDays(3) << QDate() << false << 15 << true;
    }

    void userRowRule()
    {
        QFETCH(bool, enabled);
        QFETCH(QDate, begin);
        QFETCH(QDate, end);
        QFETCH(bool, stillDue);
        QFETCH(int, days);
        QFETCH(bool, accepted);
        QCOMPARE(MovingLineFilter::acceptsUserRow(enabled, begin, end, stillDue, days, QDate(2026, 3, 10)), accepted);
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

    void evaluatesAgainAfterMidnight()
    {
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
