#include "app/timeupdate.h"
#include "events/birthdayevent.h"
#include "events/notspecifiedevent.h"
#include "events/period.h"
#include "eventtestenv.h"
#include "testhelpers.h"

#include <QTest>

namespace {

const QDate kToday(2026, 3, 10);

AbstractCommonEventPtr appointment(const QDate &date, const QTime &time)
{
    auto event = std::make_shared<NotSpecifiedEvent>();
    event->setPeriod(time.isValid() ? Period(date, time) : Period(date));
    return event;
}

} // namespace

class TestTimeUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void nextTimeChange_data()
    {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QList<QTime>>("todayTimes"); // invalid: today without a time
        QTest::addColumn<QTime>("expected");          // invalid: none
        QTest::newRow("later begin") << QTime(14, 0) << QList<QTime>{QTime(14, 30)} << QTime(14, 30);
        QTest::newRow("begin now counts") << QTime(14, 30) << QList<QTime>{QTime(14, 30)} << QTime(14, 30);
        QTest::newRow("past begin skipped") << QTime(14, 30, 30) << QList<QTime>{QTime(14, 30)} << QTime();
        QTest::newRow("earliest of several")
            << QTime(9, 0) << QList<QTime>{QTime(18, 0), QTime(10, 15), QTime(8, 0)} << QTime(10, 15);
        QTest::newRow("untimed never chosen") << QTime(9, 0) << QList<QTime>{QTime()} << QTime();
        QTest::newRow("no events") << QTime(9, 0) << QList<QTime>{} << QTime();
    }

    void nextTimeChange()
    {
        QFETCH(QTime, now);
        QFETCH(QList<QTime>, todayTimes);
        QFETCH(QTime, expected);
        EventTestEnv env(QDateTime(kToday, now));
        QList<AbstractCommonEventPtr> events;
        for (const QTime &time : todayTimes)
            events << appointment(kToday, time);
        // Timed events of other days play no part.
        events << appointment(kToday.addDays(1), QTime(9, 30)) << appointment(kToday.addDays(-1), QTime(23, 0));
        const QDateTime result = TimeUpdate::nextTimeChange(events, QDateTime(kToday, now));
        QCOMPARE(result, expected.isValid() ? QDateTime(kToday, expected) : QDateTime());
    }

    void updateMoment_data()
    {
        QTest::addColumn<QDateTime>("next");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime tomorrow(kToday.addDays(1), QTime(0, 0, 1));
        QTest::newRow("a minute after the change")
            << QDateTime(kToday, QTime(14, 30)) << QDateTime(kToday, QTime(14, 0)) << QDateTime(kToday, QTime(14, 31));
        QTest::newRow("none: just after midnight") << QDateTime() << QDateTime(kToday, QTime(14, 0)) << tomorrow;
        QTest::newRow("late change capped")
            << QDateTime(kToday, QTime(23, 59, 30)) << QDateTime(kToday, QTime(23, 0)) << tomorrow;
        QTest::newRow("tie goes to midnight")
            << QDateTime(kToday, QTime(23, 59, 1)) << QDateTime(kToday, QTime(23, 0)) << tomorrow;
    }

    void updateMoment()
    {
        QFETCH(QDateTime, next);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        QCOMPARE(TimeUpdate::updateMoment(next, now), expected);
    }

    void recurringEventCountsOnItsDay()
    {
        EventTestEnv env(QDateTime(kToday, QTime(8, 0)));
        auto birthday = std::make_shared<BirthdayEvent>();
        birthday->setPeriod(Period(QDate(1990, 3, 10), QTime(12, 0)));
        birthday->setOccurrence(Occurrence(QDate(1990, 3, 10), IOccurrence::Yearly));
        QCOMPARE(TimeUpdate::nextTimeChange({birthday}, QDateTime(kToday, QTime(8, 0))),
                 QDateTime(kToday, QTime(12, 0)));
        // Its occurrence of yesterday still runs today, and another begins today.
        AbstractCommonEventPtr daily = appointment(QDate(2026, 3, 1), QTime(11, 0));
        daily->setPeriod(Period(QDateTime(QDate(2026, 3, 1), QTime(11, 0)), QDateTime(QDate(2026, 3, 2), QTime(9, 0))));
        daily->setOccurrence(Occurrence(QDate(2026, 3, 1), IOccurrence::Daily));
        QCOMPARE(TimeUpdate::nextTimeChange({daily}, QDateTime(kToday, QTime(8, 0))), QDateTime(kToday, QTime(11, 0)));
    }
};

QTEST_GUILESS_MAIN(TestTimeUpdate)
#include "tst_timeupdate.moc"
