#include "store/icalrule.h"
#include "testhelpers.h"

#include <QtTest>

class TestICalRule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    // A rule comes out with the same dates or not at all.
    void fits_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QString>("fitted"); // empty: refused
        const QDateTime monday(QDate(2024, 6, 3), QTime(9, 0));
        const QDateTime lastFriday(QDate(2024, 5, 31), QTime(9, 0));
        QTest::newRow("weekdays daily") << "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR;COUNT=10" << monday
                                        << "FREQ=WEEKLY;COUNT=10;BYDAY=MO,TU,WE,TH,FR";
        QTest::newRow("plain") << "FREQ=WEEKLY;INTERVAL=2;COUNT=5" << monday << "FREQ=WEEKLY;INTERVAL=2;COUNT=5";
        QTest::newRow("interval 0") << "FREQ=DAILY;INTERVAL=0" << monday << "";
        QTest::newRow("every 2nd day on weekdays") << "FREQ=DAILY;INTERVAL=2;BYDAY=MO,WE" << monday << "";
        QTest::newRow("start not in the rule") << "FREQ=WEEKLY;BYDAY=TU,TH" << monday << "";
        QTest::newRow("weeks from Sunday, every 2nd") << "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,SU;WKST=SU" << monday << "";
        QTest::newRow("weeks from Sunday, weekly")
            << "FREQ=WEEKLY;BYDAY=MO,SU;WKST=SU" << monday << "FREQ=WEEKLY;BYDAY=MO,SU";
        QTest::newRow("second Tuesday") << "FREQ=MONTHLY;BYDAY=2TU" << QDateTime(QDate(2024, 2, 13), QTime(9, 0))
                                        << "FREQ=MONTHLY;BYDAY=2TU";
        QTest::newRow("last Friday") << "FREQ=MONTHLY;BYDAY=-1FR" << lastFriday << "FREQ=MONTHLY;BYDAY=-1FR";
        QTest::newRow("fifth Friday") << "FREQ=MONTHLY;BYDAY=5FR" << lastFriday << "";
        QTest::newRow("last day of month") << "FREQ=MONTHLY;BYMONTHDAY=-1" << lastFriday << "";
        QTest::newRow("own day of month") << "FREQ=MONTHLY;BYMONTHDAY=31" << lastFriday << "FREQ=MONTHLY";
        QTest::newRow("Friday the 13th") << "FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13"
                                         << QDateTime(QDate(2024, 9, 13), QTime(9, 0)) << "";
        QTest::newRow("yearly other month") << "FREQ=YEARLY;BYMONTH=3" << monday << "";
        QTest::newRow("yearly weekday without month") << "FREQ=YEARLY;BYDAY=1MO" << monday << "";
        QTest::newRow("hour of the start") << "FREQ=DAILY;BYHOUR=9;BYMINUTE=0" << monday << "FREQ=DAILY";
        QTest::newRow("twice a day") << "FREQ=DAILY;BYHOUR=9,17" << monday << "";
        QTest::newRow("interval too large") << "FREQ=DAILY;INTERVAL=365" << monday << "";
        QTest::newRow("year days") << "FREQ=YEARLY;BYYEARDAY=100" << monday << "";
        QTest::newRow("own extension ignored") << "FREQ=DAILY;X-NAME=1" << monday << "FREQ=DAILY";
        // The model ends on a day: an UNTIL before the start's time that day ends the day before.
        QTest::newRow("until before the time")
            << "FREQ=DAILY;UNTIL=20240610T080000" << monday << "FREQ=DAILY;UNTIL=20240609";
        QTest::newRow("until at the time")
            << "FREQ=DAILY;UNTIL=20240610T090000" << monday << "FREQ=DAILY;UNTIL=20240610";
        QTest::newRow("until junk") << "FREQ=DAILY;UNTIL=soon" << monday << "";
    }

    void fits()
    {
        QFETCH(QString, rule);
        QFETCH(QDateTime, start);
        QFETCH(QString, fitted);
        const ICalRuleFit fit = fitICalRule(rule, start);
        QCOMPARE(fit.rule, fitted);
        QCOMPARE(fit.problem.isEmpty(), !fitted.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestICalRule)
#include "tst_icalrule.moc"
