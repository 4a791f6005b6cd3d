#include "app/remindercontroller.h"
#include "core/clock.h"
#include "events/notspecifiedevent.h"
#include "fakeapplication.h"
#include "fakewallclocktimer.h"
#include "platform/timezonewatcher.h"
#include "reminderrulemodel.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"

#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QDate s_day(2026, 3, 10);
const QDate s_springEve(2027, 3, 13); // New York's clocks go forward the next night

QDateTime at(const QString &time, int dayOffset = 0)
{
    return QDateTime(s_day.addDays(dayOffset), QTime::fromString(time, time.size() > 5 ? "hh:mm:ss" : "hh:mm"));
}

// An appointment whose reminder is the next moment the wall clock reads its time, as local-time
// conversions may answer in the hour repeated when daylight saving ends (which of the two they
// pick depends on the C library's last conversion).
class WallReadingEvent : public NotSpecifiedEvent
{
public:
    explicit WallReadingEvent(const QDateTime &reading) : m_reading(reading)
    {
        setCaption("night");
        setPeriod(Period(reading));
        setNotifyMinutes(0);
        setReminderEnabled(true);
    }

    QDateTime reminderUtcAfter(const QDateTime &now, qint64 nowMs) const override
    {
        for (int offset : {7200, 3600}) {
            const QDateTime moment =
                QDateTime(m_reading.date(), m_reading.time(), Qt::OffsetFromUTC, offset).toLocalTime();
            if (moment.time() == m_reading.time() && moment > now)
                return moment.toUTC();
        }
        return NotSpecifiedEvent::reminderUtcAfter(now, nowMs);
    }

private:
    QDateTime m_reading;
};

// Without a reminder; each answer takes the clock on, as many events do in a long rebuild.
class SlowEvent : public NotSpecifiedEvent
{
public:
    QDateTime reminderUtcAfter(const QDateTime &now, qint64 nowMs) const override
    {
        Common::Clock::advance(m_secs * 1000);
        return NotSpecifiedEvent::reminderUtcAfter(now, nowMs);
    }
    int m_secs = 0;
};

} // namespace

