#include "core/clock.h"
#include "core/log.h"
#include "events/occurrence.h"
#include "events/occurrencerules.h"
#include "testhelpers.h"

#include <QtTest>

class TestRRule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        Common::Clock::pin(QDateTime(QDate(2026, 12, 7), QTime(12, 0)));
    }
    void cleanup() { Common::Clock::unpin(); }

    void kindStepAndDays_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("days"); // weekly only
        QTest::newRow("weekly mo th") << "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,TH" << 2 << 2 << (1 | 4 | 8);
        QTest::newRow("lower case") << "freq=daily;interval=3" << 1 << 3 << 0;
        QTest::newRow("interval 0") << "FREQ=DAILY;INTERVAL=0" << 1 << 1 << 0;
        QTest::newRow("interval 100") << "FREQ=DAILY;INTERVAL=100" << 1 << 1 << 0;
        QTest::newRow("interval 99") << "FREQ=DAILY;INTERVAL=99" << 1 << 99 << 0;
        QTest::newRow("interval junk") << "FREQ=DAILY;INTERVAL=x2" << 1 << 1 << 0;
        QTest::newRow("later piece wins") << "FREQ=DAILY;FREQ=MONTHLY" << 3 << 1 << 0;
        QTest::newRow("ordinal days skipped") << "FREQ=WEEKLY;BYDAY=1MO,SU,xx" << 2 << 1 << (4 | 64);
        QTest::newRow("yearly") << "FREQ=YEARLY" << 4 << 1 << 0;
        QTest::newRow("piece with two =") << "FREQ=DAILY;INTERVAL=2=3" << 1 << 1 << 0;
    }
    void kindStepAndDays()
    {
        QFETCH(QString, rule);
        QFETCH(int, type);
        QFETCH(int, step);
        QFETCH(int, days);
        Occurrence o = Occurrence::fromRRule(QDate(2024, 1, 3), rule); // Wednesday
        QCOMPARE(int(o.type()), type);
        QCOMPARE(o.startDate(), QDate(2024, 1, 3));
        QCOMPARE(o.step(), step);
        if (type == IOccurrence::Weekly)
            QCOMPARE(dynamic_cast<OccurrenceWeekly *>(o.rule())->days(), days);
    }

    void monthlyByDay_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("weekNumber");
        QTest::newRow("-1FR") << QDate(2024, 5, 31) << "FREQ=MONTHLY;BYDAY=-1FR" << 1 << 5;
        QTest::newRow("-1FR on 4th") << QDate(2024, 6, 28) << "FREQ=MONTHLY;BYDAY=-1FR" << 1 << 5;
        QTest::newRow("2TU") << QDate(2024, 2, 13) << "FREQ=MONTHLY;BYDAY=2TU" << 1 << 2;
        QTest::newRow("by month day") << QDate(2024, 2, 13) << "FREQ=MONTHLY;BYMONTHDAY=13" << 0 << 2;
        QTest::newRow("yearly -1SU") << QDate(2024, 3, 31) << "FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU" << 1 << 5;
    }
    void monthlyByDay()
    {
        QFETCH(QDate, start);
        QFETCH(QString, rule);
        QFETCH(int, mode);
        QFETCH(int, weekNumber);
        Occurrence o = Occurrence::fromRRule(start, rule);
        auto *m = dynamic_cast<OccurrenceMonthly *>(o.rule());
        QVERIFY(m);
        QCOMPARE(m->mode(), mode);
        QCOMPARE(m->weekNumber(), weekNumber);
        QCOMPARE(m->weekday(), start.dayOfWeek());
    }

    // An unreadable rule keeps the event on its own date instead of moving it to today.
    void unknownFrequencyIsOnceOnStart_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::newRow("hourly") << "FREQ=HOURLY";
        QTest::newRow("empty") << "";
        QTest::newRow("no freq") << "INTERVAL=2";
        QTest::newRow("garbage") << ";;=;==";
    }
    void unknownFrequencyIsOnceOnStart()
    {
        QFETCH(QString, rule);
        const Occurrence o = Occurrence::fromRRule(QDate(2024, 1, 3), rule);
        QCOMPARE(o.type(), IOccurrence::Once);
        QCOMPARE(o.startDate(), QDate(2024, 1, 3));
        QCOMPARE(o.nextDate(QDate(2024, 1, 1)), QDate(2024, 1, 3));
    }

    void invalidStartFallsBackToToday()
    {
        QCOMPARE(Occurrence::fromRRule(QDate(), "FREQ=HOURLY").startDate(), QDate(2026, 12, 7));
    }

    // Ended series used to repeat for ever.
    void untilAndCountGiveEndDate_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QDate>("end");
        QTest::newRow("until date") << QDate(2024, 1, 3) << "FREQ=DAILY;UNTIL=20240110" << QDate(2024, 1, 10);
        QTest::newRow("until utc") << QDate(2024, 1, 3) << "FREQ=WEEKLY;UNTIL=20240131T120000Z" << QDate(2024, 1, 31);
        QTest::newRow("until floating") << QDate(2024, 1, 3) << "FREQ=DAILY;until=20240105t230000" << QDate(2024, 1, 5);
        QTest::newRow("until before start") << QDate(2024, 1, 3) << "FREQ=DAILY;UNTIL=20231231" << QDate(2024, 1, 3);
        QTest::newRow("until junk") << QDate(2024, 1, 3) << "FREQ=DAILY;UNTIL=tomorrow" << QDate();
        QTest::newRow("count daily 3") << QDate(2024, 1, 3) << "FREQ=DAILY;INTERVAL=3;COUNT=5" << QDate(2024, 1, 15);
        QTest::newRow("count weekly") << QDate(2024, 1, 3) << "FREQ=WEEKLY;BYDAY=MO,WE;COUNT=4" << QDate(2024, 1, 15);
        QTest::newRow("count monthly 31") << QDate(2024, 1, 31) << "FREQ=MONTHLY;COUNT=3" << QDate(2024, 5, 31);
        QTest::newRow("count 1") << QDate(2024, 1, 3) << "FREQ=YEARLY;COUNT=1" << QDate(2024, 1, 3);
        QTest::newRow("count 0") << QDate(2024, 1, 3) << "FREQ=YEARLY;COUNT=0" << QDate();
        QTest::newRow("count huge") << QDate(2024, 1, 3) << "FREQ=DAILY;COUNT=2000000000" << QDate();
        QTest::newRow("both, count first")
            << QDate(2024, 1, 1) << "FREQ=DAILY;UNTIL=20250101T000000Z;COUNT=5" << QDate(2024, 1, 5);
        QTest::newRow("both, until first")
            << QDate(2024, 1, 1) << "FREQ=DAILY;UNTIL=20240103;COUNT=5" << QDate(2024, 1, 3);
    }
    void untilAndCountGiveEndDate()
    {
        QFETCH(QDate, start);
        QFETCH(QString, rule);
        QFETCH(QDate, end);
        TestHelpers::ScopedTimeZone zone("Europe/Berlin"); // a UTC end falls on the local date of its moment
        Occurrence o = Occurrence::fromRRule(start, rule);
        QCOMPARE(dynamic_cast<AbstractMultipleOccurence *>(o.rule())->endDate(), end);
    }

    void utcUntilUsesLocalDate()
    {
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        const Occurrence o = Occurrence::fromRRule(QDate(2024, 1, 1), "FREQ=DAILY;UNTIL=20240110T233000Z");
        QCOMPARE(o.nextDate(QDate(2024, 1, 11)), QDate(2024, 1, 11));
        QCOMPARE(o.nextDate(QDate(2024, 1, 12)), QDate());
    }
};

QTEST_GUILESS_MAIN(TestRRule)
#include "tst_rrule.moc"
