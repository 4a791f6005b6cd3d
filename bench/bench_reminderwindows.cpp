// What reminder windows leave behind: opens the windows of many due appointments at once (each with
// its sound and a link in its description, one in three with its own picture), closes them all, and
// does it again with as many other appointments. The appointments are in an events manager and the
// reminder controller opens their windows when their minute comes, as in the program. Prints the heap in use
// (malloc_stats, every arena) and the resident size after a cold first round warmed things up, with the windows open,
// and after each round's windows closed. Goals: the heap in use no larger after the second round than after the first,
// and the resident size after closing within 10% of what it was before the round opened its windows. QR_BENCH_WINDOWS
// sets the windows per round (150). Before the rounds, as the first windows of the run, three bursts of 300 windows
// (QR_BENCH_BURST), a minute apart and closed together, with the goal that the resident size after closing is
// within 10% of what it was before the first burst. Run it under an X server (xvfb-run) to measure what users see;
// without DISPLAY it runs offscreen.
#include "app/remindercontroller.h"
#include "app/reminderwidget.h"
#include "app/savereporter.h"
#include "app/usersettings.h"
#include "benchevents.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/storage.h"
#include "core/undoobject.h"
#include "events/notspecifiedevent.h"
#include "fakeapplication.h"
#include "goalrow.h"
#include "platform/freememory.h"
#include "platform/linuxsoundplayer.h"
#include "runningline/ostrevalder.h"
#include "store/eventsmanager.h"
#include "widgets/widgetresources.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

// The application double with the program's own sound player, so the sound effects count too.
class BenchApplication : public FakeApplication
{
public:
    void playSound(const QString &path) override { m_player.play(path); }
    // The settings and the reminder table's file as the program keeps them.
    QVariant settingsValue(const QByteArray &key, const QVariant &defaultValue) const override
    {
        return m_userSettings.value(key, defaultValue);
    }
    void setSettingsValue(const QByteArray &key, const QVariant &value) override
    {
        m_userSettings.setValue(key, value);
    }
    void setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values) override
    {
        m_userSettings.setValues(values);
    }
    void removeSettings(const QByteArray &key, bool withDottedChildren) override
    {
        m_userSettings.remove(key, withDottedChildren);
    }

private:
    LinuxSoundPlayer m_player;
    SaveReporter m_reports;
    UserSettings m_userSettings{m_reports};
};

// Bytes allocated and not freed over every arena, as malloc_stats() reports them on its "Total" lines.
long heapInUse()
{
    long result = -1;
    std::fflush(stderr);
    const int saved = dup(2);
    FILE *out = std::tmpfile();
    if (saved < 0 || !out)
        return result;
    dup2(fileno(out), 2);
    malloc_stats();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(out);
    char line[256];
    bool total = false;
    while (std::fgets(line, sizeof line, out)) {
        if (QByteArray(line).startsWith("Total"))
            total = true;
        if (total && std::sscanf(line, "in use bytes = %ld", &result) == 1)
            break;
    }
    std::fclose(out);
    return result;
}

long residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * sysconf(_SC_PAGESIZE) : -1;
}

// Lets every window show, close and go, and the work queued behind them run.
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

QPixmap picture(int i)
{
    QPixmap pixmap(96, 96);
    pixmap.fill(QColor::fromHsv(i * 37 % 360, 160, 220));
    QPainter painter(&pixmap);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::number(i));
    return pixmap;
}

