#include "fakeapplication.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/periodcontrol.h"
#include "widgets/timeedit.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QtTest>

// The period control: its corrections while editing and the period it builds.
class TestPeriodControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void buildPeriod_data();
    void buildPeriod();
    void beginPastEndMovesEnd_data();
    void beginPastEndMovesEnd();
    void endBeforeBeginIsCorrected_data();
    void endBeforeBeginIsCorrected();
    void periodOffKeepsStaleEndUntilTurnedOn();
    void setPeriodRoundTripsAndAnnouncesBegin_data();
    void setPeriodRoundTripsAndAnnouncesBegin();
    void twelveHourFormat();
    void typedTime();
    void shot();

private:
    struct Edits
    {
        QDateEdit *date, *dateTo;
        QTimeEdit *time, *timeTo;
        QCheckBox *period, *timeBox;
    };
    static Edits edits(PeriodControl &c)
    {
        return {c.findChild<QDateEdit *>("dateEdit"),       c.findChild<QDateEdit *>("dateToEdit"),
                c.findChild<QTimeEdit *>("timeEdit"),       c.findChild<QTimeEdit *>("timeToEdit"),
                c.findChild<QCheckBox *>("periodCheckBox"), c.findChild<QCheckBox *>("timeCheckBox")};
    }
    FakeApplication m_app;
};

void TestPeriodControl::typedTime()
{
    const QList<QPair<QString, QTime>> cases{
        {"2016", QTime(20, 16)}, {"20:16", QTime(20, 16)}, {"24", QTime(2, 4)}, {"1260", QTime()}}; // 60 refused
    for (const auto &[typed, expected] : cases) {
        QCOMPARE(TimeEditPrivate::timeFromTyped(typed), expected);
        TimeEdit edit; // its whole text selected, as focus leaves it
        edit.selectAll();
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.time(), expected.isValid() ? expected : QTime(12, 6));
    }
}

void TestPeriodControl::buildPeriod_data()
{
    QTest::addColumn<QDate>("bd");
    QTest::addColumn<QTime>("bt");
    QTest::addColumn<QDate>("ed");
    QTest::addColumn<QTime>("et");
    QTest::addColumn<bool>("withEnd");
    QTest::addColumn<bool>("withTime");
    QTest::addColumn<QString>("expected");
    const QDate d(2026, 5, 10);
    QTest::newRow("timed") << d << QTime(9, 0) << d << QTime(10, 30) << true << true
                           << "2026-05-10 09:00 - 2026-05-10 10:30";
    QTest::newRow("all day span") << d << QTime(9, 0) << d.addDays(2) << QTime(8, 0) << true << false
                                  << "2026-05-10 - 2026-05-12";
    QTest::newRow("across midnight") << d << QTime(22, 0) << d.addDays(1) << QTime(1, 0) << true << true
                                     << "2026-05-10 22:00 - 2026-05-11 01:00";
    QTest::newRow("next day earlier time")
        << d << QTime(10, 0) << d.addDays(1) << QTime(9, 0) << true << true << "2026-05-10 10:00 - 2026-05-11 09:00";
    QTest::newRow("equal gives no end") << d << QTime(9, 0) << d << QTime(9, 0) << true << true << "2026-05-10 09:00";
    QTest::newRow("no period switch") << d << QTime(9, 0) << d.addDays(3) << QTime(9, 0) << false << true
                                      << "2026-05-10 09:00";
    QTest::newRow("no time switch") << d << QTime(9, 0) << d << QTime(11, 0) << true << false << "2026-05-10";
    // An end before the begin never reaches the period.
    QTest::newRow("end time before begin")
        << d << QTime(9, 0) << d << QTime(8, 0) << true << true << "2026-05-10 09:00";
    QTest::newRow("end day before, month boundary")
        << QDate(2026, 6, 1) << QTime() << QDate(2026, 5, 31) << QTime() << true << false << "2026-06-01";
    QTest::newRow("end day before, year boundary") << QDate(2027, 1, 1) << QTime(0, 0) << QDate(2026, 12, 31)
                                                   << QTime(23, 59) << true << true << "2027-01-01 00:00";
    // Europe/Berlin skips 02:00-03:00 on 29 March 2026; 02:30 and 03:30 stay two distinct times.
    QTest::newRow("daylight-saving day") << QDate(2026, 3, 29) << QTime(2, 30) << QDate(2026, 3, 29) << QTime(3, 30)
                                         << true << true << "2026-03-29 02:30 - 2026-03-29 03:30";
}

