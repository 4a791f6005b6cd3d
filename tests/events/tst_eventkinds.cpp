#include "core/jsonparser.h"
#include "core/log.h"
#include "eventtestenv.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "events/taskevent.h"
#include "events/weddingevent.h"
#include "testhelpers.h"

#include <QAction>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(AbstractCommonEventPtr)

// The five kinds: their maps, texts, reminders and completion, and the factory that makes them.
class TestEventKinds : public QObject
{
    Q_OBJECT

private:
    static QVariantMap outerMap(const AbstractCommonEvent &e)
    {
        QVariantMap map = e.saveToVariant().toMap();
        map.remove("abstract");
        return map;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    // ---- maps

    void kindMapsAreByteExact()
    {
        EventTestEnv env;
        NotSpecifiedEvent appointment;
        appointment.setLocation("Room 1");
        appointment.setSoundPath("/s/a.wav");
        QCOMPARE(Common::toJson(outerMap(appointment)),
                 QByteArray("{\"location\": \"Room 1\",\"movingLineEnabledKey\": true,\"notifyDaysKey\": 0,"
                            "\"notifyMinutes\": 15,\"reminderEnabledKey\": true,\"soundPath\": \"/s/a.wav\","
                            "\"version\": 1}"));
        BirthdayEvent birthday;
        birthday.setPersonName("Anna");
        birthday.setGenderId(1);
        QCOMPARE(Common::toJson(outerMap(birthday)),
                 QByteArray("{\"genderId\": 1,\"personName\": \"Anna\",\"version\": 3}"));
        WeddingEvent wedding;
        wedding.setPersonOneName("Anna");
        QCOMPARE(Common::toJson(outerMap(wedding)),
                 QByteArray("{\"personOneName\": \"Anna\",\"personTwoName\": \"\",\"version\": 1}"));
        HolidayEvent holiday;
        QCOMPARE(Common::toJson(outerMap(holiday)), QByteArray("{\"version\": 1}"));
        // A task is the base map alone.
        TaskEvent task;
        QCOMPARE(task.saveToVariant().toMap().value("version").toInt(), 8);
        QVERIFY(!task.saveToVariant().toMap().contains("abstract"));
        for (AbstractCommonEvent *e :
             std::initializer_list<AbstractCommonEvent *>{&appointment, &birthday, &wedding, &holiday}) {
            const QVariantMap base = e->saveToVariant().toMap().value("abstract").toMap();
            QCOMPARE(base.value("version").toInt(), 8);
            QVERIFY(!base.contains("hasPhoto"));
        }
    }

    void kindsRoundTrip_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = 0; kind <= 4; ++kind)
            QTest::addRow("kind %d", kind) << kind;
    }
    void kindsRoundTrip()
    {
        QFETCH(int, kind);
        EventTestEnv env;
        AbstractCommonEventPtr e = EventsFactory::createEvent(kind);
        QVERIFY(e);
        QCOMPARE(int(e->type()), kind);
        e->setComment("c");
        e->setPeriod(Period(QDate(2026, 5, 20)));
        if (auto *w = dynamic_cast<WeddingEvent *>(e.get()))
            w->setPersonTwoName("Ben");
        if (auto *a = dynamic_cast<NotSpecifiedEvent *>(e.get()))
            a->setNotifyMinutes(30);
        const QByteArray text = Common::toJson(e->saveToVariant());
        AbstractCommonEventPtr copy = EventsFactory::createEvent(kind);
        copy->loadFromVariant(Common::readJson(text));
        QCOMPARE(Common::toJson(copy->saveToVariant()), text);
        QCOMPARE(copy->id(), e->id());
    }

    void appointmentMapDefaultsComeFromTheEvent()
    {
        TestHelpers::expectFailedChecks();
        EventTestEnv env;
        env.properties->setValue("notifyMinutes", 40);
        NotSpecifiedEvent e;
        QCOMPARE(e.notifyMinutes(), 40);
        e.loadFromVariant(QVariantMap{{"version", 2}, {"location", "x"}});
        QVERIFY(logBuffer().contains("version == 1"));
        QCOMPARE(e.notifyMinutes(), 40);
        QCOMPARE(e.location(), QStringLiteral("x"));
        QCOMPARE(e.soundPath(), QString());
    }

    // ---- birthday

    void birthdayOrdinals_data()
    {
        QTest::addColumn<int>("years");
        QTest::addColumn<QString>("ordinal");
        const QList<QPair<int, QString>> table{{1, "1st"},   {2, "2nd"},   {3, "3rd"},     {4, "4th"},
                                               {11, "11th"}, {12, "12th"}, {13, "13th"},   {21, "21st"},
                                               {22, "22nd"}, {23, "23rd"}, {100, "100th"}, {111, "111th"}};
        for (const auto &row : table)
            QTest::addRow("%d", row.first) << row.first << row.second;
    }
    void birthdayOrdinals()
    {
        QFETCH(int, years);
        QFETCH(QString, ordinal);
        EventTestEnv env(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
        BirthdayEvent e;
        e.setPersonName("Anna");
        e.setPeriod(Period(QDate(2026 - years, 3, 20)));
        e.setOccurrence(Occurrence(e.birthDate(), IOccurrence::Yearly));
        QCOMPARE(e.text(true), QStringLiteral("10 days till Anna's %1 birthday").arg(ordinal));
        QCOMPARE(e.caption(), QStringLiteral("Anna's birthday"));
    }

    // The ordinal choices stop at three digits; a longer count takes the last choice, not the parser's error.
    void ordinalsPastTheChoices()
    {
        EventTestEnv env(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
        BirthdayEvent birthday;
        birthday.setPersonName("Anna");
        birthday.setPeriod(Period(QDate(1020, 3, 20)));
        birthday.setOccurrence(Occurrence(birthday.birthDate(), IOccurrence::Yearly));
        QCOMPARE(birthday.text(true), QStringLiteral("10 days till Anna's 1006th birthday"));

        WeddingEvent wedding;
        wedding.setPersonOneName("Anna");
        wedding.setPeriod(Period(QDate(1020, 3, 20)));
        wedding.setOccurrence(Occurrence(wedding.period().beginDate(), IOccurrence::Yearly));
        QCOMPARE(wedding.text(true), QStringLiteral("10 days till Anna's 1006th anniversary"));
    }

    void birthdayWithoutYear()
    {
        EventTestEnv env;
        BirthdayEvent e;
        QCOMPARE(e.birthDate(), QDate(1852, 3, 10));
        QVERIFY(!e.ageCounted());
        e.setPersonName("Anna");
        e.setOccurrence(Occurrence(e.birthDate(), IOccurrence::Yearly));
        QCOMPARE(e.caption(), QStringLiteral("Anna's birthday"));
        QCOMPARE(e.text(true), QStringLiteral("Today is Anna's birthday"));
        QStringList names, values;
        e.infoRows(names, values, false);
        QCOMPARE(names, (QStringList{"Date:", "Comment:"}));
        QCOMPARE(values.first(), QStringLiteral("Today"));
    }

    void birthdayAge_data()
    {
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("age");
        QTest::addColumn<QString>("rowName");
        QTest::addColumn<QString>("rowValue");
        QTest::newRow("day before") << QDate(2000, 3, 15) << QDate(2026, 3, 14) << 25 << "Age will be:"
                                    << "26";
        QTest::newRow("birthday") << QDate(2000, 3, 15) << QDate(2026, 3, 15) << 26 << "Age:"
                                  << "26";
        QTest::newRow("leap day, 28 Feb") << QDate(2000, 2, 29) << QDate(2027, 2, 28) << 26 << "Age will be:"
                                          << "27";
        QTest::newRow("leap day, 1 Mar") << QDate(2000, 2, 29) << QDate(2027, 3, 1) << 27 << "Age will be:"
                                         << "28";
    }
    void birthdayAge()
    {
        QFETCH(QDate, born);
        QFETCH(QDate, today);
        QFETCH(int, age);
        QFETCH(QString, rowName);
        QFETCH(QString, rowValue);
        EventTestEnv env(QDateTime(today, QTime(12, 0)));
        BirthdayEvent e;
        e.setPeriod(Period(born));
        e.setOccurrence(Occurrence(born, IOccurrence::Yearly));
        QCOMPARE(e.age(), age);
        QStringList names, values;
        e.infoRows(names, values, true);
        QCOMPARE(names.first(), rowName);
        QCOMPARE(values.first(), rowValue);
    }

    void birthdayOnLeapDayRecursOnlyInLeapYears()
    {
        EventTestEnv env(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
        BirthdayEvent e;
        e.setPeriod(Period(QDate(2000, 2, 29)));
        e.setOccurrence(Occurrence(e.birthDate(), IOccurrence::Yearly));
        QCOMPARE(e.nextDate(QDate(2026, 3, 10)), QDate(2028, 2, 29));
        QCOMPARE(e.age(), 26);
    }

    void birthdayAnnaTextAcrossTheYear_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::newRow("day after") << QDate(2025, 5, 11);
        QTest::newRow("new year") << QDate(2026, 1, 1);
        QTest::newRow("birthday") << QDate(2026, 5, 10);
    }
    void birthdayAnnaTextAcrossTheYear()
    {
        QFETCH(QDate, today);
        EventTestEnv env(QDateTime(today, QTime(12, 0)));
        BirthdayEvent e;
        e.setPersonName("Anna");
        e.setPeriod(Period(QDate(1990, 5, 10)));
        e.setOccurrence(Occurrence(e.birthDate(), IOccurrence::Yearly));
        QVERIFY2(e.text(true).endsWith(QLatin1String(" Anna's 36th birthday")), qPrintable(e.text(true)));
        // The text without its when-part is parsed without a day count, so it names no age.
        QCOMPARE(e.text(false), QStringLiteral(" Anna's birthday"));
    }

    void birthdayLegacyMaps()
    {
        EventTestEnv env;
        BirthdayEvent v1;
        QVariantMap base{
            {"version", 5}, {"caption", "Anna's {AGE} birthday"}, {"date", "1850-07-04"}, {"occurrence", 3}};
        v1.loadFromVariant(QVariantMap{{"version", 1}, {"abstract", base}, {"relation", "sister"}});
        QCOMPARE(v1.personName(), QStringLiteral("Anna"));
        QCOMPARE(v1.comment(), QStringLiteral("sister"));
        QCOMPARE(v1.genderId(), 0);
        QCOMPARE(v1.birthDate(), QDate(1852, 7, 4));
        QCOMPARE(v1.occurrence().type(), IOccurrence::Yearly);

        BirthdayEvent noVersion;
        noVersion.loadFromVariant(QVariantMap{{"abstract", base}});
        QCOMPARE(noVersion.birthDate(), QDate(1852, 7, 4));
        QCOMPARE(noVersion.personName(), QString());
    }

    void birthdaySettersThatChangeNothingEmitNothing()
    {
        EventTestEnv env;
        BirthdayEvent e;
        e.setPersonName("Anna");
        QSignalSpy data(&e, &AbstractCommonEvent::dataChanged);
        e.setCaption("ignored");
        e.setGenderId(0);
        e.setPersonName("Anna");
        QCOMPARE(data.count(), 0);
        QCOMPARE(e.caption(), QStringLiteral("Anna's birthday"));
    }

    // ---- wedding

    void weddingTexts_data()
    {
        QTest::addColumn<QDate>("wedding");
        QTest::addColumn<QString>("two");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("anniversary") << QDate(2000, 5, 20) << "Ben"
                                     << "Anna and Ben's anniversary"
                                     << "71 days till Anna and Ben's 26th anniversary";
        QTest::newRow("ahead") << QDate(2026, 3, 12) << "Ben"
                               << "Anna and Ben's wedding day"
                               << "2 days till Anna and Ben's wedding day";
        QTest::newRow("one person") << QDate(2026, 3, 12) << ""
                                    << "Anna's wedding day"
                                    << "2 days till Anna's wedding day";
        QTest::newRow("first anniversary") << QDate(2025, 3, 10) << "Ben"
                                           << "Anna and Ben's anniversary"
                                           << "Today is Anna and Ben's 1st anniversary";
        QTest::newRow("eleventh") << QDate(2015, 3, 11) << "Ben"
                                  << "Anna and Ben's anniversary"
                                  << "Tomorrow is Anna and Ben's 11th anniversary";
    }
    void weddingTexts()
    {
        QFETCH(QDate, wedding);
        QFETCH(QString, two);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        EventTestEnv env;
        WeddingEvent e;
        e.setPersonOneName("Anna");
        e.setPersonTwoName(two);
        e.setPeriod(Period(wedding));
        e.setOccurrence(Occurrence(wedding, IOccurrence::Yearly));
        QCOMPARE(e.caption(), caption);
        QCOMPARE(e.text(true), text);
    }

    void weddingOfCustomTypeKeepsWeddingDayWords()
    {
        TestHelpers::expectFailedChecks();
        EventTestEnv env;
        WeddingEvent e;
        e.setPersonOneName("Anna");
        e.setPeriod(Period(QDate(2000, 5, 20)));
        CustomTypeInfo info;
        info.id = "t";
        info.baseType = EventTypeWedding;
        info.defaultValues.insert("1prefixField", QString());
        info.defaultValues.insert("2postfixField", "-Day");
        info.defaultValues.insert("remindEveryYearField", false);
        e.setCustomTypeMetaInfo(info);
        QCOMPARE(e.caption(), QStringLiteral("Anna-Day"));
        QCOMPARE(e.occurrence().type(), IOccurrence::Once);
        QStringList names, values;
        e.infoRows(names, values, false);
        QCOMPARE(names, QStringList{"Wedding:"}); // the record hides the comment
        e.setCaption("x");
        QVERIFY(logBuffer().contains("shouldn't be used"));
    }

    // ---- appointment

    void reminderTimes_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<Period>("period");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("days");
        QTest::addColumn<QDateTime>("reminder");
        const QDate d(2026, 3, 10);
        QTest::newRow("ahead") << QDateTime(d, QTime(9, 30)) << Period(d, QTime(10, 0)) << 0 << 15 << 0
                               << QDateTime(d, QTime(9, 45));
        QTest::newRow("passed") << QDateTime(d, QTime(9, 50)) << Period(d, QTime(10, 0)) << 0 << 15 << 0 << QDateTime();
        QTest::newRow("counted from the begin, not the end")
            << QDateTime(d, QTime(9, 0)) << Period(QDateTime(d, QTime(10, 0)), QDateTime(d, QTime(11, 0))) << 0 << 15
            << 0 << QDateTime(d, QTime(9, 45));
        QTest::newRow("just after midnight lands the evening before")
            << QDateTime(d, QTime(20, 0)) << Period(d.addDays(1), QTime(0, 10)) << 0 << 15 << 0
            << QDateTime(d, QTime(23, 55));
        QTest::newRow("after midnight never after the event")
            << QDateTime(d.addDays(1), QTime(0, 0)) << Period(d.addDays(1), QTime(0, 10)) << 0 << 15 << 0
            << QDateTime();
        QTest::newRow("daily: tomorrow's when today's passed") << QDateTime(d, QTime(9, 50)) << Period(d, QTime(10, 0))
                                                               << 1 << 15 << 0 << QDateTime(d.addDays(1), QTime(9, 45));
        QTest::newRow("daily just after midnight, reminder before it")
            << QDateTime(d, QTime(23, 0)) << Period(d, QTime(0, 10)) << 1 << 15 << 0 << QDateTime(d, QTime(23, 55));
        QTest::newRow("all day, two days ahead")
            << QDateTime(QDate(2026, 3, 17), QTime(8, 0)) << Period(QDate(2026, 3, 20)) << 0 << 15 << 2
            << QDateTime(QDate(2026, 3, 18), QTime(9, 0));
        QTest::newRow("all day, same day") << QDateTime(QDate(2026, 3, 17), QTime(8, 0)) << Period(QDate(2026, 3, 20))
                                           << 0 << 15 << 0 << QDateTime(QDate(2026, 3, 20), QTime(9, 0));
        QTest::newRow("all day, notice passed")
            << QDateTime(QDate(2026, 3, 19), QTime(8, 0)) << Period(QDate(2026, 3, 20)) << 0 << 15 << 2 << QDateTime();
        QTest::newRow("weekly all day, next week's notice")
            << QDateTime(QDate(2026, 3, 19), QTime(8, 0)) << Period(QDate(2026, 3, 13)) << 2 << 15 << 2
            << QDateTime(QDate(2026, 3, 25), QTime(9, 0));
    }
    void reminderTimes()
    {
        QFETCH(QDateTime, now);
        QFETCH(Period, period);
        QFETCH(int, occurrence);
        QFETCH(int, minutes);
        QFETCH(int, days);
        QFETCH(QDateTime, reminder);
        EventTestEnv env(now);
        NotSpecifiedEvent e;
        e.setPeriod(period);
        e.setOccurrence(Occurrence(period.beginDate(), IOccurrence::Type(occurrence)));
        e.setNotifyMinutes(minutes);
        e.setNotifyDays(days);
        QCOMPARE(e.reminderDateTime(), reminder);
        e.setReminderEnabled(false);
        QCOMPARE(e.reminderDateTime(), QDateTime());
    }

    void reminderOfATimeSkippedByDaylightSaving()
    {
        TestHelpers::ScopedTimeZone zone("Europe/Berlin");
        EventTestEnv env(QDateTime(QDate(2026, 3, 28), QTime(12, 0)));
        NotSpecifiedEvent e;
        e.setPeriod(Period(QDate(2026, 3, 29), QTime(2, 30)));
        e.setNotifyMinutes(15);
        QCOMPARE(e.reminderDateTime(), QDateTime(QDate(2026, 3, 29), QTime(3, 15)));
    }

    void appointmentSwitchesFollowSettings()
    {
        EventTestEnv env;
        env.properties->setValue("showAppointmentInMovingLine", false);
        NotSpecifiedEvent e;
        QVERIFY(!e.isMovingLineEnabled());
        HolidayEvent other;
        QVERIFY(other.isMovingLineEnabled());
        QCOMPARE(other.reminderDateTime(), QDateTime());
        QCOMPARE(other.soundPath(), QString());
    }

    void appointmentCaptionWithCustomWords()
    {
        EventTestEnv env;
        NotSpecifiedEvent e;
        e.setCaption("Meeting");
        CustomTypeInfo info;
        info.id = "t";
        info.defaultValues.insert("1prefixField", "Team");
        info.defaultValues.insert("2postfixField", "-call");
        e.setCustomTypeMetaInfo(info);
        QCOMPARE(e.caption(), QStringLiteral("Team Meeting-call"));
        info.defaultValues.insert("1prefixField", QString());
        e.setCustomTypeMetaInfo(info);
        QCOMPARE(e.caption(), QStringLiteral("Meeting-call"));
    }

    void customTypeDefaultsShapeThePeriod_data()
    {
        QTest::addColumn<Period>("before");
        QTest::addColumn<QVariant>("periodOn");
        QTest::addColumn<QVariant>("timeOn");
        QTest::addColumn<Period>("after");
        const QDate d(2026, 3, 12);
        QTest::newRow("span and time on")
            << Period(d) << QVariant(true) << QVariant(true) << Period(d, QTime(12, 0), d.addDays(1), QTime(12, 0));
        QTest::newRow("span on, timed") << Period(d, QTime(9, 0)) << QVariant(true) << QVariant(true)
                                        << Period(d, QTime(9, 0), d.addDays(1), QTime(9, 0));
        QTest::newRow("both off drop end and times")
            << Period(d, QTime(9, 0), d.addDays(2), QTime(10, 0)) << QVariant(false) << QVariant(false) << Period(d);
        QTest::newRow("time on only") << Period(d) << QVariant(false) << QVariant(true) << Period(d, QTime(12, 0));
        QTest::newRow("absent keys leave the period")
            << Period(d, QDate(2026, 3, 14)) << QVariant() << QVariant() << Period(d, QDate(2026, 3, 14));
    }
    void customTypeDefaultsShapeThePeriod()
    {
        QFETCH(Period, before);
        QFETCH(QVariant, periodOn);
        QFETCH(QVariant, timeOn);
        QFETCH(Period, after);
        EventTestEnv env;
        NotSpecifiedEvent e;
        e.setPeriod(before);
        // A record as the wizard makes it: defaults only under the description's keys.
        CustomTypeInfo info(EventsFactory::customTypeMetaInfo(EventTypeNotSpecified));
        info.id = "t";
        info.defaultValues.remove("periodValueKey");
        info.defaultValues.remove("timeValueKey");
        if (periodOn.isValid())
            info.defaultValues.insert("periodValueKey", periodOn);
        if (timeOn.isValid())
            info.defaultValues.insert("timeValueKey", timeOn);
        e.setCustomTypeMetaInfo(info);
        QCOMPARE(e.period(), after);
    }

    void appointmentInfoRows()
    {
        EventTestEnv env;
        NotSpecifiedEvent e;
        e.setComment("bring papers");
        QStringList names, values;
        e.infoRows(names, values, false);
        QCOMPARE(names, (QStringList{"Next Occurrence:", "Comment:"}));
        names.clear();
        values.clear();
        e.infoRows(names, values, true);
        QCOMPARE(names, QStringList{"Comment:"});
        e.setLocation("Room 1");
        e.setPeriod(Period(QDate(2026, 3, 10), QDate(2026, 3, 11)));
        names.clear();
        values.clear();
        e.infoRows(names, values, true);
        QCOMPARE(names, (QStringList{"Period:", "Location:", "Comment:"}));
    }

    // ---- task

    void taskMarkDone_data()
    {
        QTest::addColumn<Period>("before");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("extraDays"); // weekday bits added to a weekly rule
        QTest::addColumn<Period>("after");
        QTest::addColumn<bool>("removed");
        QTest::newRow("daily") << Period(QDate(2026, 3, 10)) << 1 << 0 << Period(QDate(2026, 3, 11)) << false;
        QTest::newRow("weekly span") << Period(QDate(2026, 3, 10), QDate(2026, 3, 12)) << 2 << 0
                                     << Period(QDate(2026, 3, 17), QDate(2026, 3, 19)) << false;
        QTest::newRow("once") << Period(QDate(2026, 3, 10)) << 0 << 0 << Period(QDate(2026, 3, 10)) << true;
        // Monday 9 March 2026, also on Wednesdays.
        QTest::newRow("monday and wednesday")
            << Period(QDate(2026, 3, 9)) << 2 << 4 << Period(QDate(2026, 3, 11)) << false;
    }
    void taskMarkDone()
    {
        QFETCH(Period, before);
        QFETCH(int, occurrence);
        QFETCH(int, extraDays);
        QFETCH(Period, after);
        QFETCH(bool, removed);
        EventTestEnv env;
        TaskEvent e;
        e.setPeriod(before);
        Occurrence rule(before.beginDate(), IOccurrence::Type(occurrence));
        if (extraDays) {
            QVariantMap map = rule.toJson().toMap();
            QVariantMap data = map.value("data").toMap();
            data.insert("data", data.value("data").toInt() | extraDays);
            map.insert("data", data);
            rule.fromJson(map);
        }
        e.setOccurrence(rule);
        const QVariant ruleBefore = e.occurrence().toJson();
        QSignalSpy remove(&e, &AbstractCommonEvent::removeRequired);
        const QList<QAction *> actions = e.contextMenuActions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first()->text(), occurrence == 0 ? QStringLiteral("Mark as Completed and Remove")
                                                          : QStringLiteral("Mark as Completed"));
        actions.first()->trigger();
        QCOMPARE(remove.count(), removed ? 1 : 0);
        QCOMPARE(e.period(), after);
        if (extraDays) {
            // The chosen weekdays survive the move, so the next completion goes back to Monday.
            QCOMPARE(e.occurrence().toJson(), ruleBefore);
            e.markDone();
            QCOMPARE(e.period(), Period(QDate(2026, 3, 16)));
        }
    }

    void taskWithEndedRuleIsRemoved()
    {
        EventTestEnv env;
        TaskEvent e;
        e.setPeriod(Period(QDate(2026, 3, 10)));
        Occurrence rule(QDate(2026, 3, 10), IOccurrence::Daily);
        QVariantMap map = rule.toJson().toMap();
        QVariantMap data = map.value("data").toMap();
        data.insert("endDate", "20260310ThhmmssZ");
        map.insert("data", data);
        rule.fromJson(map);
        e.setOccurrence(rule);
        QSignalSpy remove(&e, &AbstractCommonEvent::removeRequired);
        e.markDone();
        QCOMPARE(remove.count(), 1);
    }

    void taskOfCustomTypeWithoutCompletion()
    {
        EventTestEnv env;
        TaskEvent e;
        e.setPeriod(Period(QDate(2026, 3, 2)));
        e.setOccurrence(Occurrence(QDate(2026, 3, 2), IOccurrence::Weekly));
        QCOMPARE(e.nextPeriod(), Period(QDate(2026, 3, 2))); // stays due until marked
        CustomTypeInfo info(EventsFactory::customTypeMetaInfo(EventTypeTask));
        info.id = "t";
        info.parameters.insert("markAsCompletedRequiredField", false);
        e.setCustomTypeMetaInfo(info);
        QVERIFY(e.contextMenuActions().isEmpty());
        QCOMPARE(e.nextPeriod(), Period(QDate(2026, 3, 16)));
        QCOMPARE(e.formattedDays(-1), QString());
        QCOMPARE(e.formattedDays(0), QStringLiteral("Today is"));
    }

    void otherKindsOfferNoActions()
    {
        EventTestEnv env;
        for (int kind = 0; kind <= 3; ++kind)
            QVERIFY(EventsFactory::createEvent(kind)->contextMenuActions().isEmpty());
    }

    // ---- factory

    void factoryKnowsTheFiveKinds()
    {
        EventTestEnv env;
        const QStringList names{"Appointment", "Birthday", "Wedding Day", "Holiday", "Task"};
        const QList<QByteArray> ids{"notSpecified", "birthday", "wedding", "holiday", "task"};
        for (int kind = 0; kind <= 4; ++kind) {
            QCOMPARE(EventsFactory::eventName(kind), names.at(kind));
            QCOMPARE(EventsFactory::textId(kind), ids.at(kind));
            QCOMPARE(EventsFactory::createEvent(kind)->textId(), ids.at(kind));
            QCOMPARE(EventsFactory::typeIdFromTextId(ids.at(kind)), QByteArray::number(kind));
            QVERIFY(!EventsFactory::eventIcon(kind).isNull());
            QVERIFY(!EventsFactory::eventPicture(kind).isNull());
            QVERIFY(!EventsFactory::customTypeMetaInfo(kind).fieldsVisibility.isEmpty());
        }
        QCOMPARE(EventsFactory::typeIdFromTextId("Task"), QByteArray("Task"));
        QCOMPARE(EventsFactory::typeIdFromTextId(""), QByteArray(""));
        AbstractCommonEventPtr a = EventsFactory::createEvent(2), b = EventsFactory::createEvent(2);
        QVERIFY(a->id() != b->id());
    }

    // Each kind's pictures and custom-type fields; "+" shown, "=" default value, "!" parameter.
    void kindTable_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("icons");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("corner");
        QTest::addColumn<bool>("defaultPhoto");
        QTest::addColumn<QString>("fields");
        const QString p = QStringLiteral(":/Ostrevalder/icons/");
        QTest::newRow("appointment")
            << 0 << QStringList{p + "notspec/notspec16.png", p + "notspec/notspec24.png", p + "notspec/notspec32.png"}
            << p + "notspec/notspec32.png" << p + "notspec/notspec128.png" << QString() << true
            << "1prefixField=:Prefix words|2postfixField=:Postfix words|commentField+:Comment|locationField+:Location|"
               "periodBoxField+:Allow changing period availability|periodValueKey=false:Period controls|"
               "recurrenceField+:Recurrence|timeBoxField+:Allow changing time availability|"
               "timeValueKey=false:Time controls";
        QTest::newRow("birthday") << 1
                                  << QStringList{p + "birthday/cake_16.png", p + "birthday/cake_24.png",
                                                 p + "birthday/cake_48.png", p + "birthday/cake_128.png"}
                                  << p + "birthday/cake_16.png" << p + "gender/male_128.png"
                                  << p + "birthday/cake_48.png" << true
                                  << "1prefixField=:Prefix words|2postfixField='s {AGE} birthday:Postfix words|"
                                     "commentField+:Comment|genderField+:Gender|yearField+:Year/Age";
        QTest::newRow("wedding")
            << 2 << QStringList{p + "wedding/rings_16.png", p + "wedding/rings_24.png", p + "wedding/rings_48.png"}
            << p + "wedding/rings_16.png" << p + "wedding/rings_128.png" << p + "wedding/rings_48.png" << false
            << "1prefixField=:Prefix words|2postfixField='s wedding day:Postfix words|commentField+:Comment|"
               "remindEveryYearField+=true:Remind every year";
        QTest::newRow("holiday") << 3
                                 << QStringList{p + "holiday/balloons_16.png", p + "holiday/balloons_24.png",
                                                p + "holiday/balloons_48.png"}
                                 << p + "holiday/balloons_16.png" << p + "holiday/balloons_128.png"
                                 << p + "holiday/balloons_48.png" << false
                                 << "commentField+:Comment|recurrenceKey+:Recurrence";
        QTest::newRow("task") << 4
                              << QStringList{p + "task/clock_16.png", p + "task/clock_24.png", p + "task/clock_48.png"}
                              << p + "task/clock_16.png" << p + "task/clock_128.png" << QString() << true
                              << "commentField+:Comment|markAsCompletedRequiredField!true:Is it required to click "
                                 "'Mark as Completed' when task is done?|periodBoxField+:Allow changing period "
                                 "availability|recurrenceField+:Recurrence|startDateField=false:Period controls";
    }
    void kindTable()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, icons);
        QFETCH(QString, listed);
        QFETCH(QString, picture);
        QFETCH(QString, corner);
        QFETCH(bool, defaultPhoto);
        QFETCH(QString, fields);
        EventTestEnv env;
        const auto argb = [](const QImage &image) {
            return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        const auto file = [&](const QString &path) { return path.isEmpty() ? QImage() : argb(QImage(path)); };
        const QIcon small = EventsFactory::eventIcon(kind);
        QCOMPARE(small.availableSizes().size(), icons.size());
        for (const QString &path : icons)
            QCOMPARE(argb(small.pixmap(QImage(path).size()).toImage()), file(path));
        const AbstractCommonEventPtr e = EventsFactory::createEvent(kind);
        QCOMPARE(argb(e->pixmap().toImage()), file(listed));
        QCOMPARE(argb(e->icon().pixmap(128).toImage()), file(picture));
        QCOMPARE(argb(EventsFactory::eventPicture(kind).pixmap(128).toImage()), file(picture));
        QCOMPARE(argb(e->largePixmap().toImage()), file(corner));
        QCOMPARE(e->hasDefaultPhoto(), defaultPhoto);
        const CustomTypeMetaInfo meta = EventsFactory::customTypeMetaInfo(kind);
        QStringList described;
        for (auto it = meta.fieldNames.cbegin(); it != meta.fieldNames.cend(); ++it) {
            QString row = QString::fromLatin1(it.key()) + (meta.fieldsVisibility.value(it.key()) ? "+" : "");
            if (meta.defaultValues.contains(it.key()))
                row += "=" + meta.defaultValues.value(it.key()).toString();
            if (meta.parameters.contains(it.key()))
                row += "!" + meta.parameters.value(it.key()).toString();
            described << row + ":" + it.value();
        }
        QCOMPARE(described.join('|'), fields);
        const CustomTypeInfo info = e->defaultCustomTypeMetaInfo();
        QCOMPARE(info.fieldsVisibility, meta.fieldsVisibility);
        QCOMPARE(info.defaultValues, meta.defaultValues);
        QCOMPARE(info.parameters.isEmpty(), kind != EventTypeTask);
    }

    void factoryRefusesUnknownKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("5") << 5;
        QTest::newRow("-1") << -1;
    }
    void factoryRefusesUnknownKinds()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(int, kind);
        EventTestEnv env;
        QVERIFY(!EventsFactory::createEvent(kind));
        QVERIFY(logBuffer().contains("ASSERT"));
        QVERIFY(EventsFactory::eventName(kind).isEmpty());
        QVERIFY(EventsFactory::eventIcon(kind).isNull());
        QVERIFY(EventsFactory::textId(kind).isEmpty());
    }

    void customTypeIconFallsBackToTheKind()
    {
        EventTestEnv env;
        CustomTypeInfo info;
        info.id = "x";
        info.baseType = EventTypeHoliday;
        QCOMPARE(EventsFactory::customTypeIcon(info).cacheKey(), EventsFactory::eventIcon(EventTypeHoliday).cacheKey());
        QPixmap green(20, 20);
        green.fill(Qt::green);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        green.save(&buffer, "PNG");
        buffer.close();
        QVERIFY(env.storage->write(info.photoId(), &buffer));
        const QIcon stored = EventsFactory::customTypeIcon(info);
        QCOMPARE(stored.pixmap(20, 20).toImage().pixelColor(3, 3), QColor(Qt::green));
    }
};

QTEST_MAIN(TestEventKinds)
#include "tst_eventkinds.moc"
