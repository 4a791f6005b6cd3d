// Rebuilding the reminder table and arming the next wake-up, as after every change of the events.
// Generates 5,000, 10,000 and 20,000 mixed events, one in ten an appointment with its reminder on,
// and prints the median time of a controller's first scheduling (every event asked) and of the
// scheduling after an edit of one appointment, for each size, and how they grow.

#include "app/remindercontroller.h"
#include "core/clock.h"
#include "events/eventsfactory.h"
#include "events/notspecifiedevent.h"
#include "fakeapplication.h"
#include "goalrow.h"
#include "store/eventsmanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int s_runs = 101;
const QDateTime s_now(QDate(2026, 3, 10), QTime(9, 30));

AbstractCommonEventPtr makeEvent(int i)
{
    const QDate date = s_now.date().addDays(i % 400 - 30);
    if (i % 10 == 0) {
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption(QStringLiteral("Termin №%1").arg(i));
        event->setPeriod(Period(date, QTime(7 + i % 12, (i * 7) % 60)));
        static const IOccurrence::Type rules[] = {IOccurrence::Once, IOccurrence::Weekly, IOccurrence::Daily,
                                                  IOccurrence::Monthly, IOccurrence::Yearly};
        event->setOccurrence(Occurrence(date, rules[(i / 10) % 5]));
        event->setNotifyMinutes(15);
        event->setReminderEnabled(true);
        return event;
    }
    AbstractCommonEventPtr event = EventsFactory::createEvent(1 + i % 4);
    event->setCaption(QStringLiteral("Ereignis %1").arg(i));
    event->setPeriod(Period(date));
    event->setOccurrence(Occurrence(date, i % 3 ? IOccurrence::Yearly : IOccurrence::Once));
    return event;
}

struct Figures
{
    int reminders = 0;
    double coldMs = 0;   // a controller made anew: every event asked
    double changeMs = 0; // after one appointment changed
};

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

Figures measure(int count, const QString &folder)
{
    Figures f;
    FakeApplication app;
    EventsManager manager(folder + QStringLiteral("/events-%1.dat").arg(count));
    QList<AbstractCommonEventPtr> events;
    for (int i = 0; i < count; ++i)
        events.append(makeEvent(i));
    manager.addEvents(events);
    app.m_eventsManager = &manager;
    const auto noWindow = [](const AbstractCommonEventPtr &) {};

    std::vector<double> times;
    for (int run = 0; run < s_runs / 10; ++run) {
        QElapsedTimer timer;
        timer.start();
        ReminderController cold(nullptr, noWindow);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    f.coldMs = median(times);

    ReminderController controller(nullptr, noWindow);
    for (const QList<ReminderEntry> &list : controller.reminders())
        f.reminders += int(list.count());
    times.clear();
    for (int run = 0; run < s_runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        // What the manager says after an edit of one appointment; the controller rebuilds.
        emit manager.eventChanged((run * 10) % count);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    f.changeMs = median(times);
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Common::Clock::pin(s_now);
    QTemporaryDir dir;
    std::printf("%-8s %10s %14s %14s %12s\n", "events", "reminders", "cold ms", "after edit ms", "us/event");
    std::vector<std::pair<int, Figures>> all;
    for (int count : {5000, 10000, 20000}) {
        const Figures f = measure(count, dir.path());
        all.emplace_back(count, f);
        std::printf("%-8d %10d %14.3f %14.3f %12.3f\n", count, f.reminders, f.coldMs, f.changeMs,
                    f.changeMs * 1000 / count);
    }
    const auto &small = all.front();
    const auto &large = all.back();
    const double scale = double(large.first) / small.first;
    const double coldGrowth = large.second.coldMs / small.second.coldMs;
    std::printf("growth for %.0fx events: cold %.1fx, after edit %.1fx\n", scale, coldGrowth,
                large.second.changeMs / small.second.changeMs);
    // Linear, with a fifth to spare; a change may take a microsecond an event, a tenth of a second at
    // 100,000 events.
    printGoalRow("first reminder scheduling, growth for " + formatted("%.0fx", scale) + " events",
                 formatted("%.1fx", coldGrowth), formatted("<= %.1fx (linear)", 1.2 * scale),
                 coldGrowth <= 1.2 * scale);
    const double perEvent = large.second.changeMs * 1000 / large.first;
    printGoalRow("reminder scheduling after one edit, " + std::to_string(large.first) + " events",
                 formatted("%.3f us/event", perEvent), "<= 1 us/event", perEvent <= 1);
    return goalsExitCode();
}