static QString describe(const Period &p)
{
    auto one = [&](const QDate &d, const QTime &t) {
        return d.toString(Qt::ISODate) + (p.hasTime() ? QStringLiteral(" ") + t.toString("hh:mm") : QString());
    };
    QString s = one(p.beginDate(), p.beginTime());
    if (!p.hasNoEnd())
        s += QStringLiteral(" - ") + one(p.endDate(), p.endTime());
    return s;
}

void TestPeriodControl::buildPeriod()
{
    QFETCH(QDate, bd);
    QFETCH(QTime, bt);
    QFETCH(QDate, ed);
    QFETCH(QTime, et);
    QFETCH(bool, withEnd);
    QFETCH(bool, withTime);
    QFETCH(QString, expected);
    TestHelpers::ScopedTimeZone tz("Europe/Berlin");
    QCOMPARE(describe(PeriodControl::buildPeriod(bd, bt, ed, et, withEnd, withTime)), expected);
}

void TestPeriodControl::beginPastEndMovesEnd_data()
{
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QDate>("newBegin");
    QTest::newRow("next day") << QDate(2026, 5, 10) << QDate(2026, 5, 11);
    QTest::newRow("month boundary") << QDate(2026, 1, 31) << QDate(2026, 2, 1);
    QTest::newRow("year boundary") << QDate(2026, 12, 31) << QDate(2027, 1, 1);
    QTest::newRow("leap day") << QDate(2028, 2, 28) << QDate(2028, 2, 29);
}

void TestPeriodControl::beginPastEndMovesEnd()
{
    QFETCH(QDate, end);
    QFETCH(QDate, newBegin);
    PeriodControl c;
    const Edits e = edits(c);
    c.setPeriod(Period(end.addDays(-3), QTime(10, 0), end, QTime(9, 0)));
    QSignalSpy endChanged(&c, &PeriodControl::endDateChanged);
    QSignalSpy beginChanged(&c, &PeriodControl::beginDateChanged);
    e.date->setDate(newBegin);
    QCOMPARE(e.dateTo->date(), newBegin);
    // Same day now: the end time follows the begin time too.
    QCOMPARE(e.timeTo->time(), QTime(10, 0));
    QCOMPARE(endChanged.size(), 1);
    QCOMPARE(beginChanged.size(), 1);
    QCOMPARE(describe(c.period()), newBegin.toString(Qt::ISODate) + " 10:00");
}

void TestPeriodControl::endBeforeBeginIsCorrected_data()
{
    QTest::addColumn<QDate>("typedEnd");
    QTest::addColumn<QTime>("typedEndTime");
    QTest::addColumn<QDate>("endAfter");
    QTest::addColumn<QTime>("endTimeAfter");
    const QDate b(2026, 3, 1);
    QTest::newRow("day before (month boundary)") << QDate(2026, 2, 28) << QTime(12, 0) << b << QTime(12, 0);
    QTest::newRow("year before") << QDate(2025, 12, 31) << QTime(15, 0) << b << QTime(15, 0);
    QTest::newRow("same day earlier time") << b << QTime(8, 0) << b << QTime(11, 0);
    QTest::newRow("later day earlier time stays") << b.addDays(1) << QTime(8, 0) << b.addDays(1) << QTime(8, 0);
}

