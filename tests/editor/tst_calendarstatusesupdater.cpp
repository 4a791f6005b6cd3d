#include "core/log.h"
#include "editor/calendarstatusesupdater.h"
#include "editor/editoreventfiltermodel.h"
#include "editortestenv.h"
#include "store/editorcommands.h"
#include "store/eventsmodel.h"
#include "testhelpers.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Records what the updater hands to the calendar.
struct RecordingTarget : EditorPrivate::StatusesTarget
{
    int viewportYear() const override { return year; }
    void beginUpdate() override { calls << "begin"; }
    void setStatus(const QSet<QDate> &dates, int status) override
    {
        calls << QString("set %1").arg(status);
        marks[status] = dates;
    }
    void clearStatus(int status) override
    {
        calls << QString("clear %1").arg(status);
        marks.remove(status);
    }
    void endUpdate() override { calls << "end"; }

    int year = 2026;
    QStringList calls;
    QHash<int, QSet<QDate>> marks;
};

constexpr int kClock = 1;
constexpr int kTrail = 2;

QSet<QDate> days(std::initializer_list<QDate> list)
{
    return QSet<QDate>(list);
}

} // namespace

class TestCalendarStatusesUpdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void emptyModelClearsAtOnce()
    {
        EditorTestEnv env;
        EventsModel model(env.manager.get());
        RecordingTarget target;
        target.marks[kClock] = days({QDate(2026, 1, 1)});
        EditorPrivate::CalendarStatusesUpdater updater(nullptr, &model, env.manager.get(), &target, 2026, kClock,
                                                       kTrail);
        QSignalSpy finished(&updater, &EditorPrivate::CalendarStatusesUpdater::finished);
        updater.start();
        QVERIFY(updater.isIdle());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(target.calls, (QStringList{"begin", "clear 1", "clear 2", "end"}));
        QVERIFY(target.marks.isEmpty());
    }

    void marksClockAndTrailDays()
    {
        EditorTestEnv env;
        // Monday to Wednesday, weekly: Monday gets the clock, Tuesday and Wednesday the trail.
        env.add(0, "Course", Period(QDate(2026, 3, 2), QDate(2026, 3, 4)), IOccurrence::Weekly);
        // Begins on a trail day of the course: that day shows only the clock.
        env.add(0, "Exam", Period(QDate(2026, 3, 10)));
        // Begins on the last day of the range and runs into the next year.
        env.add(0, "Fest", Period(QDate(2027, 12, 31), QDate(2028, 1, 2)));
        // Begins before the range: its trail inside the range is not considered.
        env.add(0, "Old", Period(QDate(2024, 12, 30), QDate(2025, 1, 2)));
        EventsModel model(env.manager.get());
        RecordingTarget target;
        EditorPrivate::CalendarStatusesUpdater updater(nullptr, &model, env.manager.get(), &target, 2026, kClock,
                                                       kTrail);
        QSignalSpy finished(&updater, &EditorPrivate::CalendarStatusesUpdater::finished);
        updater.setSliceMSecs(0); // one event per tick
        updater.start();
        for (int tick = 0; tick < 4; ++tick)
            updater.step();
        QVERIFY(target.calls.isEmpty()); // still collecting
        updater.step();
        QCOMPARE(target.calls, (QStringList{"begin", "set 1"}));
        QVERIFY(!updater.isIdle());
        updater.step();
        QVERIFY(updater.isIdle());
        QCOMPARE(finished.count(), 2); // start() and the end of the run

        const QSet<QDate> clock = target.marks.value(kClock);
        const QSet<QDate> trail = target.marks.value(kTrail);
        QVERIFY(clock.contains(QDate(2026, 3, 9)));
        QVERIFY(trail.contains(QDate(2026, 3, 11)));
        QVERIFY(clock.contains(QDate(2026, 3, 10)));
        QVERIFY(!trail.contains(QDate(2026, 3, 10)));
        QVERIFY(trail.contains(QDate(2028, 1, 2)));
        QVERIFY(!trail.contains(QDate(2025, 1, 1)));
        QVERIFY(!clock.contains(QDate(2024, 12, 30)));
        QVERIFY(clock.contains(QDate(2027, 12, 31)));
        QVERIFY(!clock.contains(QDate(2028, 1, 4)));
    }

    void nothingInRangeClearsBothMarks()
    {
        EditorTestEnv env;
        env.add(0, "Long ago", Period(QDate(2001, 5, 1)));
        EventsModel model(env.manager.get());
        RecordingTarget target;
        target.marks[kClock] = days({QDate(2026, 2, 2)});
        target.marks[kTrail] = days({QDate(2026, 2, 3)});
        EditorPrivate::CalendarStatusesUpdater updater(nullptr, &model, env.manager.get(), &target, 2026, kClock,
                                                       kTrail);
        updater.start();
        updater.step(); // collects the only event
        updater.step(); // publishes
        QVERIFY(updater.isIdle());
        QVERIFY(target.marks.isEmpty());
        QCOMPARE(target.calls, (QStringList{"begin", "clear 1", "end", "begin", "clear 2", "end"}));
    }

    void runAbortsWhenTheYearChanges()
    {
        EditorTestEnv env;
        env.add(0, "a", Period(QDate(2026, 4, 1)));
        env.add(0, "b", Period(QDate(2026, 4, 2)));
        EventsModel model(env.manager.get());
        RecordingTarget target;
        EditorPrivate::CalendarStatusesUpdater updater(nullptr, &model, env.manager.get(), &target, 2026, kClock,
                                                       kTrail);
        updater.setSliceMSecs(0);
        QSignalSpy finished(&updater, &EditorPrivate::CalendarStatusesUpdater::finished);
        updater.start();
        updater.step();
        Common::clearLogBuffer();
        target.year = 2027;
        updater.step();
        QVERIFY(updater.isIdle());
        QCOMPARE(finished.count(), 2);
        QVERIFY(target.calls.isEmpty());
        QVERIFY(logBuffer().contains("Calendar year has been changed during update"));
    }

    void marksFollowChanges_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("read"); // events whose dates are worked out again
        const char *kinds[] = {"not specified", "birthday", "wedding", "holiday", "task"};
        const QList<QPair<QString, int>> changes{{"add", 1},         {"change", 1},      {"delete", 0},
                                                 {"undo change", 2}, {"undo delete", 1}, {"show", 1}};
        for (int kind = 0; kind < 5; ++kind) {
            for (const auto &[change, read] : changes)
                QTest::addRow("%s, %s", kinds[kind], qPrintable(change)) << kind << change << read;
        }
        QTest::newRow("delete during a run") << 0 << "delete" << -1;
    }

    void marksFollowChanges()
    {
        QFETCH(int, kind);
        QFETCH(QString, change);
        QFETCH(int, read);
        EditorTestEnv env;
        const QByteArray other = env.addCalendar("Other");
        env.add(0, "Course", Period(QDate(2026, 3, 2), QDate(2026, 3, 4)), IOccurrence::Weekly);
        env.add(3, "Exam", Period(QDate(2026, 3, 10)));
        // Thursdays with the trail on Fridays; the Friday of 13 March is marked by the exam's week too.
        AbstractCommonEventPtr event =
            env.add(kind, "Target", Period(QDate(2026, 3, 12), QDate(2026, 3, 13)), IOccurrence::Weekly);
        env.add(2, "Fest", Period(QDate(2026, 3, 13)));
        AbstractCommonEventPtr hidden =
            env.addIn(other, kind, "Hidden", Period(QDate(2026, 6, 1)), IOccurrence::Monthly);
        EventsModel rows(env.manager.get());
        rows.setChangesByRow(true);
        EditorEventFilterModel shown;
        shown.setSourceModel(&rows);
        shown.setCalendarsFilter({env.manager->defaultCalendarId()});
        const auto settle = [&shown, &env](RecordingTarget &target, bool start = true) {
            auto updater = std::make_unique<EditorPrivate::CalendarStatusesUpdater>(nullptr, &shown, env.manager.get(),
                                                                                    &target, 2026, kClock, kTrail);
            if (start)
                updater->start();
            return updater;
        };
        const auto run = [](EditorPrivate::CalendarStatusesUpdater &updater) {
            for (QCoreApplication::sendPostedEvents(); !updater.isIdle(); QCoreApplication::sendPostedEvents())
                updater.step();
        };
        RecordingTarget target;
        auto updater = settle(target);
        run(*updater);
        const QHash<int, QSet<QDate>> initial = target.marks;
        const int before = updater->eventsRead();
        if (read < 0) { // stopped half-way: the run starts again
            updater->setSliceMSecs(0);
            updater->start();
            updater->step();
        }
        SaveEventStateCommand edit(env.manager.get(), event);
        RemoveEventCommand remove(env.manager.get(), event);
        if (change == "add") {
            env.add(kind, "New", Period(QDate(2026, 5, 9), QDate(2026, 5, 10)), IOccurrence::Weekly);
        } else if (change.endsWith("change")) {
            edit.redo();
            event->setPeriod(Period(QDate(2026, 4, 21), QDate(2026, 4, 24)));
        } else if (change.endsWith("delete")) {
            remove.redo();
            event.reset(); // deleted, it is held by no one: its undo makes it anew
        } else {
            hidden->setCalendarId(env.manager->defaultCalendarId());
        }
        run(*updater);
        if (change == "undo change")
            edit.undo();
        else if (change == "undo delete")
            remove.undo();
        run(*updater);

        RecordingTarget fresh;
        run(*settle(fresh));
        QCOMPARE(target.marks, fresh.marks);
        QCOMPARE(target.marks == initial, change.startsWith("undo"));
        if (read >= 0)
            QCOMPARE(updater->eventsRead() - before, read);
    }

    void sliceTakesManyEventsAtOnce()
    {
        EditorTestEnv env;
        for (int i = 0; i < 50; ++i)
            env.add(0, QString("e%1").arg(i), Period(QDate(2026, 1, 1).addDays(i)));
        EventsModel model(env.manager.get());
        RecordingTarget target;
        EditorPrivate::CalendarStatusesUpdater updater(nullptr, &model, env.manager.get(), &target, 2026, kClock,
                                                       kTrail);
        updater.setSliceMSecs(10000);
        updater.start();
        updater.step(); // all fifty in one slice
        updater.step();
        QCOMPARE(target.marks.value(kClock).count(), 50);
    }
};

QTEST_MAIN(TestCalendarStatusesUpdater)
#include "tst_calendarstatusesupdater.moc"