QList<AbstractCommonEventPtr> appointments(int first, int count, const QString &sound, const QDateTime &due)
{
    QList<AbstractCommonEventPtr> events;
    for (int i = first; i < first + count; ++i) {
        auto event = std::make_shared<NotSpecifiedEvent>(QByteArray("bench-") + QByteArray::number(i));
        event->setCaption(QStringLiteral("Besprechung №%1 mit Frau Ångström").arg(i));
        event->setComment(QStringLiteral("Unterlagen: https://example.org/termine/%1?raum=3\nBitte pünktlich.").arg(i));
        event->setLocation(QStringLiteral("Raum %1").arg(i % 40));
        event->setPeriod(Period(due));
        event->setNotifyMinutes(0);
        event->setReminderEnabled(true);
        event->setSoundPath(sound);
        // Some users give an appointment its own picture; the others show the kind's.
        if (i % 3 == 0) {
            event->setPhoto(picture(i));
            // Stored only, as an event read from the events file has it.
            event->clearPhotoCache();
        }
        // The bar has asked each event for its text long before its reminder comes.
        event->text(true);
        events.push_back(event);
    }
    return events;
}

struct Figures
{
    long heap;
    long rss;
};

Figures now()
{
    return {heapInUse(), residentBytes()};
}

void print(const char *what, const Figures &f, const char *goal = "")
{
    std::printf("%-18s %8.2f MB heap in use %8.2f MB RSS   %s\n", what, f.heap / 1048576.0, f.rss / 1048576.0, goal);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings go to a folder of the run's, not the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const int perRound =
        qEnvironmentVariableIsSet("QR_BENCH_WINDOWS") ? qEnvironmentVariableIntValue("QR_BENCH_WINDOWS") : 150;

    // The program's style sheet: the windows' widgets are styled through it.
    app.setStyleSheet(applicationStyleSheet());
    BenchApplication fake;
    Properties properties(nullptr, QDir(fake.dataLocation()).filePath(QStringLiteral("prop.dat")));
    properties.addProperty("reminderWidgetDefaultMinutes", 15);
    fake.m_properties = &properties;
    Storage storage(QDir(fake.dataLocation()).filePath(QStringLiteral("pixmaps.dat")));
    fake.m_storage = &storage;
    const QString sound = QStringLiteral(QR_SOURCE_DIR "/resources/sounds/bell.wav");

    // A program up for a while has its log of recent lines full; the windows' lines only take turns.
    for (int i = 0; i < Common::kLogMemoryBytes / 32; ++i)
        QR_LOG("Show Reminder");

    // One appointment to warm up with, then each round's at their own minute, an hour ahead: the
    // controller's own timer stays far off while the pinned clock steps from minute to minute.
    const QDateTime start = QDateTime::currentDateTime();
    const QDateTime first = QDateTime(start.date(), QTime(start.time().hour(), 0)).addSecs(3600);
    EventsManager manager(QDir(fake.dataLocation()).filePath(QStringLiteral("events.dat")));
    fake.m_eventsManager = &manager;
    for (int round = 0; round < 3; ++round)
        manager.addEvents(appointments(perRound * round, perRound, sound, first.addSecs(60 * (3 + round))));
    const int perBurst =
        qEnvironmentVariableIsSet("QR_BENCH_BURST") ? qEnvironmentVariableIntValue("QR_BENCH_BURST") : 300;
    // Three bursts, each at a minute of its own before the rounds'.
    for (int burst = 0; burst < 3; ++burst)
        manager.addEvents(appointments(perRound * 3 + perBurst * burst, perBurst, sound, first.addSecs(60 * burst)));
    // The program as it lives before its first reminder: a user's events, and the bar showing them.
    QList<AbstractCommonEventPtr> usersEvents;
    for (int i = 0; i < 10000; ++i)
        usersEvents.append(makeBenchEvent(i));
    manager.addEvents(usersEvents);
    usersEvents.clear();
    UndoObject undo;
    fake.m_undoObject = &undo;
    properties.addProperty("daysToWatch", 15);
    properties.addProperty("showAppointmentInMovingLine", true);
    properties.addProperty("removeTextToday", false);
    properties.addProperty("removeTextDayXfromY", false);
    Ostrevalder::registerPanelProperties();
    Ostrevalder::registerTextProperties();
    Ostrevalder::registerMovingProperties();
    properties.setValue("adjustBackgroundToWallpaper", false);
    Ostrevalder bar;
    bar.show();
    settle();
    Common::Clock::pin(start);
    ReminderController controller;
    fake.m_reminderController = &controller;
    // The controller wakes 15 s into the minute and opens what is due.
    const auto openRound = [&](int round) {
        Common::Clock::pin(first.addSecs(60 * round + 15));
        controller.showReminder();
        settle();
    };
    std::printf("%d reminder windows per round\n", perRound);
    // The program's release of the memory after the last window is measured: a run where it never came fails.
    bool allReleased = true;
    const auto closeAll = [&allReleased] {
        const int released = Common::freeMemoryReleases();
        for (ReminderWidget *widget : ReminderWidget::widgets())
            widget->close();
        settle();
        // The last window gives the free memory back once it has gone, on a timer: waited for, not polled.
        QEventLoop loop;
        QElapsedTimer waited;
        waited.start();
        while (Common::freeMemoryReleases() == released && waited.elapsed() < 10000)
            loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (Common::freeMemoryReleases() == released) {
            std::printf("the memory was not given back within 10 s of the last close\n");
            allReleased = false;
        }
    };
    // Bursts a minute apart, all left open, then closed together: as many windows at once as the user had,
    // measured from before the first, as the program meets them, with nothing warmed up before.
    std::printf("three bursts of %d reminder windows, closed together\n", perBurst);
    const Figures beforeBursts = now();
    print("before the bursts", beforeBursts);
    for (int burst = 0; burst < 3; ++burst) {
        openRound(burst);
        print("  burst open", now());
    }
    closeAll();
    const Figures afterBursts = now();
    const double burstsRatio = double(afterBursts.rss) / beforeBursts.rss;
    print(
        "  windows closed", afterBursts,
        QStringLiteral("RSS %1% of before (goal at most 110%)").arg(burstsRatio * 100, 0, 'f', 1).toUtf8().constData());

    // A cold round first: fonts, style, the sound system, the picture codecs and the caches that grow with
    // the number of windows come once. Printed apart; the goals are for the rounds that follow, as a program
    // up for a while sees them.
    const Figures cold = now();
    openRound(3);
    closeAll();
    std::printf("first round, cold: RSS %.1f%% of before (once per run, no goal)\n", 100.0 * now().rss / cold.rss);

    std::vector<Figures> after;
    double worstRssRatio = 0;
    for (int round = 0; round < 2; ++round) {
        const Figures before = now();
        print(round ? "before round 2" : "before round 1", before);
        // Other appointments each round, as a later minute brings.
        openRound(3 + round + 1);
        print("  windows open", now());
        closeAll();
        const Figures closed = now();
        after.push_back(closed);
        const double rssRatio = double(closed.rss) / before.rss;
        const QByteArray goal =
            QStringLiteral("RSS %1% of before (goal at most 110%)").arg(rssRatio * 100, 0, 'f', 1).toUtf8();
        print("  windows closed", closed, goal.constData());
        worstRssRatio = std::max(worstRssRatio, rssRatio);
    }
    const long growth = after.at(1).heap - after.at(0).heap;
    std::printf("heap growth from round 1 to round 2: %+.1f KB, %+.2f KB per window   (goal at most 0)\n",
                growth / 1024.0, growth / 1024.0 / perRound);
    const std::string windows = std::to_string(perRound) + " reminder windows";
    printGoalRow("resident size after closing " + windows + ", of before they opened (worse round)",
                 formatted("%.1f%%", worstRssRatio * 100), "<= 110%", worstRssRatio <= 1.10);
    printGoalRow("heap in use after a second round of " + windows + ", against the first",
                 formatted("%+.1f KB", growth / 1024.0), "<= +0 KB", growth <= 0);
    printGoalRow("resident size after three bursts of " + std::to_string(perBurst) +
                     " reminder windows closed together, of before the first opened (the first windows of the run)",
                 formatted("%.1f%%", burstsRatio * 100), "<= 110%", burstsRatio <= 1.10);
    return goalsExitCode(allReleased);
}