void TestPeriodControl::endBeforeBeginIsCorrected()
{
    QFETCH(QDate, typedEnd);
    QFETCH(QTime, typedEndTime);
    QFETCH(QDate, endAfter);
    QFETCH(QTime, endTimeAfter);
    PeriodControl c;
    const Edits e = edits(c);
    c.setPeriod(Period(QDate(2026, 3, 1), QTime(11, 0), QDate(2026, 3, 5), QTime(12, 0)));
    e.timeTo->setTime(typedEndTime);
    e.dateTo->setDate(typedEnd);
    e.timeTo->setTime(typedEndTime);
    QCOMPARE(e.dateTo->date(), endAfter);
    QCOMPARE(e.timeTo->time(), endTimeAfter);
    const Period p = c.period();
    QVERIFY(p.hasNoEnd() || p.beginDateTime() < p.endDateTime());
}

void TestPeriodControl::periodOffKeepsStaleEndUntilTurnedOn()
{
    PeriodControl c;
    const Edits e = edits(c);
    c.setPeriod(Period(QDate(2026, 7, 1), QDate(2026, 7, 3)));
    c.show();
    e.period->setChecked(false);
    QVERIFY(e.dateTo->isHidden() || !e.dateTo->isVisible());
    e.date->setDate(QDate(2026, 7, 9));
    QCOMPARE(e.dateTo->date(), QDate(2026, 7, 3)); // hidden and left alone
    QCOMPARE(describe(c.period()), QStringLiteral("2026-07-09"));
    QSignalSpy switched(&c, &PeriodControl::periodSwitchChanged);
    e.period->setChecked(true);
    QCOMPARE(switched.size(), 1);
    QCOMPARE(e.dateTo->date(), QDate(2026, 7, 9));
    QVERIFY(c.period().hasNoEnd());
}

void TestPeriodControl::setPeriodRoundTripsAndAnnouncesBegin_data()
{
    QTest::addColumn<Period>("period");
    QTest::newRow("date") << Period(QDate(2026, 2, 14));
    QTest::newRow("date and time") << Period(QDate(2026, 2, 14), QTime(18, 45));
    QTest::newRow("days") << Period(QDate(2026, 12, 30), QDate(2027, 1, 2));
    QTest::newRow("timed span") << Period(QDate(2026, 2, 28), QTime(23, 0), QDate(2026, 3, 1), QTime(2, 0));
}

void TestPeriodControl::setPeriodRoundTripsAndAnnouncesBegin()
{
    QFETCH(Period, period);
    PeriodControl c;
    QSignalSpy begin(&c, &PeriodControl::beginDateChanged);
    c.setPeriod(period);
    QCOMPARE(describe(c.period()), describe(period));
    QCOMPARE(begin.size(), 1);
    QCOMPARE(begin.first().first().toDate(), period.beginDate());
}

void TestPeriodControl::twelveHourFormat()
{
    m_app.m_timeFormat = QStringLiteral("h:mm AP");
    PeriodControl c;
    const Edits e = edits(c);
    QCOMPARE(e.time->displayFormat(), QStringLiteral("h:mm AP"));
    QCOMPARE(e.timeTo->displayFormat(), QStringLiteral("h:mm AP"));
    c.setPeriod(Period(QDate(2026, 4, 2), QTime(13, 30), QDate(2026, 4, 2), QTime(23, 5)));
    QVERIFY(e.time->text().contains(QStringLiteral("PM"), Qt::CaseInsensitive));
    QCOMPARE(describe(c.period()), QStringLiteral("2026-04-02 13:30 - 2026-04-02 23:05"));
    m_app.m_timeFormat = QStringLiteral("h:mm");
}

void TestPeriodControl::shot()
{
    QWidget frame;
    auto *layout = new QVBoxLayout(&frame);
    auto *c = new PeriodControl(&frame);
    layout->addWidget(c);
    c->setPeriod(Period(QDate(2026, 12, 31), QTime(21, 30), QDate(2027, 1, 1), QTime(2, 15)));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    TestHelpers::saveShot(&frame, QStringLiteral("periodcontrol"));
}

QTEST_MAIN(TestPeriodControl)
#include "tst_periodcontrol.moc"
