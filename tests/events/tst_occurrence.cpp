#include "core/clock.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "events/occurrence.h"
#include "eventtestenv.h"
#include "events/notspecifiedevent.h"
#include "events/occurrencerules.h"
#include "events/taskevent.h"
#include "testhelpers.h"

#include <QtTest>

namespace {
OccurrenceWeekly *weekly(Occurrence &o)
{
    return dynamic_cast<OccurrenceWeekly *>(o.rule());
}
OccurrenceMonthly *monthly(Occurrence &o)
{
    return dynamic_cast<OccurrenceMonthly *>(o.rule());
}
AbstractMultipleOccurence *multiple(Occurrence &o)
{
    return dynamic_cast<AbstractMultipleOccurence *>(o.rule());
}
QVariantMap base(int step)
{
    return {{"version", 1}, {"abstractOccurenceKey", QVariantMap{{"version", 1}, {"step", step}}}};
}
} // namespace

class TestOccurrence : public QObject
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

    void namesAndCaptions()
    {
        const QList<QByteArray> ids{"once", "daily", "weekly", "monthly", "yearly"};
        for (int t = 0; t < ids.size(); ++t) {
            QCOMPARE(Occurrence::typeById(ids[t]), IOccurrence::Type(t));
            QCOMPARE(Occurrence::idByType(IOccurrence::Type(t)), ids[t]);
        }
        QCOMPARE(Occurrence::typeName(IOccurrence::Once), QStringLiteral("Never"));
        QCOMPARE(Occurrence::stepMeasure(IOccurrence::Weekly), QStringLiteral("weeks"));
        QCOMPARE(Occurrence::stepMeasure(IOccurrence::Once), QString());
        QVERIFY(logBuffer().isEmpty());
    }

    void weeklyMapIsExact()
    {
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Weekly); // a Wednesday
        const QVariantMap expected{{"type", QByteArray("weekly")},
                                   {"data", QVariantMap{{"version", 1}, {"data", 4}, {"base", base(1)}}}};
        QCOMPARE(o.toJson(), QVariant(expected));
        QCOMPARE(o.toJson().toMap().value("type").typeId(), QMetaType::QByteArray);
    }

    void weeklyTextIsByteExact()
    {
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Weekly);
        const QByteArray text = Common::toJson(o.toJson());
        QCOMPARE(text, QByteArray("{\"data\": {\"base\": {\"abstractOccurenceKey\": {\"step\": 1,\"version\": 1},"
                                  "\"version\": 1},\"data\": 4,\"version\": 1},\"type\": \"weekly\"}"));
        Occurrence back(QDate(2024, 1, 3), IOccurrence::Once);
        back.fromJson(Common::readJson(text));
        QCOMPARE(back, o);
        QCOMPARE(Common::toJson(back.toJson()), text);
    }

    void everyKindSurvivesTheFile_data()
    {
        QTest::addColumn<int>("type");
        for (int t = 0; t <= 4; ++t)
            QTest::addRow("%d", t) << t;
    }
    void everyKindSurvivesTheFile()
    {
        QFETCH(int, type);
        Occurrence o(QDate(2024, 5, 31), IOccurrence::Type(type));
        if (type != IOccurrence::Once)
            o.setStep(7);
        if (auto *m = multiple(o))
            m->setEndDate(QDate(2031, 1, 31));
        if (auto *w = weekly(o))
            w->setDays(0x55);
        if (auto *m = monthly(o)) {
            m->setMode(1);
            m->setWeekNumber(5);
        }
        Occurrence back(QDate(2024, 5, 31), IOccurrence::Once);
        back.fromJson(Common::readJson(Common::toJson(o.toJson())));
        QCOMPARE(back, o);
        QCOMPARE(back.occurrences(QDate(2024, 1, 1), QDate(2032, 1, 1)),
                 o.occurrences(QDate(2024, 1, 1), QDate(2032, 1, 1)));
    }

    void mapsOfEveryKind_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantMap>("data");
        QTest::newRow("once") << 0 << QVariantMap{{"version", 1}, {"step", 1}};
        QTest::newRow("daily") << 1 << base(1);
        QTest::newRow("monthly") << 3
                                 << QVariantMap{
                                        {"version", 2}, {"data", 0}, {"base", base(1)}, {"dayOfWeekNumberInMonth", 2}};
        QTest::newRow("yearly") << 4
                                << QVariantMap{
                                       {"version", 2}, {"data", 0}, {"base", base(1)}, {"dayOfWeekNumberInMonth", 2}};
    }
    void mapsOfEveryKind()
    {
        QFETCH(int, type);
        QFETCH(QVariantMap, data);
        Occurrence o(QDate(2024, 2, 13), IOccurrence::Type(type));
        QCOMPARE(o.toJson().toMap().value("data").toMap(), data);
    }

    void endDateText()
    {
        Occurrence o(QDate(2024, 1, 1), IOccurrence::Daily);
        multiple(o)->setEndDate(QDate(2024, 3, 5));
        const QVariantMap data = o.toJson().toMap().value("data").toMap();
        QCOMPARE(data.value("endDate"), QVariant(QStringLiteral("20240305ThhmmssZ")));
        Occurrence back(QDate(2024, 1, 1), IOccurrence::Once);
        back.fromJson(o.toJson());
        QCOMPARE(multiple(back)->endDate(), QDate(2024, 3, 5));

        QVariantMap iso = o.toJson().toMap();
        QVariantMap isoData = data;
        isoData["endDate"] = "2024-03-05";
        iso["data"] = isoData;
        back.fromJson(iso);
        QCOMPARE(multiple(back)->endDate(), QDate());

        multiple(o)->setEndDate(QDate(22024, 1, 31)); // COUNT=100000 of a rule with step 99 gets there
        back.fromJson(o.toJson());
        QCOMPARE(multiple(back)->endDate(), QDate(22024, 1, 31));
    }

    void readsLegacyForms_data()
    {
        QTest::addColumn<QVariantMap>("map");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("weekNumber");
        QTest::newRow("flat daily") << QVariantMap{{"type", "daily"},
                                                   {"data", QVariantMap{{"version", 1}, {"step", 4}}}}
                                    << 1 << 4 << 0;
        QTest::newRow("monthly v1 keeps start's week")
            << QVariantMap{{"type", "monthly"},
                           {"data",
                            QVariantMap{{"version", 1}, {"data", 1}, {"base", base(2)}, {"dayOfWeekNumberInMonth", 5}}}}
            << 3 << 2 << 2;
        QTest::newRow("monthly v2")
            << QVariantMap{{"type", "monthly"},
                           {"data",
                            QVariantMap{{"version", 2}, {"data", 1}, {"base", base(1)}, {"dayOfWeekNumberInMonth", 5}}}}
            << 3 << 1 << 5;
        QTest::newRow("yearly v1 flat base")
            << QVariantMap{{"type", "yearly"},
                           {"data", QVariantMap{{"version", 1},
                                                {"data", 0},
                                                {"base", QVariantMap{{"version", 1}, {"step", 3}}}}}}
            << 4 << 3 << 2;
        QTest::newRow("type as string from a file")
            << QVariantMap{{"type", QStringLiteral("weekly")}, {"data", QVariantMap()}} << 2 << 1 << 0;
    }
    void readsLegacyForms()
    {
        QFETCH(QVariantMap, map);
        QFETCH(int, type);
        QFETCH(int, step);
        QFETCH(int, weekNumber);
        Occurrence o(QDate(2024, 2, 13), IOccurrence::Once); // second Tuesday
        o.fromJson(map);
        QCOMPARE(int(o.type()), type);
        QCOMPARE(o.step(), step);
        if (weekNumber)
            QCOMPARE(monthly(o)->weekNumber(), weekNumber);
        QVERIFY2(logBuffer().isEmpty(), logBuffer().constData());
    }

    void unknownTypeReadsAsOnce()
    {
        TestHelpers::expectFailedChecks();
        Occurrence o(QDate(2024, 2, 13), IOccurrence::Daily);
        o.fromJson(QVariantMap{{"type", "hourly"}, {"data", QVariantMap{{"version", 1}, {"step", 1}}}});
        QCOMPARE(o.type(), IOccurrence::Once);
        QVERIFY(logBuffer().contains("map.contains(id)"));
    }

    void missingTypeIsReported()
    {
        TestHelpers::expectFailedChecks();
        Occurrence o(QDate(2024, 2, 13), IOccurrence::Daily);
        o.fromJson(QVariantMap());
        QVERIFY(logBuffer().contains("map.contains(QLatin1String(\"type\"))"));
        QCOMPARE(o.type(), IOccurrence::Once);
    }

    void nullStartReadsAsToday()
    {
        Occurrence o(QDate(), IOccurrence::Once);
        o.fromJson(Occurrence(QDate(2024, 1, 1), IOccurrence::Daily).toJson());
        QCOMPARE(o.startDate(), QDate(2026, 12, 7));
    }

    // A stored rule with a version but no step used to divide by zero.
    void stepBelowOneBecomesOne_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantMap>("data");
        const QVariantMap noStep{{"version", 1}, {"abstractOccurenceKey", QVariantMap{{"version", 1}}}};
        const QVariantMap negative{{"version", 1}, {"abstractOccurenceKey", QVariantMap{{"version", 1}, {"step", -5}}}};
        QTest::newRow("daily no step") << 1 << noStep;
        QTest::newRow("daily negative") << 1 << negative;
        QTest::newRow("weekly no step") << 2 << QVariantMap{{"version", 1}, {"data", 4}, {"base", noStep}};
        QTest::newRow("monthly no step") << 3 << QVariantMap{{"version", 2}, {"data", 0}, {"base", noStep}};
        QTest::newRow("monthly mode 1 negative") << 3 << QVariantMap{{"version", 2}, {"data", 1}, {"base", negative}};
        QTest::newRow("yearly no step") << 4 << QVariantMap{{"version", 2}, {"data", 0}, {"base", noStep}};
        QTest::newRow("flat zero") << 1 << QVariantMap{{"version", 1}, {"step", 0}};
    }
    void stepBelowOneBecomesOne()
    {
        QFETCH(int, type);
        QFETCH(QVariantMap, data);
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Once);
        o.fromJson(QVariantMap{{"type", Occurrence::idByType(IOccurrence::Type(type))}, {"data", data}});
        QCOMPARE(o.step(), 1);
        QCOMPARE(o.nextDate(QDate(2024, 1, 1)), QDate(2024, 1, 3));
        QVERIFY(!o.occurrences(QDate(2024, 1, 1), QDate(2025, 1, 1)).isEmpty());
        for (int bad : {0, -1, INT_MIN}) {
            o.setStep(bad);
            QCOMPARE(o.step(), 1);
        }
    }

    void onceRejectsStep()
    {
        TestHelpers::expectFailedChecks();
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Once);
        o.setStep(3);
        QCOMPARE(o.step(), -1);
        QVERIFY(logBuffer().contains("not supported by this class"));
        QCOMPARE(o.toJson().toMap().value("data").toMap().value("step"), QVariant(1));
    }

    void setTypeResetsSettings()
    {
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Daily);
        o.setStep(4);
        o.setType(IOccurrence::Weekly);
        o.setType(IOccurrence::Daily);
        QCOMPARE(o.step(), 1);
    }

    void sameStartDateKeepsEverything()
    {
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Monthly);
        monthly(o)->setMode(1);
        monthly(o)->setEndDate(QDate(2024, 12, 31));
        const QVariant before = o.toJson();
        o.setStartDate(QDate(2024, 1, 3));
        QCOMPARE(o.toJson(), before);
    }

    // A Monday/Wednesday task marked done moves its start; its days and end must stay.
    void startDateChangeKeepsWeeklySettings()
    {
        Occurrence o(QDate(2024, 1, 3), IOccurrence::Weekly); // Wednesday
        o.setStep(2);
        weekly(o)->setDays(OccurrenceWeekly::dayBit(1) | OccurrenceWeekly::dayBit(3));
        multiple(o)->setEndDate(QDate(2024, 6, 30));
        o.setStartDate(QDate(2024, 1, 8)); // Monday
        QCOMPARE(o.step(), 2);
        QCOMPARE(weekly(o)->days(), OccurrenceWeekly::dayBit(1) | OccurrenceWeekly::dayBit(3));
        QCOMPARE(multiple(o)->endDate(), QDate(2024, 6, 30));
        o.setStartDate(QDate(2024, 1, 12)); // Friday joins the set
        QCOMPARE(weekly(o)->days(),
                 OccurrenceWeekly::dayBit(1) | OccurrenceWeekly::dayBit(3) | OccurrenceWeekly::dayBit(5));
        o.setStartDate(QDate(2024, 7, 1)); // after the end: the end goes
        QCOMPARE(multiple(o)->endDate(), QDate());
    }

    void startDateChangeKeepsMonthlySettings_data()
    {
        QTest::addColumn<QDate>("newStart");
        QTest::addColumn<int>("weekNumber");
        QTest::newRow("last stays last") << QDate(2024, 9, 24) << 5;  // 4th and last Tuesday
        QTest::newRow("fifth is last") << QDate(2024, 10, 29) << 5;   // 5th Tuesday
        QTest::newRow("fourth not last") << QDate(2024, 10, 22) << 4; // October has a 5th
        QTest::newRow("second") << QDate(2024, 9, 10) << 2;
    }
    void startDateChangeKeepsMonthlySettings()
    {
        QFETCH(QDate, newStart);
        QFETCH(int, weekNumber);
        Occurrence o(QDate(2024, 4, 30), IOccurrence::Monthly); // 5th Tuesday
        monthly(o)->setMode(OccurrenceMonthly::WeekdayOfMonth);
        QCOMPARE(monthly(o)->weekNumber(), 5);
        multiple(o)->setEndDate(QDate(2025, 12, 31));
        o.setStartDate(newStart);
        QCOMPARE(monthly(o)->mode(), 1);
        QCOMPARE(monthly(o)->weekNumber(), weekNumber);
        QCOMPARE(monthly(o)->weekday(), newStart.dayOfWeek());
        QCOMPARE(multiple(o)->endDate(), QDate(2025, 12, 31));
    }

    // The event moves its rule's start with its period; the rule's settings must go along.
    void periodChangeKeepsRuleSettings()
    {
        EventTestEnv env(QDateTime(QDate(2026, 3, 10), QTime(12, 0))); // a Tuesday
        const int monWed = OccurrenceWeekly::dayBit(1) | OccurrenceWeekly::dayBit(3);
        Occurrence rule(QDate(2026, 3, 9), IOccurrence::Weekly);
        weekly(rule)->setDays(monWed);
        multiple(rule)->setEndDate(QDate(2026, 6, 30));

        NotSpecifiedEvent appointment;
        appointment.setPeriod(Period(QDate(2026, 3, 9)));
        appointment.setOccurrence(rule);
        appointment.setPeriod(Period(QDate(2026, 3, 16), QTime(10, 0)));
        Occurrence moved = appointment.occurrence();
        QCOMPARE(moved.startDate(), QDate(2026, 3, 16));
        QCOMPARE(weekly(moved)->days(), monWed);
        QCOMPARE(multiple(moved)->endDate(), QDate(2026, 6, 30));

        TaskEvent task;
        task.setPeriod(Period(QDate(2026, 3, 9)));
        task.setOccurrence(rule);
        task.markDone();
        Occurrence done = task.occurrence();
        QCOMPARE(task.period().beginDate(), QDate(2026, 3, 11));
        QCOMPARE(weekly(done)->days(), monWed);
        QCOMPARE(multiple(done)->endDate(), QDate(2026, 6, 30));
        QCOMPARE(done.nextDate(QDate(2026, 3, 12)), QDate(2026, 3, 16));
    }

    void copiesAreDeep()
    {
        Occurrence a(QDate(2024, 1, 3), IOccurrence::Daily);
        a.setStep(3);
        Occurrence b(a);
        b.setStep(5);
        QCOMPARE(a.step(), 3);
        Occurrence c(QDate(2020, 1, 1), IOccurrence::Once);
        c = a;
        QCOMPARE(c.startDate(), QDate(2024, 1, 3));
        QCOMPARE(c.step(), 3);
        const IOccurrence &asInterface = a;
        Occurrence d(asInterface);
        QCOMPARE(d, a);
    }

    void assignmentDropsEndDate()
    {
        Occurrence withEnd(QDate(2024, 1, 3), IOccurrence::Daily);
        multiple(withEnd)->setEndDate(QDate(2024, 2, 1));
        const Occurrence without(QDate(2024, 1, 3), IOccurrence::Daily);
        QVERIFY(withEnd != without);
        withEnd = without;
        QCOMPARE(multiple(withEnd)->endDate(), QDate());
        QCOMPARE(withEnd, without);
    }

    void equalityIgnoresStartDate()
    {
        QCOMPARE(Occurrence(QDate(2024, 1, 3), IOccurrence::Daily), Occurrence(QDate(2025, 5, 5), IOccurrence::Daily));
        QVERIFY(Occurrence(QDate(2024, 1, 3), IOccurrence::Daily) != Occurrence(QDate(2024, 1, 3), IOccurrence::Once));
    }

    void weekNumberOutsideRangeIsIgnored()
    {
        Occurrence o(QDate(2024, 2, 13), IOccurrence::Monthly);
        o.fromJson(QVariantMap{
            {"type", "monthly"},
            {"data", QVariantMap{{"version", 2}, {"data", 1}, {"base", base(1)}, {"dayOfWeekNumberInMonth", -10}}}});
        QCOMPARE(monthly(o)->weekNumber(), 2);
        const QList<QDate> dates = o.occurrences(QDate(2024, 1, 1), QDate(2024, 5, 1));
        QCOMPARE(dates, (QList<QDate>{{2024, 2, 13}, {2024, 3, 12}, {2024, 4, 9}}));
    }

    void weekNumberHelpers_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("max");
        QTest::newRow("1st") << QDate(2024, 9, 3) << 1 << 4;
        QTest::newRow("4th last") << QDate(2024, 9, 24) << 4 << 4;
        QTest::newRow("4th of five") << QDate(2024, 10, 22) << 4 << 5;
        QTest::newRow("31st") << QDate(2024, 10, 31) << 5 << 5;
    }
    void weekNumberHelpers()
    {
        QFETCH(QDate, date);
        QFETCH(int, number);
        QFETCH(int, max);
        QCOMPARE(OccurrenceMonthly::dayOfWeekNumberInMonth(date), number);
        QCOMPARE(OccurrenceMonthly::maxDayOfWeekNumberInMonth(date), max);
    }

    void invalidStartDoesNotFail()
    {
        for (int t = 0; t <= 4; ++t) {
            Occurrence o{QDate(), IOccurrence::Type(t)};
            QCOMPARE(o.nextDate(QDate(2024, 1, 1)), QDate());
            QVERIFY(o.occurrences(QDate(2024, 1, 1), QDate(2024, 12, 31)).isEmpty());
            QVERIFY(!o.description().isNull());
        }
    }
};

QTEST_GUILESS_MAIN(TestOccurrence)
#include "tst_occurrence.moc"
