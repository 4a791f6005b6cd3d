#include "core/log.h"
#include "occurrencetesthelpers.h"
#include "testhelpers.h"

#include <QtTest>

using Dates = QList<QDate>;

using namespace OccurrenceTestHelpers;

namespace {
Occurrence weekly(QDate start, int step, QList<int> days)
{
    return withDays(make(IOccurrence::Weekly, start, step), days);
}
Occurrence nthWeekday(IOccurrence::Type type, QDate start, int step, int weekNumber = 0)
{
    return byWeekday(make(type, start, step), weekNumber);
}
} // namespace

Q_DECLARE_METATYPE(Occurrence *)

class TestRecurrence : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    void nextDates_data()
    {
        QTest::addColumn<QVariant>("rule");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("next");
        auto row = [](const char *name, const Occurrence &o, QDate from, QDate next) {
            QTest::newRow(name) << QVariant::fromValue(new Occurrence(o)) << from << next;
        };
        const Occurrence once = make(IOccurrence::Once, QDate(2024, 5, 10));
        row("once before", once, QDate(2024, 5, 1), QDate(2024, 5, 10));
        row("once on", once, QDate(2024, 5, 10), QDate(2024, 5, 10));
        row("once after", once, QDate(2024, 5, 11), QDate());
        row("daily 2 after end", make(IOccurrence::Daily, QDate(2024, 5, 10), 2, QDate(2024, 5, 12)),
            QDate(2024, 5, 13), QDate());
        row("daily 3", make(IOccurrence::Daily, QDate(2024, 3, 1), 3), QDate(2024, 3, 5), QDate(2024, 3, 7));
        row("daily 1 far", make(IOccurrence::Daily, QDate(1900, 1, 1)), QDate(2024, 3, 5), QDate(2024, 3, 5));
        const Occurrence monThu = weekly(QDate(2024, 1, 3), 1, {1, 4});
        row("weekly start", monThu, QDate(2024, 1, 3), QDate(2024, 1, 3));
        row("weekly friday", monThu, QDate(2024, 1, 5), QDate(2024, 1, 8));
        row("weekly before start same week", monThu, QDate(2024, 1, 1), QDate(2024, 1, 3));
        row("weekly 2", weekly(QDate(2024, 1, 3), 2, {}), QDate(2024, 1, 4), QDate(2024, 1, 17));
        row("weekly 2 skips odd week", weekly(QDate(2024, 1, 3), 2, {1}), QDate(2024, 1, 9), QDate(2024, 1, 15));
        row("weekly 3 sunday", weekly(QDate(2024, 1, 7), 3, {}), QDate(2024, 1, 8), QDate(2024, 1, 28));
        row("monthly 2", make(IOccurrence::Monthly, QDate(2024, 1, 15), 2), QDate(2024, 1, 16), QDate(2024, 3, 15));
        row("monthly 2 on", make(IOccurrence::Monthly, QDate(2024, 1, 15), 2), QDate(2024, 3, 15), QDate(2024, 3, 15));
        row("monthly 31 skips", make(IOccurrence::Monthly, QDate(2024, 1, 31)), QDate(2024, 4, 1), QDate(2024, 5, 31));
        row("monthly 30 skips feb", make(IOccurrence::Monthly, QDate(2023, 1, 30)), QDate(2023, 1, 31),
            QDate(2023, 3, 30));
        row("yearly 29 feb", make(IOccurrence::Yearly, QDate(2024, 2, 29)), QDate(2024, 3, 1), QDate(2028, 2, 29));
        row("yearly 29 feb step 99", make(IOccurrence::Yearly, QDate(2024, 2, 29), 99), QDate(2024, 3, 1),
            QDate(2420, 2, 29));
        row("yearly 29 feb step 100 skips 2124", make(IOccurrence::Yearly, QDate(2000, 2, 29), 100), QDate(2000, 3, 1),
            QDate(2400, 2, 29));
        row("yearly 3", make(IOccurrence::Yearly, QDate(2020, 6, 1), 3), QDate(2021, 1, 1), QDate(2023, 6, 1));
        row("monthly 2nd tuesday", nthWeekday(IOccurrence::Monthly, QDate(2024, 2, 13), 1), QDate(2024, 2, 14),
            QDate(2024, 3, 12));
        row("monthly 2nd tuesday same month", nthWeekday(IOccurrence::Monthly, QDate(2024, 2, 13), 1),
            QDate(2024, 3, 1), QDate(2024, 3, 12));
        row("monthly 5th friday in 4-friday month", nthWeekday(IOccurrence::Monthly, QDate(2024, 3, 29), 1),
            QDate(2024, 3, 30), QDate(2024, 4, 26));
        row("monthly 5th friday in 5-friday month", nthWeekday(IOccurrence::Monthly, QDate(2024, 3, 29), 1),
            QDate(2024, 5, 1), QDate(2024, 5, 31));
        row("monthly last thursday step 3", nthWeekday(IOccurrence::Monthly, QDate(2024, 1, 25), 3, 5),
            QDate(2024, 1, 26), QDate(2024, 4, 25));
        row("yearly 4th thursday of november", nthWeekday(IOccurrence::Yearly, QDate(2023, 11, 23), 1),
            QDate(2023, 11, 24), QDate(2024, 11, 28));
        row("yearly nth in start month only", nthWeekday(IOccurrence::Yearly, QDate(2023, 11, 23), 1),
            QDate(2024, 1, 1), QDate(2024, 11, 28));
        row("monthly far from 1900", make(IOccurrence::Monthly, QDate(1900, 1, 31), 7), QDate(2026, 12, 7),
            QDate(2027, 3, 31));
    }
    void nextDates()
    {
        QFETCH(QVariant, rule);
        QFETCH(QDate, from);
        QFETCH(QDate, next);
        std::unique_ptr<Occurrence> o(rule.value<Occurrence *>());
        QCOMPARE(o->nextDate(from), next);
        QVERIFY2(logBuffer().isEmpty(), logBuffer().constData());
    }

    void ranges_data()
    {
        QTest::addColumn<QVariant>("rule");
        QTest::addColumn<QDate>("begin");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<Dates>("dates");
        auto row = [](const char *name, const Occurrence &o, QDate begin, QDate end, Dates dates) {
            QTest::newRow(name) << QVariant::fromValue(new Occurrence(o)) << begin << end << dates;
        };
        row("daily 2 with end", make(IOccurrence::Daily, QDate(2024, 5, 10), 2, QDate(2024, 5, 12)), QDate(2024, 5, 9),
            QDate(2024, 5, 20), Dates{{2024, 5, 10}, {2024, 5, 12}});
        row("monthly 31", make(IOccurrence::Monthly, QDate(2024, 1, 31)), QDate(2024, 1, 1), QDate(2024, 12, 31),
            Dates{{2024, 1, 31},
                  {2024, 3, 31},
                  {2024, 5, 31},
                  {2024, 7, 31},
                  {2024, 8, 31},
                  {2024, 10, 31},
                  {2024, 12, 31}});
        row("end before first", make(IOccurrence::Daily, QDate(2024, 5, 10)), QDate(2024, 5, 1), QDate(2024, 5, 9),
            Dates{});
        row("range includes end", make(IOccurrence::Daily, QDate(2024, 5, 10), 3), QDate(2024, 5, 11),
            QDate(2024, 5, 16), Dates{{2024, 5, 13}, {2024, 5, 16}});
        row("weekly mon thu", weekly(QDate(2024, 1, 3), 1, {1, 4}), QDate(2024, 1, 1), QDate(2024, 1, 15),
            Dates{{2024, 1, 3}, {2024, 1, 4}, {2024, 1, 8}, {2024, 1, 10}, {2024, 1, 11}, {2024, 1, 15}});
        row("monthly 5th friday", nthWeekday(IOccurrence::Monthly, QDate(2024, 3, 29), 1), QDate(2024, 3, 1),
            QDate(2024, 7, 1), Dates{{2024, 3, 29}, {2024, 4, 26}, {2024, 5, 31}, {2024, 6, 28}});
        row("once", make(IOccurrence::Once, QDate(2024, 5, 10)), QDate(2024, 1, 1), QDate(2024, 12, 1),
            Dates{{2024, 5, 10}});
        row("invalid end", make(IOccurrence::Daily, QDate(2024, 5, 10)), QDate(2024, 1, 1), QDate(), Dates{});
        row("invalid begin", make(IOccurrence::Daily, QDate(2024, 5, 10), 1, QDate(2024, 5, 11)), QDate(),
            QDate(2024, 12, 1), Dates{{2024, 5, 10}, {2024, 5, 11}});
    }
    void ranges()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QVariant, rule);
        QFETCH(QDate, begin);
        QFETCH(QDate, end);
        QFETCH(Dates, dates);
        std::unique_ptr<Occurrence> o(rule.value<Occurrence *>());
        QCOMPARE(o->occurrences(begin, end), dates);
    }

    void emptyWeekdaySetYieldsNothing()
    {
        TestHelpers::expectFailedChecks();
        Occurrence o = make(IOccurrence::Weekly, QDate(2024, 1, 3));
        dynamic_cast<OccurrenceWeekly *>(o.rule())->setDays(0);
        QCOMPARE(o.nextDate(QDate(2024, 1, 1)), QDate());
        QVERIFY(o.occurrences(QDate(2024, 1, 1), QDate(2030, 1, 1)).isEmpty());
        QVERIFY(logBuffer().contains("m_days != 0"));
    }

    // Every date of a rule must come back as its own next date, and nothing in between.
    void nextDateAgreesWithDayByDayScan_data()
    {
        QTest::addColumn<QVariant>("rule");
        auto row = [](const char *name, const Occurrence &o) {
            QTest::newRow(name) << QVariant::fromValue(new Occurrence(o));
        };
        row("monthly 31 step 5", make(IOccurrence::Monthly, QDate(2023, 8, 31), 5));
        row("yearly 29 feb step 3", make(IOccurrence::Yearly, QDate(2004, 2, 29), 3));
        row("weekly 4 sat sun", weekly(QDate(2024, 6, 15), 4, {6, 7, 2}));
        row("monthly last monday step 2", nthWeekday(IOccurrence::Monthly, QDate(2024, 1, 29), 2, 5));
        row("yearly last sunday of march", nthWeekday(IOccurrence::Yearly, QDate(2024, 3, 31), 1, 5));
    }
    void nextDateAgreesWithDayByDayScan()
    {
        QFETCH(QVariant, rule);
        std::unique_ptr<Occurrence> o(rule.value<Occurrence *>());
        const Dates dates = o->occurrences(QDate(2000, 1, 1), QDate(2040, 12, 31));
        QVERIFY(!dates.isEmpty());
        int index = 0;
        for (QDate d(2000, 1, 1); d <= QDate(2040, 12, 31) && index < dates.size(); d = d.addDays(1)) {
            QCOMPARE(o->nextDate(d), dates[index]);
            if (d == dates[index])
                ++index;
        }
        QCOMPARE(index, dates.size());
    }

    void hugeStepsEndQuietly_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        for (int t = 1; t <= 4; ++t) {
            for (int mode = 0; mode < 2; ++mode)
                QTest::addRow("%d/%d", t, mode) << t << mode;
        }
    }
    void hugeStepsEndQuietly()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        Occurrence o(QDate(2024, 1, 31), IOccurrence::Type(type));
        o.setStep(INT_MAX);
        if (auto *m = dynamic_cast<OccurrenceMonthly *>(o.rule()))
            m->setMode(mode);
        QCOMPARE(o.nextDate(QDate(2024, 1, 1)), QDate(2024, 1, 31));
        const QDate next = o.nextDate(QDate(2024, 2, 1));
        QVERIFY(!next.isValid() || next > QDate(2024, 2, 1));
        QCOMPARE(o.occurrences(QDate(2024, 1, 1), QDate(2100, 1, 1)), Dates{QDate(2024, 1, 31)});
    }
};

QTEST_GUILESS_MAIN(TestRecurrence)
#include "tst_recurrence.moc"
