#include "app/remindercontroller.h"
#include "core/clock.h"
#include "events/notspecifiedevent.h"
#include "fakeapplication.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QDate s_day(2026, 3, 10);

QDateTime at(const QString &time, int dayOffset = 0)
{
    return QDateTime(s_day.addDays(dayOffset), QTime::fromString(time, time.size() > 5 ? "hh:mm:ss" : "hh:mm"));
}

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
        m_controller = std::make_unique<ReminderController>(
            nullptr, [this](const AbstractCommonEventPtr &event) { m_shown << event->caption(); });
    }

    // Moves the pinned clock on; when the wake-up falls within, fires the timer through the event loop.
    void advanceTo(const QDateTime &time)
    {
        QTimer *timer = ReminderController::updateTimer();
        while (timer->isActive() && m_controller->wakeTime() <= time) {
            Common::Clock::pin(m_controller->wakeTime());
            QSignalSpy fired(timer, &QTimer::timeout);
            timer->start(0);
            QVERIFY(fired.wait(2000));
        }
        Common::Clock::pin(time);
    }

    QList<QDateTime> keys() const { return m_controller->reminders().keys(); }

    QVariantList stored() const { return m_app->settingsValue("reminder", QVariant()).toList(); }

    static QVariantMap storedEntry(const QDateTime &date, const QByteArray &id, bool snoozed)
    {
        return {{"version", 1}, {"date", date}, {"eventId", id}, {"snoozed", snoozed}};
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
    }

    void cleanup()
    {
        m_controller.reset();
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

    void showsAReminderWhoseTimeHasSeconds()
    {
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
        // Asleep from 9:59 to 10:07: the timer comes late.
        Common::Clock::pin(at("10:07"));
        QSignalSpy fired(ReminderController::updateTimer(), &QTimer::timeout);
        ReminderController::updateTimer()->start(0);
        QVERIFY(fired.wait(2000));
        QCOMPARE(m_shown, (QStringList{"five past", "ten"}));
        QVERIFY(keys().isEmpty());
    }

    void roundsSnoozeToTheNearestMinute_data()
    {
        QTest::addColumn<QDateTime>("chosenAt");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QDateTime>("key");
        QTest::newRow("40 s rounds up") << at("10:00:40") << 10 << at("10:11");
        QTest::newRow("20 s rounds down") << at("10:00:20") << 10 << at("10:10");
        QTest::newRow("30 s rounds up") << at("10:00:30") << 1 << at("10:02");
        QTest::newRow("past midnight") << at("23:55") << 10 << at("00:05", 1);
    }

    void roundsSnoozeToTheNearestMinute()
    {
        QFETCH(QDateTime, chosenAt);
        QFETCH(int, minutes);
        QFETCH(QDateTime, key);
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        start();
        advanceTo(chosenAt);
        m_controller->snooze(event, chosenAt.addSecs(minutes * 60));
        QVERIFY(m_controller->reminders().value(key).contains(ReminderEntry{event->id(), true}));
        advanceTo(key.addSecs(14));
        QVERIFY(m_shown.isEmpty());
        advanceTo(key.addSecs(15));
        QCOMPARE(m_shown, QStringList{"a"});
        QVERIFY(!m_controller->reminders().contains(key));
    }

    void restoresSnoozesOnlyOnTheSameDay_data()
    {
        QTest::addColumn<int>("restartDay");
        QTest::addColumn<bool>("shown");
        QTest::newRow("same day") << 0 << true;
        QTest::newRow("next day") << 1 << false;
    }

    void restoresSnoozesOnlyOnTheSameDay()
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
        // Only the event's own coming reminder is left.
        QCOMPARE(stored(), QVariantList{storedEntry(at("09:00", 7), event->id(), false)});
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

    void storedFormRoundTripsThroughTheIniStore()
    {
        ReminderTable table;
        table[at("10:00")] = {{"{1-a}", false}, {"{2-b}", true}};
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
        QCOMPARE(ReminderController::updateTimer()->interval(), int(at("09:30").msecsTo(at("00:00:01", 1))));
    }

    void firesADueWakeUpAtTheNextTurnOfTheLoop()
    {
        AbstractCommonEventPtr event = addAppointment("a", at("09:00", 7));
        start();
        m_controller->snooze(event, at("09:00"));
        QCOMPARE(ReminderController::updateTimer()->interval(), 0);
        QVERIFY(m_shown.isEmpty());
        QSignalSpy fired(ReminderController::updateTimer(), &QTimer::timeout);
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
};

QTEST_MAIN(TestReminderController)
#include "tst_remindercontroller.moc"