class TestReminderController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<EventsManager> m_manager;
    std::unique_ptr<ReminderController> m_controller;
    QStringList m_shown;
    QList<QDateTime> m_shownAt; // UTC

    // An appointment reminded of at `time` (no notice ahead).
    AbstractCommonEventPtr addAppointment(const QString &caption, const QDateTime &time)
    {
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption(caption);
        event->setPeriod(Period(time));
        event->setNotifyMinutes(0);
        event->setReminderEnabled(true);
        m_manager->addEvent(event);
        return event;
    }

    void start()
    {
        m_controller = std::make_unique<ReminderController>(nullptr, [this](const AbstractCommonEventPtr &event) {
            m_shown << event->caption();
            m_shownAt << Common::Clock::nowUtc();
        });
    }

    static FakeWallClockTimer *timer() { return static_cast<FakeWallClockTimer *>(ReminderController::updateTimer()); }

    // Moves the pinned clock on while awake; each wake-up that falls within fires on its time.
    void advanceTo(const QDateTime &time)
    {
        // Bounded: a controller that keeps waking at the same moment fails rather than hangs.
        for (int n = 0; n < 10000 && timer()->isActive() && m_controller->wakeTime() <= time; ++n) {
            Common::Clock::pin(std::max(m_controller->wakeTime(), Common::Clock::now()));
            timer()->fireNow();
        }
        Common::Clock::pin(time);
    }

    // The clock moves at once (a sleep, a set clock); the timer notices as the real one does.
    void jumpTo(const QDateTime &time)
    {
        Common::Clock::pin(time);
        timer()->clockJumped();
    }

    // The system zone as a link the watcher follows, the controller hearing of its changes and reading it at wakes.
    QString m_zoneFile;
    std::unique_ptr<TimeZoneWatcher> m_watcher;
    void moveTo(const QByteArray &zone)
    {
        QFile::remove(m_zoneFile);
        QVERIFY(QFile::link("/usr/share/zoneinfo/" + zone, m_zoneFile));
    }
    void pinZone(const QByteArray &zone)
    {
        qunsetenv("TZ");
        m_zoneFile = m_dir->filePath("localtime");
        moveTo(zone);
        TimeZoneWatcher::pinSystemZone(m_zoneFile);
        m_watcher = std::make_unique<TimeZoneWatcher>(m_zoneFile);
    }
    void startFollowing()
    {
        start();
        connect(m_watcher.get(), &TimeZoneWatcher::zoneChanged, m_controller.get(), &ReminderController::recompute);
        connect(m_controller.get(), &ReminderController::waking, m_watcher.get(), &TimeZoneWatcher::checkZone);
    }
    AbstractCommonEventPtr addReminder(const QString &caption, const QDateTime &time, bool daily, int notice)
    {
        AbstractCommonEventPtr event = addAppointment(caption, time);
        static_cast<NotSpecifiedEvent &>(*event).setNotifyMinutes(notice);
        if (daily)
            event->setOccurrence(Occurrence(time.date(), IOccurrence::Daily));
        return event;
    }

    QList<QDateTime> keys() const { return m_controller->reminders().keys(); }

    QVariantList stored() const { return m_app->settingsValue("reminder", QVariant()).toList(); }

    static QVariantMap storedEntry(const QDateTime &date, const QByteArray &id, bool snoozed)
    {
        QVariantMap entry{{"version", 1}, {"date", date}, {"eventId", id}, {"snoozed", snoozed}};
        if (!snoozed && date.isValid()) // an event's, with the wall clock's reading here
            entry.insert("reading", QDateTime(date.date(), date.time(), Qt::UTC));
        return entry;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<FakeApplication>();
        Common::Clock::pin(at("09:30"));
        m_manager = std::make_unique<EventsManager>(m_dir->filePath("events.dat"));
        m_app->m_eventsManager = m_manager.get();
        m_shown.clear();
        m_shownAt.clear();
    }

    void cleanup()
    {
        m_controller.reset();
        m_watcher.reset();
        m_manager.reset();
        m_app.reset();
        Common::Clock::unpin();
    }

    void wakesAQuarterMinuteAfterTheReminder()
    {
        addAppointment("a", at("10:00"));
        start();
        QCOMPARE(m_controller->wakeTime(), at("10:00:15"));
        advanceTo(at("10:00:14"));
        QVERIFY(m_shown.isEmpty());
        advanceTo(at("10:00:15"));
        QCOMPARE(m_shown, QStringList{"a"});
        QVERIFY(keys().isEmpty());
        QCOMPARE(m_controller->wakeTime(), at("00:00:01", 1));
        advanceTo(at("10:30"));
        QCOMPARE(m_shown, QStringList{"a"});
        // Remembered while its minute can come again, not all day: a clock set back later shows it again.
        for (const char *lookAt : {"12:00", "14:00"}) {
            jumpTo(at(lookAt));
            jumpTo(at("09:59"));
            advanceTo(at("10:00:15"));
        }
        QCOMPARE(m_shown, (QStringList{"a", "a"}));
    }

    // The events manager speaks between the reminder's minute and the wake-up.
    void keepsADueReminderThroughRebuilds_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("edit of another event") << "edit";
        QTest::newRow("event added") << "add";
        QTest::newRow("another event removed") << "remove";
        QTest::newRow("layout change") << "layout";
    }

    void keepsADueReminderThroughRebuilds()
    {
        QFETCH(QString, change);
        addAppointment("a", at("10:00"));
        AbstractCommonEventPtr other = addAppointment("other", at("12:00"));
        start();
        advanceTo(at("10:00:05"));
        if (change == "edit")
            other->setComment("moved");
        else if (change == "add")
            addAppointment("new", at("13:00"));
        else if (change == "remove")
            m_manager->removeEvent(other);
        else
            emit m_manager->layoutChanged();
        QCOMPARE(m_controller->wakeTime(), at("10:00:15"));
        advanceTo(at("10:00:15"));
        QCOMPARE(m_shown, QStringList{"a"});
    }

    void showsAReminderWhoseTimeHasSeconds_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("UTC") << QByteArray("UTC");
        QTest::newRow("eve of a skipped day") << QByteArray("XST10XDT-14,J70/0,J300/0"); // 11 March skipped
    }

    void showsAReminderWhoseTimeHasSeconds()
    {
        QFETCH(QByteArray, zone);
        TestHelpers::ScopedTimeZone scopedZone(zone.constData());
        Common::Clock::pin(at("09:30")); // the wall time of this zone, not of the one init() ran in
        addAppointment("imported", at("10:30:30"));
        start();
        QCOMPARE(keys(), QList<QDateTime>{at("10:30")});
        advanceTo(at("10:30:10"));
        m_manager->eventByIndex(0)->setComment("edited");
        QCOMPARE(m_controller->wakeTime(), at("10:30:15"));
        advanceTo(at("10:30:15"));
        QCOMPARE(m_shown, QStringList{"imported"});
        // The event still answers 10:30:30 for a while; its window opened already.
        QVERIFY(keys().isEmpty());
        m_manager->eventByIndex(0)->setComment("edited again");
        QVERIFY(keys().isEmpty());
        advanceTo(at("10:45"));
        QCOMPARE(m_shown, QStringList{"imported"});
    }

    // The clock passes 09:00 while the table is rebuilt: those reminders still open, once.
    void opensWhatFellDueDuringARebuild_data()
    {
        QTest::addColumn<bool>("recomputed"); // as after a change of zone, else the first scheduling
        QTest::addColumn<int>("seconds");
        QTest::newRow("first, into the minute") << false << 10;
        QTest::newRow("recomputed, into the minute") << true << 10;
        QTest::newRow("recomputed, past the wake-up") << true << 30;
    }

    void opensWhatFellDueDuringARebuild()
    {
        QFETCH(bool, recomputed);
        QFETCH(int, seconds);
        Common::Clock::pin(at("08:59:54"));
        auto slow = std::make_shared<SlowEvent>();
        slow->setReminderEnabled(false);
        slow->m_secs = recomputed ? 0 : seconds;
        m_manager->addEvent(slow);
        addAppointment("once", at("09:00"));
        auto daily = addAppointment("daily", at("09:00"));
        daily->setOccurrence(Occurrence(s_day, IOccurrence::Daily));
        start();
        slow->m_secs = seconds;
        if (recomputed)
            m_controller->recompute();
        advanceTo(at("09:05"));
        QCOMPARE(m_shown, (QStringList{"once", "daily"}));
    }

    void opensRemindersOfOneMinuteInListOrder()
    {
        addAppointment("first", at("10:00"));
        addAppointment("second", at("10:00"));
        start();
        advanceTo(at("10:00:15"));
        QCOMPARE(m_shown, (QStringList{"first", "second"}));
    }

    void opensMissedRemindersLatestFirst()
    {
        addAppointment("ten", at("10:00"));
        addAppointment("five past", at("10:05"));
        start();
        // Asleep from 9:59 to 10:07.
        jumpTo(at("10:07"));
        QCOMPARE(m_shown, (QStringList{"five past", "ten"}));
        QVERIFY(keys().isEmpty());
    }

    // A snooze comes back no earlier than chosen, and within the second after.
    void snoozeIsNeverShorterThanChosen_data()
    {
        QTest::addColumn<QDateTime>("chosenAt");
        QTest::addColumn<int>("minutes");
        QTest::newRow("1 min at :21.2") << at("10:00:21").addMSecs(200) << 1;
        QTest::newRow("1 min at :00") << at("10:00") << 1;
        QTest::newRow("5 min at :40.5") << at("10:00:40").addMSecs(500) << 5;
        QTest::newRow("5 min at :59.9") << at("10:00:59").addMSecs(900) << 5;
        QTest::newRow("60 min at :14") << at("10:00:14") << 60;
        QTest::newRow("60 min past midnight") << at("23:30:45") << 60;
    }

    void snoozeIsNeverShorterThanChosen()
    {
        QFETCH(QDateTime, chosenAt);
        QFETCH(int, minutes);
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        start();
        advanceTo(chosenAt);
        const QDateTime chosen = chosenAt.addSecs(minutes * 60);
        m_controller->snooze(event, chosen);
        const QDateTime key = keys().first();
        QVERIFY(m_controller->reminders().value(key).contains(ReminderEntry{event->id(), true}));
        QVERIFY(key >= chosen);
        QVERIFY(key < chosen.addSecs(1));
        advanceTo(chosen.addMSecs(-1));
        QVERIFY(m_shown.isEmpty());
        advanceTo(chosen.addSecs(1));
        QCOMPARE(m_shown, QStringList{"a"});
        QCOMPARE(keys(), QList<QDateTime>{at("09:00", 7)});
    }

    // The wall clock jumps while the program runs (a sleep, a clock set by hand or by the network).
    // Every reminder that fell due in between comes once, latest first so the earliest ends on top.
    void catchesUpWhenTheClockJumps_data()
    {
        QTest::addColumn<QDateTime>("startAt");
        QTest::addColumn<QList<QDateTime>>("reminders");
        QTest::addColumn<QDateTime>("target");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QDateTime>("nextWake");
        QTest::newRow("forward, same day") << at("10:00") << QList<QDateTime>{at("10:02"), at("13:00")} << at("12:00")
                                           << QStringList{"10:02"} << at("13:00:15");
        QTest::newRow("forward, past midnight") << at("23:55") << QList<QDateTime>{at("23:57")} << at("07:00", 1)
                                                << QStringList{"23:57"} << at("00:00:01", 2);
        QTest::newRow("forward, several days")
            << at("09:30") << QList<QDateTime>{at("10:00"), at("08:00", 1), at("11:00", 2), at("12:00", 4)}
            << at("11:30", 3) << QStringList{"11:00", "08:00", "10:00"} << at("00:00:01", 4);
        QTest::newRow("forward, nothing due")
            << at("09:30") << QList<QDateTime>{at("14:00")} << at("12:00") << QStringList() << at("14:00:15");
        QTest::newRow("backward") << at("09:30") << QList<QDateTime>{at("10:00")} << at("08:00") << QStringList()
                                  << at("10:00:15");
        QTest::newRow("backward across midnight")
            << at("00:30", 1) << QList<QDateTime>{at("10:00", 1)} << at("23:00") << QStringList() << at("00:00:01", 1);
    }

    void catchesUpWhenTheClockJumps()
    {
        QFETCH(QDateTime, startAt);
        QFETCH(QList<QDateTime>, reminders);
        QFETCH(QDateTime, target);
        QFETCH(QStringList, shown);
        QFETCH(QDateTime, nextWake);
        Common::Clock::pin(startAt);
        for (const QDateTime &time : reminders)
            addAppointment(time.toString("hh:mm"), time);
        start();
        QVERIFY(m_shown.isEmpty());
        jumpTo(target);
        QCOMPARE(m_shown, shown);
        QCOMPARE(m_controller->wakeTime(), nextWake);
        QCOMPARE(timer()->target(), nextWake);
        // Nothing comes twice, neither at the next wake-up nor at another look.
        jumpTo(target.addSecs(1));
        m_manager->eventByIndex(0)->setComment("edited");
        QCOMPARE(m_shown, shown);
    }

    // The editor's import replaces an event by removing it and adding the new one under its id.
    void keepsTheDueReminderOfAReplacedEvent_data()
    {
        QTest::addColumn<bool>("addedBack");
        QTest::newRow("replaced") << true;
        QTest::newRow("removed") << false;
    }

    void keepsTheDueReminderOfAReplacedEvent()
    {
        QFETCH(bool, addedBack);
        auto daily = [](const QString &caption) {
            auto event = std::make_shared<NotSpecifiedEvent>(QByteArray("{daily}"));
            event->setCaption(caption);
            event->setPeriod(Period(at("10:00")));
            event->setOccurrence(Occurrence(s_day, IOccurrence::Daily));
            event->setNotifyMinutes(0);
            event->setReminderEnabled(true);
            return event;
        };
        m_manager->addEvent(daily("old"));
        start();
        advanceTo(at("10:00:05"));
        m_manager->removeEvents({m_manager->eventById("{daily}")});
        if (addedBack)
            m_manager->addEvents({daily("new")});
        advanceTo(at("10:00:15"));
        QCOMPARE(m_shown, addedBack ? QStringList{"new"} : QStringList());
        advanceTo(at("10:30"));
        QCOMPARE(m_shown.count(), addedBack ? 1 : 0);
    }

    // Daylight saving under a zone that has it; the program runs through the change.
    void remindsOnceThroughADaylightSavingChange_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("hour"); // of the reminder at half past, on the wall clock
        QTest::addColumn<bool>("daily");
        QTest::addColumn<qint64>("firstUtcHour"); // the reminder's instant, hours after the day's 00:00 UTC
        QTest::newRow("autumn, repeated hour")
            << QByteArray("Europe/Berlin") << QDate(2027, 10, 31) << 2 << false << qint64(0);
        QTest::newRow("spring, skipped hour")
            << QByteArray("Europe/Berlin") << QDate(2027, 3, 28) << 2 << false << qint64(1);
        // From 22:59:59 to 00:00 that evening: its 23:30 comes at 00:30 of the next day.
        QTest::newRow("gap across midnight")
            << QByteArray("America/Nuuk") << QDate(2026, 3, 28) << 23 << true << qint64(25);
    }

    void remindsOnceThroughADaylightSavingChange()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, day);
        QFETCH(int, hour);
        QFETCH(bool, daily);
        QFETCH(qint64, firstUtcHour);
        TestHelpers::ScopedTimeZone scopedZone(zone.constData());
        const QDateTime dayUtc(day, QTime(0, 0), Qt::UTC);
        Common::Clock::pin(QDateTime(day.addDays(-1), QTime(22, 0)));
        auto event = std::make_shared<WallReadingEvent>(QDateTime(day, QTime(hour, 30)));
        if (daily)
            event->setOccurrence(Occurrence(day, IOccurrence::Daily));
        m_manager->addEvent(event);
        start();
        // Minute by minute through the night, with a rebuild at each step as any edit gives.
        for (QDateTime t = dayUtc; t < dayUtc.addSecs(27 * 3600); t = t.addSecs(60)) {
            advanceTo(t.toLocalTime());
            emit m_manager->layoutChanged();
        }
        QCOMPARE(m_shown, QStringList{"night"});
        QCOMPARE(m_shownAt, QList<QDateTime>{dayUtc.addSecs(firstUtcHour * 3600 + 30 * 60 + 15)});
    }

    void restoresSnoozesOnALaterDayToo_data()
    {
        QTest::addColumn<int>("restartDay");
        QTest::addColumn<bool>("shown");
        QTest::newRow("same day") << 0 << true;
        QTest::newRow("next day") << 1 << true;
    }

    void restoresSnoozesOnALaterDayToo()
    {
        QFETCH(int, restartDay);
        QFETCH(bool, shown);
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        start();
        advanceTo(at("10:00"));
        m_controller->snooze(event, at("10:10"));
        m_controller.reset();

        Common::Clock::pin(at("10:30", restartDay));
        start();
        QCOMPARE(m_shown, shown ? QStringList{"a"} : QStringList());
        // The event's own reminder a week ahead is answered by the event again; nothing is kept.
        QCOMPARE(stored(), QVariantList());
    }

    void opensRemindersMissedWhileClosedOnTheSameDay_data()
    {
        QTest::addColumn<int>("restartDay");
        QTest::addColumn<bool>("shown");
        QTest::newRow("same day") << 0 << true;
        QTest::newRow("next day") << 1 << false;
    }

    void opensRemindersMissedWhileClosedOnTheSameDay()
    {
        QFETCH(int, restartDay);
        QFETCH(bool, shown);
        addAppointment("a", at("10:00"));
        start();
        m_controller.reset();

        Common::Clock::pin(at("10:20", restartDay));
        start();
        QCOMPARE(m_shown, shown ? QStringList{"a"} : QStringList());
        QCOMPARE(stored(), QVariantList());
    }

    // A restart at any moment of the day goes on as the program would have: the same windows, in
    // the same order.
    void goesOnAfterARestartAsWithout_data()
    {
        QTest::addColumn<QDateTime>("restartAt");
        QTest::newRow("before the reminders") << at("09:45");
        QTest::newRow("due, window not yet open") << at("10:00:05");
        QTest::newRow("while snoozed") << at("10:05");
        QTest::newRow("snoozed past midnight") << at("23:58");
    }

    void goesOnAfterARestartAsWithout()
    {
        QFETCH(QDateTime, restartAt);
        QStringList withoutRestart;
        for (bool restart : {false, true}) {
            cleanup();
            init();
            addAppointment("ten", at("10:00"));
            addAppointment("noon", at("12:00"));
            AbstractCommonEventPtr late = addAppointment("late", at("23:50"));
            addAppointment("tomorrow", at("08:00", 1));
            start();
            const QList<QPair<QDateTime, int>> snoozes = {{at("10:00:20"), 10}, {at("23:55"), 10}};
            for (const auto &[when, minutes] : snoozes) {
                if (restart && restartAt <= when && restartAt > Common::Clock::now()) {
                    advanceTo(restartAt);
                    m_controller.reset();
                    start();
                }
                advanceTo(when);
                m_controller->snooze(when.time() < QTime(12, 0) ? m_manager->eventByIndex(0) : late,
                                     when.addSecs(minutes * 60));
            }
            if (restart && restartAt > Common::Clock::now()) {
                advanceTo(restartAt);
                m_controller.reset();
                start();
            }
            advanceTo(at("09:00", 1));
            if (!restart)
                withoutRestart = m_shown;
            else
                QCOMPARE(m_shown, withoutRestart);
        }
        QCOMPARE(withoutRestart, (QStringList{"ten", "ten", "noon", "late", "late", "tomorrow"}));
    }

    // Only what a restart needs is written, and only when it changed: rebuilds that leave it alone
    // (edits of other events, a restart, each wake-up of a coming day's reminder) write nothing.
    void writesTheSettingsOnlyWhenTheirPartChanges()
    {
        AbstractCommonEventPtr soon = addAppointment("soon", at("10:00"));
        addAppointment("next week", at("09:00", 7));
        start();
        QCOMPARE(stored(), QVariantList{storedEntry(at("10:00"), soon->id(), false)});
        m_controller.reset();
        m_app->m_settingsWrites.clear();
        start();
        m_manager->eventByIndex(1)->setComment("edited");
        addAppointment("in two days", at("11:00", 2));
        QCOMPARE(m_app->m_settingsWrites, QList<QByteArray>());
        m_controller->snooze(soon, at("10:30"));
        QCOMPARE(m_app->m_settingsWrites.count(), 1);
        QCOMPARE(stored().count(), 2);
        advanceTo(at("10:01")); // a look that opens a window: one write
        QCOMPARE(m_app->m_settingsWrites.mid(1), QList<QByteArray>{"reminder,reminderLastLook,reminderShown"});
    }

    // The INI store keeps an empty list as no value: that must not read as something to write.
    // A first start writes its look alone, once.
    void writesNothingAtAStartWhenNothingIsOrWasStored()
    {
        addAppointment("next week", at("09:00", 7));
        m_app->m_settingsWrites.clear();
        start();
        m_controller.reset();
        start();
        QCOMPARE(m_app->m_settingsWrites, QList<QByteArray>{"reminderLastLook"});
    }

    void storedFormRoundTripsThroughTheIniStore()
    {
        ReminderTable table;
        table[at("10:00")] = {{"{1-a}", false, QDateTime(s_day, QTime(10, 0), Qt::UTC)}, {"{2-b}", true}};
        table[at("00:05", 1)] = {{QByteArray("{3-\xc3\xa9}"), true}};
        m_app->setSettingsValue("reminder", ReminderController::snoozedToVariant(table));
        m_app->settings()->sync();

        QSettings reread(m_app->settings()->fileName(), QSettings::IniFormat);
        const QVariant value = reread.value("reminder");
        const QVariantList list = value.toList();
        QCOMPARE(list.count(), 3);
        const QVariantMap first = list.first().toMap();
        QCOMPARE(first.value("date").typeId(), QMetaType::QDateTime);
        QCOMPARE(first.value("eventId").typeId(), QMetaType::QByteArray);
        QCOMPARE(first.value("snoozed").typeId(), QMetaType::Bool);
        QCOMPARE(first, storedEntry(at("10:00"), "{1-a}", false));
        QCOMPARE(ReminderController::snoozedFromVariant(value), table);
    }

    // A snooze in the first pass of the hour repeated when daylight saving ends reads back there, not an hour later.
    void storedFormKeepsThePassOfARepeatedHour()
    {
        TestHelpers::ScopedTimeZone scopedZone("Europe/Berlin");
        const QDateTime key(QDate(2027, 10, 31), QTime(0, 40), Qt::UTC);
        m_app->setSettingsValue("reminder", ReminderController::snoozedToVariant({{key, {{"{1-a}", true}}}}));
        m_app->settings()->sync();
        // Read from a copy, as a restart reads it: the store answers its own file from what it holds.
        const QString copy = m_dir->filePath("copy.conf");
        QVERIFY(QFile::copy(m_app->settings()->fileName(), copy));
        const QVariant value = QSettings(copy, QSettings::IniFormat).value("reminder");
        QCOMPARE(ReminderController::snoozedFromVariant(value).firstKey(), key);
    }

    void readsAnUnusableStoredValueAsEmpty_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("missing") << QVariant();
        QTest::newRow("text") << QVariant("10:00");
        QTest::newRow("list of texts") << QVariant(QVariantList{"a", "b"});
    }

    void readsAnUnusableStoredValueAsEmpty()
    {
        QFETCH(QVariant, value);
        QVERIFY(ReminderController::snoozedFromVariant(value).isEmpty());
    }

    void dropsStoredEntriesWithoutAValidDate()
    {
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        m_app->setSettingsValue("reminder", QVariantList{storedEntry(QDateTime(), event->id(), true),
                                                         storedEntry(QDateTime(), event->id(), false)});
        start();
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(keys(), QList<QDateTime>{at("09:00", 7)});
    }

    void withoutRemindersStoresNothingAndWakesAfterMidnight()
    {
        m_app->setSettingsValue("reminder", QVariantList{storedEntry(at("08:00"), "{gone}", true)});
        auto birthday = std::make_shared<NotSpecifiedEvent>();
        birthday->setPeriod(Period(at("11:00")));
        birthday->setReminderEnabled(false);
        m_manager->addEvent(birthday);
        start();
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(m_app->settingsValue("reminder", "unset"), QVariant(QVariantList()));
        QCOMPARE(m_controller->wakeTime(), at("00:00:01", 1));
        QCOMPARE(timer()->target(), at("00:00:01", 1));
    }

    void firesADueWakeUpAtTheNextTurnOfTheLoop()
    {
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        start();
        m_controller->snooze(event, at("09:00"));
        QCOMPARE(timer()->target(), at("09:00"));
        QVERIFY(m_shown.isEmpty());
        QSignalSpy fired(timer(), &IWallClockTimer::timeout);
        QVERIFY(fired.wait(2000));
        QCOMPARE(m_shown, QStringList{"a"});
    }

    void dropsTheSnoozeOfARemovedEvent()
    {
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        start();
        m_controller->snooze(event, at("10:00"));
        m_manager->removeEvent(event);
        QVERIFY(keys().contains(at("10:00")));
        advanceTo(at("10:01"));
        QVERIFY(m_shown.isEmpty());
        QVERIFY(keys().isEmpty());

        // A window still open for the removed event snoozes into nothing.
        m_controller->snooze(event, at("10:30"));
        QVERIFY(keys().isEmpty());
        QCOMPARE(stored(), QVariantList());
    }

    void scheduleFollowsTheEventsManager()
    {
        start();
        QCOMPARE(m_controller->wakeTime(), at("00:00:01", 1));
        AbstractCommonEventPtr event = addAppointment("a", at("11:00"));
        QCOMPARE(m_controller->wakeTime(), at("11:00:15"));
        event->setPeriod(Period(at("10:45")));
        QCOMPARE(m_controller->wakeTime(), at("10:45:15"));
        QCOMPARE(stored(), QVariantList{storedEntry(at("10:45"), event->id(), false)});
        static_cast<NotSpecifiedEvent *>(event.get())->setReminderEnabled(false);
        QCOMPARE(m_controller->wakeTime(), at("00:00:01", 1));
        static_cast<NotSpecifiedEvent *>(event.get())->setReminderEnabled(true);
        QCOMPARE(m_controller->wakeTime(), at("10:45:15"));
        m_manager->removeEvent(event);
        QCOMPARE(m_controller->wakeTime(), at("00:00:01", 1));
    }

    void remindsARecurringEventAgainNextDay()
    {
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption("daily");
        event->setPeriod(Period(at("10:00")));
        event->setOccurrence(Occurrence(s_day, IOccurrence::Daily));
        event->setNotifyMinutes(0);
        event->setReminderEnabled(true);
        m_manager->addEvent(event);
        start();
        advanceTo(at("10:00:15"));
        QCOMPARE(m_controller->wakeTime(), at("00:00:01", 1));
        advanceTo(at("10:00:15", 1));
        QCOMPARE(m_shown, (QStringList{"daily", "daily"}));
    }

    // A daily reminder at 09:00, once: past at the start and brought round again by a move west, it opens when
    // a move east passes over it; shown, it stays shown after a move east across midnight.
    void remindsThroughMovesBothWays_data()
    {
        // The zone at the start, half an hour before the first move, then each move's time (UTC) and zone.
        QTest::addColumn<QStringList>("moves");
        QTest::newRow("past at the start, round again")
            << QStringList{"Europe/Berlin", "09:30 America/New_York", "10:30 Europe/Berlin"};
        QTest::newRow("shown, east across midnight")
            << QStringList{"Europe/Berlin", "08:01 Pacific/Honolulu", "11:00 Pacific/Kiritimati"};
        QTest::newRow("due during a slow first start") << QStringList{"Europe/Berlin", "08:31 Europe/Berlin"};
        QTest::newRow("840 min notice, west back across midnight")
            << QStringList{"Australia/Sydney", "08:10 Australia/Sydney", "20:30 America/New_York"};
    }

    void remindsThroughMovesBothWays()
    {
        QFETCH(QStringList, moves);
        TestHelpers::ScopedTimeZone restored("UTC");
        qunsetenv("TZ");
        const QString zoneFile = m_dir->filePath("localtime");
        const auto at = [](const QString &move) {
            return QDateTime(s_springEve, QTime::fromString(move.left(5), "hh:mm"), Qt::UTC).toLocalTime();
        };
        QVERIFY(QFile::link("/usr/share/zoneinfo/" + moves.takeFirst(), zoneFile));
        TimeZoneWatcher::pinSystemZone(zoneFile);
        TimeZoneWatcher watcher(zoneFile);
        Common::Clock::pin(at(moves.first()).addSecs(-1800));
        ReminderController::setProcessStart(Common::Clock::nowUtc().addSecs(-1800)); // a slow start
        addAppointment("daily", QDateTime(s_day, QTime(9, 0)))->setOccurrence(Occurrence(s_day, IOccurrence::Daily));
        static_cast<NotSpecifiedEvent &>(*m_manager->eventByIndex(0)).setNotifyMinutes(atoi(QTest::currentDataTag()));
        start();
        connect(&watcher, &TimeZoneWatcher::zoneChanged, m_controller.get(), &ReminderController::recompute);
        for (const QString &move : moves) {
            advanceTo(at(move));
            QVERIFY(QFile::remove(zoneFile) && QFile::link("/usr/share/zoneinfo/" + move.mid(6), zoneFile));
            watcher.checkZone();
        }
        advanceTo(Common::Clock::now().addSecs(3 * 3600));
        QCOMPARE(m_shown, QStringList{"daily"});
    }

    // The program runs from its first start in the first zone, is closed (killed before it wrote anything, or
    // stopped as a suspend freezes it), the zone moves through the others meanwhile, and it goes on in the last.
    // "|" marks the closure and the start or resume after it; then a day passes.
    void opensEachReadingOnceThroughAClosure_data()
    {
        QTest::addColumn<QStringList>("zones");
        QTest::addColumn<QString>("closure"); // "kill" or "stop", "first start -> closed at -> back at" (wall clocks)
        QTest::addColumn<QStringList>("events"); // "daily hh:mm" or "once yyyy-MM-dd hh:mm"
        QTest::addColumn<QString>("shown");
        const QStringList nightly{"daily 07:00", "once 2027-06-09 02:30"};
        QTest::newRow("killed before any write")
            << QStringList{"Europe/Berlin"} << "kill 2027-06-08 22:00 -> 2027-06-08 23:30 -> 2027-06-09 08:00"
            << nightly << "| daily once | daily";
        QTest::newRow("killed before any write, over a DST night")
            << QStringList{"America/New_York"} << "kill 2027-03-13 22:00 -> 2027-03-13 23:30 -> 2027-03-14 08:00"
            << QStringList{"daily 07:00", "once 2027-03-14 02:30"} << "| daily once | daily";
        QTest::newRow("killed before any write, moved east")
            << QStringList{"Pacific/Honolulu", "Pacific/Chatham"}
            << "kill 2027-06-08 22:00 -> 2027-06-08 23:30 -> 2027-06-10 08:00"
            << QStringList{"daily 07:00", "once 2027-06-10 02:30"} << "| daily once | daily";
        QTest::newRow("killed after a table write, a later day")
            << QStringList{"Pacific/Honolulu", "Pacific/Chatham"}
            << "kill 2027-06-08 22:00 -> 2027-06-09 01:00 -> 2027-06-10 08:00"
            << QStringList{"daily 07:00", "once 2027-06-10 02:30"} << "| daily once | daily";
        QTest::newRow("killed, moved, the time skipped in the first zone")
            << QStringList{"America/New_York", "UTC"} << "kill 2027-03-13 16:21 -> 2027-03-14 00:42 -> 2027-03-14 09:14"
            << QStringList{"daily 02:39"} << "| daily | daily";
        QTest::newRow("stopped, zone moved west")
            << QStringList{"Europe/Berlin", "America/New_York"}
            << "stop 2027-06-09 00:30 -> 2027-06-09 01:26 -> 2027-06-09 04:45"
            << QStringList{"daily 06:28", "daily 09:17", "once 2027-06-09 10:22"} << "| | daily daily once";
        QTest::newRow("killed, reading before the first start, moved twice")
            << QStringList{"Asia/Kathmandu", "Pacific/Chatham", "America/New_York"}
            << "kill 2027-06-09 03:53 -> 2027-06-09 11:37 -> 2027-06-09 14:15" << QStringList{"once 2027-06-09 00:11"}
            << "| |";
    }

    void opensEachReadingOnceThroughAClosure()
    {
        QFETCH(QStringList, zones);
        QFETCH(QString, closure);
        QFETCH(QStringList, events);
        QFETCH(QString, shown);
        TestHelpers::ScopedTimeZone restored("UTC");
        pinZone(zones.first().toLatin1());
        const QStringList times = closure.mid(5).split(" -> ");
        const auto wall = [](const QString &text) { return QDateTime::fromString(text, "yyyy-MM-dd hh:mm"); };
        Common::Clock::pin(wall(times[0]));
        ReminderController::setProcessStart(Common::Clock::nowUtc());
        for (const QString &event : events) {
            const bool daily = event.startsWith("daily");
            addReminder(event.section(' ', 0, 0),
                        daily ? QDateTime(wall(times[0]).date(), QTime::fromString(event.mid(6), "hh:mm"))
                              : wall(event.mid(5)),
                        daily, 0);
        }
        startFollowing();
        advanceTo(wall(times[1]));
        if (closure.startsWith("kill"))
            m_controller.reset();
        for (const QString &zone : zones.mid(1))
            moveTo(zone.toLatin1());
        const QDateTime back(wall(times[2]).date(), wall(times[2]).time(), QTimeZone(zones.last().toLatin1()));
        m_shown << "|";
        if (closure.startsWith("kill")) {
            m_watcher->checkZone();
            Common::Clock::pin(back);
            startFollowing();
        } else {
            jumpTo(back);
        }
        m_shown << "|";
        advanceTo(back.addDays(1));
        QCOMPARE(m_shown.join(' '), shown);
    }

    // Reminders at 09:00; "|" marks the change of zone and 15 s later, when the user moves the one-off to 10:00.
    // A program quit or killed across the change runs from 20 s before it, and starts again after it.
    void remindsOnceThroughAZoneChange_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QTime>("switchAt");
        QTest::addColumn<QString>("shown"); // until 10:00 the next day
        const QByteArray berlin("Europe/Berlin"), kolkata("Asia/Kolkata"), tokyo("Asia/Tokyo");
        QTest::newRow("east, past the minute") << berlin << kolkata << QTime(9, 0, 5) << "| once daily | once daily";
        QTest::newRow("east, before it") << berlin << kolkata << QTime(8, 59, 55) << "| | once daily once daily";
        QTest::newRow("west, shown before") << tokyo << berlin << QTime(8, 59, 50) << "once daily | | once daily";
        const QByteArray newYork("America/New_York"), auckland("Pacific/Auckland");
        QTest::newRow("east, 5 s into the minute") << berlin << kolkata << QTime(13, 30, 5) << "| once daily | daily";
        QTest::newRow("west, 5 s into the minute")
            << berlin << newYork << QTime(4, 0, 5) << "| once daily | once daily";
        QTest::newRow("west, back across midnight")
            << auckland << newYork << QTime(7, 30) << "once daily | | once daily";
        QTest::newRow("east, quit across it") << berlin << kolkata << QTime(9, 0, 20) << "| once daily | once daily";
        QTest::newRow("east, killed across it") << berlin << kolkata << QTime(9, 0, 20) << "| once daily | once daily";
        QTest::newRow("west, killed across it") << tokyo << berlin << QTime(1, 0, 40) << "once daily | | once daily";
        QTest::newRow("west, closed early, back across it")
            << berlin << newYork << QTime(4, 45) << "| | daily once daily";
    }

    // Last: the zone stays pinned, as in the program.
    void remindsOnceThroughAZoneChange()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QTime, switchAt);
        QFETCH(QString, shown);
        const QString tag = QTest::currentDataTag();
        const bool closed = tag.endsWith("across it"); // quit or killed
        TestHelpers::ScopedTimeZone restored("UTC");
        qunsetenv("TZ");
        const QString zoneFile = m_dir->filePath("localtime");
        QVERIFY(QFile::link(QString::fromLatin1("/usr/share/zoneinfo/" + from), zoneFile));
        TimeZoneWatcher::pinSystemZone(zoneFile);
        TimeZoneWatcher watcher(zoneFile);
        const QDateTime switchTime(s_day, switchAt, QTimeZone(to));
        Common::Clock::pin(QDateTime(s_day, QTime(0, 30), QTimeZone(from)));
        AbstractCommonEventPtr once = addAppointment("once", QDateTime(s_day, QTime(9, 0)));
        addAppointment("daily", QDateTime(s_day, QTime(9, 0)))->setOccurrence(Occurrence(s_day, IOccurrence::Daily));
        start();
        connect(&watcher, &TimeZoneWatcher::zoneChanged, m_controller.get(), &ReminderController::recompute);
        if (closed && tag.contains("early")) { // from its first look on
            m_controller.reset();
        } else if (closed) { // started again to run a few seconds
            advanceTo(switchTime.addSecs(-20));
            m_controller.reset();
            start();
        }
        advanceTo(switchTime);
        emit m_manager->layoutChanged(); // an edit hours after what opened
        m_shown << "|";
        if (tag.contains("quit"))
            QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
        if (closed)
            m_controller.reset();
        QVERIFY(QFile::remove(zoneFile) && QFile::link(QString::fromLatin1("/usr/share/zoneinfo/" + to), zoneFile));
        watcher.checkZone();
        if (closed) {
            start();
            connect(&watcher, &TimeZoneWatcher::zoneChanged, m_controller.get(), &ReminderController::recompute);
        }
        advanceTo(switchTime.addSecs(15));
        m_shown << "|";
        once->setPeriod(Period(QDateTime(s_day, QTime(10, 0))));
        advanceTo(QDateTime(s_day.addDays(1), QTime(10, 0)));
        QCOMPARE(m_shown.join(' '), shown);
    }

    // Random trials against the rule; QR_REMINDER_TRIALS and QR_REMINDER_SEED run others.
    void followsTheRuleThroughRandomClosures()
    {
        const int trials =
            qEnvironmentVariableIsSet("QR_REMINDER_TRIALS") ? qEnvironmentVariableIntValue("QR_REMINDER_TRIALS") : 150;
        const quint32 seed = qEnvironmentVariableIsSet("QR_REMINDER_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("QR_REMINDER_SEED"))
                                 : 20270609u;
        QRandomGenerator random(seed);
        const QList<QByteArray> zones{"Asia/Kathmandu", "Pacific/Chatham", "Australia/Adelaide", "America/New_York",
                                      "Europe/Berlin",  "Asia/Kolkata",    "Pacific/Honolulu",   "UTC"};
        const QList<QDate> days{{2027, 3, 12}, {2027, 3, 26}, {2027, 4, 2},   {2027, 6, 8},
                                {2027, 9, 24}, {2027, 10, 1}, {2027, 10, 29}, {2027, 11, 5}};
        const QStringList closures{"quit", "kill", "kill short", "kill after write", "stop"};
        const auto pick = [&](const auto &list) { return list.at(random.bounded(int(list.size()))); };
        const auto minutes = [&](int from, int to) { return qint64(from + random.bounded(to - from)) * 60000; };
        TestHelpers::ScopedTimeZone restored("UTC");
        for (int trial = 0; trial < trials; ++trial) {
            cleanup();
            init();
            ReminderRuleModel::Model model;
            QByteArray zone = pick(zones);
            pinZone(zone);
            const QDate day = pick(days);
            qint64 now = QDateTime(day, QTime(0, 0, 30), QTimeZone(zone)).toMSecsSinceEpoch() + minutes(0, 1440);
            QHash<QString, AbstractCommonEventPtr> events;
            for (int e = 0; e < 3; ++e) {
                const bool daily = random.bounded(2);
                const QDateTime time(day.addDays(daily ? -1 : random.bounded(-1, 3)),
                                     QTime(0, 0).addSecs(60 * random.bounded(1440)));
                model.events.append({QString("e%1").arg(e), daily, time, pick(QList<int>{0, 0, 15, 90})});
                events[model.events.last().caption] =
                    addReminder(model.events.last().caption, time, daily, model.events.last().notice);
            }
            const auto pinAt = [](qint64 ms) { Common::Clock::pin(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)); };
            pinAt(now);
            ReminderController::setProcessStart(Common::Clock::nowUtc());
            startFollowing();
            for (int c = 0; c <= 3; ++c) {
                ReminderRuleModel::Segment segment{zone, now, now + minutes(10, 1200), c < 3 ? pick(closures) : ""};
                const qint64 wake = m_controller->wakeTime().toMSecsSinceEpoch();
                if (segment.closure == "kill short")
                    segment.to = std::min(now + minutes(1, 20), std::max(now, wake - 30000));
                else if (segment.closure == "kill after write" && wake < now + 72000000)
                    segment.to = std::max(now, wake);
                while (now < segment.to) { // running, snoozing some of what opens
                    const qsizetype opened = m_shown.size();
                    now = std::min(segment.to, now + minutes(10, 180));
                    advanceTo(QDateTime::fromMSecsSinceEpoch(now, Qt::UTC));
                    for (const QString &caption : m_shown.mid(opened)) {
                        if (random.bounded(3) == 0) {
                            model.snoozes.append({caption, now + pick(QList<qint64>{5, 45, 300, 900}) * 60000});
                            m_controller->snooze(events[caption],
                                                 QDateTime::fromMSecsSinceEpoch(model.snoozes.last().second));
                        }
                    }
                }
                if (segment.closure == "quit")
                    QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
                if (segment.closure.startsWith("quit") || segment.closure.startsWith("kill"))
                    m_controller.reset();
                for (int moves = 1 + random.bounded(2); moves > 0; --moves)
                    moveTo(zone = pick(zones));
                now = segment.backAt = now + minutes(10, 1800);
                if (segment.closure == "stop") {
                    jumpTo(QDateTime::fromMSecsSinceEpoch(now, Qt::UTC));
                } else if (c < 3) {
                    m_watcher->checkZone();
                    pinAt(now);
                    startFollowing();
                }
                model.segments.append(segment);
            }
            model.compute();
            const qint64 late = 62 * 60000;
            QStringList faults;
            for (qsizetype i = 0; i < m_shown.size(); ++i) {
                if (!model.match(m_shown[i], m_shownAt[i].toMSecsSinceEpoch(), late))
                    faults << "opened early, twice or for nothing: " + m_shown[i] + " at " +
                                  m_shownAt[i].toString(Qt::ISODate);
            }
            for (const ReminderRuleModel::Due &due : std::as_const(model.due)) {
                if (!due.matched && !due.mayDrop && due.at + late <= model.segments.last().to)
                    faults << "lost: " + due.caption + " " + due.reading.toString(Qt::ISODate);
            }
            for (qsizetype i = 0; !faults.isEmpty() && i < m_shown.size(); ++i)
                faults << "window " + m_shown[i] + " at " + m_shownAt[i].toString(Qt::ISODate);
            if (!faults.isEmpty())
                QFAIL(qPrintable(
                    QString("seed %1 trial %2\n%3\n%4").arg(seed).arg(trial).arg(model.describe(), faults.join('\n'))));
        }
    }
};

QTEST_MAIN(TestReminderController)
#include "tst_remindercontroller.moc"
