// Events changed in the running program with 100,000 events: the application is started on a
// generated events file, and once the bar has painted and the loop is idle, one event at a time is
// edited through its edit dialog (answered by a hook, as the editor's Edit does: the dialog's OK, one
// undo step), deleted through the bar's menu, and added through its edit dialog, each timed from the
// dialog's OK or the menu's Delete until the event loop is about to wait again: every model, the
// reminders, the time update scan and the events file's save done. The first change after the start is
// told apart; the others give medians. With the bar alone and with the editor window open, and the
// resident memory after all those changes against a bare tray program's (the floor). Each change's
// GUI-thread CPU is counted until the editor's calendar marks are done too. With the editor open,
// the edit of one event of each kind (from Edit to the idle loop, the dialog's making included) and,
// after the memory, deletions with 50 reminder windows open. Run it under an X server (xvfb-run).
// `--prepare DIR N` leaves a home with N events for a profiler; `--program` runs in such a home.

#include "app/application.h"
#include "app/processhooks.h"
#include "app/reminderwidget.h"
#include "barefloor.h"
#include "benchevents.h"
#include "goalrow.h"
#include "programdriver.h"
#include "platform/timezonewatcher.h"
#include "editor/calendarstatusesupdater.h"
#include "editor/editor.h"
#include "editor/eventoperations.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/eventform.h"
#include "runningline/ostrevalder.h"
#include "store/eventsmanager.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

const int s_changes = 7;
const int s_events = 100000;

QString prepareHome(const QString &root, int count)
{
    const QString home = QDir(root).filePath(QStringLiteral("home"));
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString data = home + QStringLiteral("/data/Quillane/Quillane Reminder");
    QDir().mkpath(data);
    EventsManager generator(data + QStringLiteral("/events.dat"));
    QList<AbstractCommonEventPtr> events;
    for (int i = 0; i < count; ++i)
        events.append(makeBenchEvent(i));
    generator.addEvents(events);
    return home;
}

// The measured work: from the dialog's OK or the menu's Delete to the idle loop. Functions of their
// own for a profiler's --toggle-collect.
bool s_inChange = false;
bool s_savedInChange = false;
// The program's hooks, through which the dialogs are answered.
ProcessHooks *s_hooks = nullptr;

double untilIdle(const QElapsedTimer &timer)
{
    waitUntilIdle();
    return double(timer.nsecsElapsed()) / 1e6;
}

Application *s_app = nullptr;
// Each change's CPU on the GUI thread, until its work is done.
std::vector<double> s_cpuMs;

// The editor's calendar marks are worked out on a timer after the loop went idle: their CPU is the change's too.
void countCpuSince(double startMs)
{
    for (;;) {
        Editor *editor = s_app ? s_app->editor() : nullptr;
        if (!editor || !editor->statusesUpdater() || editor->statusesUpdater()->isIdle())
            break;
        QEventLoop wait;
        QTimer::singleShot(5, &wait, &QEventLoop::quit);
        wait.exec();
    }
    waitUntilIdle();
    s_cpuMs.push_back(threadCpuMs() - startMs);
}

__attribute__((noinline)) double changeOneEvent(EventOperations &operations, int index, int run)
{
    QElapsedTimer timer;
    double cpu = 0;
    s_hooks->runEditDialog = [&timer, &cpu, run](EventEditDialog &dialog) {
        if (auto *edit = dialog.form()->findChild<QLineEdit *>(QStringLiteral("captionLineEdit")))
            edit->setText(QStringLiteral("Geändert %1").arg(run));
        timer.start();
        cpu = threadCpuMs();
        return int(QDialog::Accepted);
    };
    s_inChange = true;
    const bool edited = operations.editThroughDialog(index, nullptr);
    s_inChange = false;
    const double ms = edited ? untilIdle(timer) : -1;
    countCpuSince(cpu);
    return ms;
}

// From Edit to the idle loop: the dialog of the event's kind is made, answered OK at once, and applied.
// A dialog that refuses its own values is answered Cancel the second time.
__attribute__((noinline)) double editOfKind(EventOperations &operations, int index)
{
    int asked = 0;
    s_hooks->runEditDialog = [&asked](EventEditDialog &) {
        return int(asked++ == 0 ? QDialog::Accepted : QDialog::Rejected);
    };
    QElapsedTimer timer;
    timer.start();
    s_inChange = true;
    const bool edited = operations.editThroughDialog(index, nullptr);
    s_inChange = false;
    return edited ? untilIdle(timer) : -1;
}

__attribute__((noinline)) double deleteOneEvent(Ostrevalder &bar, EventsManager &manager, int index)
{
    const std::unique_ptr<QMenu> menu(bar.createContextMenu(manager.eventAt(index)->id()));
    QAction *remove = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text() == Ostrevalder::tr("&Delete"))
            remove = action;
    }
    if (!remove)
        return -1;
    const int before = manager.count();
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadCpuMs();
    s_inChange = true;
    remove->trigger();
    s_inChange = false;
    const double ms = manager.count() == before - 1 ? untilIdle(timer) : -1;
    countCpuSince(cpu);
    return ms;
}

__attribute__((noinline)) double addOneEvent(EventOperations &operations, int run)
{
    QElapsedTimer timer;
    double cpu = 0;
    s_hooks->runEditDialog = [&timer, &cpu](EventEditDialog &) {
        timer.start();
        cpu = threadCpuMs();
        return int(QDialog::Accepted);
    };
    s_inChange = true;
    const bool added = operations.addThroughDialog(makeBenchEvent(s_events + 5 * run), nullptr);
    s_inChange = false;
    const double ms = added ? untilIdle(timer) : -1;
    countCpuSince(cpu);
    return ms;
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

void report(const char *kind, int count, std::vector<double> ms, std::vector<double> saveMs)
{
    std::sort(ms.begin(), ms.end());
    std::printf("RESULT %s %d %.1f %.1f %.1f %.1f %d %.1f\n", kind, count, ms[ms.size() / 2], ms.front(), ms.back(),
                medianOf(saveMs), s_savedInChange ? 1 : 0, medianOf(s_cpuMs));
    s_cpuMs.clear();
}

// One edit of an event of each kind, found from the middle of the list on.
void measureKinds(EventOperations &operations, EventsManager &manager)
{
    for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind) {
        int index = manager.count() / 2;
        while (index + 1 < manager.count() && manager.eventAt(index)->type() != kind)
            ++index;
        std::printf("RESULT kind%d %.1f\n", kind, editOfKind(operations, index));
    }
}

// Deletions from the bar's menu with reminder windows open, each window following the list.
void measureWithReminderWindows(Ostrevalder &bar, EventsManager &manager)
{
    const int windows = 50;
    for (int i = 0; i < windows; ++i)
        ReminderWidget::showReminder(manager.eventAt(i * 11));
    waitUntilIdle();
    std::vector<double> ms;
    for (int run = 0; run < s_changes; ++run)
        ms.push_back(deleteOneEvent(bar, manager, (manager.count() / 2 + run * 13) % manager.count()));
    manager.waitForSaves();
    std::printf("RESULT windows %d %d %.1f\n", windows, int(ReminderWidget::widgets().size()), medianOf(ms));
    s_cpuMs.clear();
    for (ReminderWidget *widget : ReminderWidget::widgets())
        widget->close();
    waitUntilIdle();
}

void measure(Application &app, bool withEditor)
{
    if (withEditor) {
        app.showEditor();
        waitUntilIdle();
    }
    UndoProxy undo(&app);
    EventsManager *manager = app.eventsManager();
    EventOperations operations(manager, &undo);
    auto *bar = qobject_cast<Ostrevalder *>(app.creepingLine());
    const int count = manager->count();
    // The save's own share: from the last listener of the change (connected last, so it runs after
    // the bar's, the reminders' and the time update's) to the saved file.
    QElapsedTimer saveTimer;
    std::vector<double> saveMs;
    const auto started = [&saveTimer] { saveTimer.start(); };
    const QMetaObject::Connection changed = QObject::connect(manager, &EventsManager::eventChanged, manager, started);
    const QMetaObject::Connection added = QObject::connect(manager, &EventsManager::eventAdded, manager, started);
    const QMetaObject::Connection removed = QObject::connect(manager, &EventsManager::eventRemoved, manager, started);
    const QMetaObject::Connection saved = QObject::connect(manager, &EventsManager::saved, manager, [&] {
        saveMs.push_back(double(saveTimer.nsecsElapsed()) / 1e6);
        s_savedInChange = s_savedInChange || s_inChange;
    });
    // Fewer under a profiler.
    const int asked = qEnvironmentVariableIntValue("QR_BENCH_CHANGES");
    const int changes = asked > 0 ? asked : s_changes;
    std::vector<double> ms;
    for (int run = 0; run < changes; ++run) {
        // A not-specified event (the generator's kind 0) somewhere in the middle of the file; the
        // deletions and additions of an earlier run in the same home move the kinds about.
        int index = (count / 2 + run * 5) % std::max(count, 1);
        while (index + 1 < manager->count() && manager->eventAt(index)->type() != EventTypeNotSpecified)
            ++index;
        ms.push_back(changeOneEvent(operations, index, run));
        if (run == 0)
            std::printf("RESULT first %.1f\n", ms.back());
    }
    manager->waitForSaves();
    report("edit", count, ms, saveMs);
    ms.clear();
    saveMs.clear();
    for (int run = 0; run < changes && bar; ++run)
        ms.push_back(deleteOneEvent(*bar, *manager, (count / 3 + run * 7) % manager->count()));
    manager->waitForSaves();
    if (!ms.empty())
        report("delete", count, ms, saveMs);
    ms.clear();
    saveMs.clear();
    for (int run = 0; run < changes; ++run)
        ms.push_back(addOneEvent(operations, run));
    // The last write's answer, which may still be on its way.
    manager->waitForSaves();
    report("add", count, ms, saveMs);
    QObject::disconnect(changed);
    QObject::disconnect(added);
    QObject::disconnect(removed);
    QObject::disconnect(saved);
    measureKinds(operations, *manager);
    manager->waitForSaves();
    waitUntilIdle();
    std::printf("RESULT memory %ld\n", residentKb());
    if (withEditor && bar)
        measureWithReminderWindows(*bar, *manager);
    std::fflush(stdout);
}

// With this many reminder windows open, deletions cost the GUI thread no more than without: each window
// finds its event by id at once rather than searching the events. The deletions with the windows and
// without take turns, so that the load of the machine weighs on both alike.
int s_reminderWindows = 0;

void measureReminderWindows(Application &app)
{
    EventsManager *manager = app.eventsManager();
    auto *bar = qobject_cast<Ostrevalder *>(app.creepingLine());
    if (!bar)
        return;
    const int asked = qEnvironmentVariableIntValue("QR_BENCH_CHANGES");
    const int changes = asked > 0 ? asked : s_changes;
    std::vector<double> without;
    std::vector<double> with;
    for (int run = 0; run < 2 * changes; ++run) {
        const bool open = run % 2 == 1;
        // The windows of the last events; the deletions take events from the first third.
        for (int i = 0; open && i < s_reminderWindows; ++i)
            ReminderWidget::showReminder(manager->eventAt(manager->count() - 1 - i));
        waitUntilIdle();
        const double before = threadCpuMs();
        if (deleteOneEvent(*bar, *manager, (manager->count() / 3 + run * 7) % manager->count()) < 0)
            return;
        (open ? with : without).push_back(threadCpuMs() - before);
        qDeleteAll(ReminderWidget::widgets());
        manager->waitForSaves();
    }
    std::sort(without.begin(), without.end());
    std::sort(with.begin(), with.end());
    std::printf("RESULT reminders %d %.1f %.1f\n", s_reminderWindows, without[without.size() / 2],
                with[with.size() / 2]);
    std::fflush(stdout);
}

int runProgram(int argc, char **argv, bool withEditor)
{
    // As the program's main() does: local times then read the zone once, not on every conversion.
    TimeZoneWatcher::pinSystemZone();
    ProcessHooks hooks;
    s_hooks = &hooks;
    Application app(argc, argv);
    s_app = &app;
    if (app.isRunning() || !app.startError().isEmpty())
        return 2;
    AfterStartDriver driver([&app, withEditor] {
        if (s_reminderWindows > 0)
            measureReminderWindows(app);
        else
            measure(app, withEditor);
    });
    app.installEventFilter(&driver);
    QMetaObject::invokeMethod(&app, "start", Qt::QueuedConnection);
    return app.exec();
}

// The program's RESULT lines by their first word.
std::map<QByteArray, QList<QByteArray>> runOnce(const QString &home, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(homeEnvironment(home));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(600000);
    std::map<QByteArray, QList<QByteArray>> results;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("RESULT ")) {
            const QList<QByteArray> fields = line.mid(7).split(' ');
            results[fields.first()] = fields.mid(1);
        } else if (line.startsWith("IDLE ")) {
            results["IDLE"] = line.mid(5).trimmed().split(' ');
        }
    }
    return results;
}

bool measureProgram(const QString &home, bool withEditor, long floorKb)
{
    const auto results = runOnce(home, withEditor ? QStringList{QStringLiteral("--program"), QStringLiteral("--editor")}
                                                  : QStringList{QStringLiteral("--program")});
    if (!results.count("add") || !results.count("first") || !results.count("memory")) {
        std::fprintf(stderr, "no result from the program\n");
        return false;
    }
    const char *where = withEditor ? "bar and editor open" : "bar shown";
    const std::string open = withEditor ? ", editor open" : "";
    // With the editor open the window must answer within a tenth of a second.
    const double goalMs = withEditor ? 100 : 300;
    bool ok = true;
    for (const char *kind : {"edit", "delete", "add"}) {
        const auto found = results.find(kind);
        if (found == results.end()) {
            ok = false;
            continue;
        }
        const QList<QByteArray> &f = found->second;
        const bool onGuiThread = f.value(5) != "0";
        const double median = f.value(1).toDouble();
        std::printf("%-20s %s, %s events: median %s ms (min %s, max %s) of %d; on disk %s ms after the change, "
                    "written %s\n",
                    where, kind, f.value(0).constData(), f.value(1).constData(), f.value(2).constData(),
                    f.value(3).constData(), s_changes, f.value(4).constData(),
                    onGuiThread ? "during the change" : "in the background");
        const std::string work = std::string(kind) == "edit"     ? "one event edited"
                                 : std::string(kind) == "delete" ? "one event deleted from the bar's menu"
                                                                 : "one event added";
        printGoalRow(work + " and saved, 100,000 events" + open + ": window frozen",
                     formatted("%.0f ms", median) + (onGuiThread ? ", saved on the GUI thread" : ", saved off it"),
                     formatted("<= %.0f ms", goalMs) + ", save off the GUI thread", median <= goalMs && !onGuiThread);
        const double cpuMs = f.value(6).toDouble();
        printGoalRow(work + ", 100,000 events" + open + ": GUI thread's CPU, calendar marks included",
                     formatted("%.0f ms", cpuMs), "<= 100 ms", cpuMs >= 0 && cpuMs <= 100);
    }
    const char *kinds[] = {"not-specified event", "birthday", "wedding day", "holiday", "task"};
    for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind) {
        const auto found = results.find("kind" + QByteArray::number(kind));
        const double ms = found == results.end() ? -1 : found->second.value(0).toDouble();
        printGoalRow(std::string("a ") + kinds[kind] + " edited, from Edit to the idle loop, 100,000 events" + open +
                         ": window frozen",
                     ms < 0 ? "refused or not found" : formatted("%.0f ms", ms), "<= 300 ms", ms >= 0 && ms <= 300);
    }
    if (withEditor) {
        const QList<QByteArray> f = results.count("windows") ? results.at("windows") : QList<QByteArray>();
        const double ms = f.value(2, "-1").toDouble();
        std::printf("%-20s delete with %s reminder windows open (%s left open): median %.1f ms\n", where,
                    f.value(0).constData(), f.value(1).constData(), ms);
        printGoalRow("one event deleted from the bar's menu, 100,000 events, editor and 50 reminder windows open: "
                     "window frozen",
                     formatted("%.0f ms", ms), "<= 100 ms", ms >= 0 && ms <= 100 && f.value(1) == "50");
    }
    const double first = results.at("first").value(0).toDouble();
    std::printf("%-20s first change after the start: %.1f ms\n", where, first);
    printGoalRow("first change after the start, 100,000 events" + open + ": window frozen", formatted("%.0f ms", first),
                 "<= 150 ms", first <= 150);
    const double kbPerEvent = double(results.at("memory").value(0).toLong() - floorKb) / s_events;
    std::printf("%-20s resident after %d edits, deletions and additions: %s KB, %.2f KB an event above the floor\n",
                where, 3 * s_changes, results.at("memory").value(0).constData(), kbPerEvent);
    // The goal is the program's own; the editor's window holds its models' rows and sort values besides.
    // The floor as a sound run measures it (Debian 12, Qt 6.4, Xvfb): memory, which a faster machine
    // does not change.
    const double usualFloorKb = 34000;
    if (!withEditor)
        printGoalRow("memory after " + std::to_string(3 * s_changes) +
                         " changes, 100,000 events, above a bare tray program",
                     formatted("%.2f KB/event", kbPerEvent), "<= 2 KB/event", kbPerEvent <= 2,
                     {"the bare tray program's memory", double(floorKb), "its usual", usualFloorKb, 0.5, 2,
                      results.at("memory").value(0).toDouble(), "%.0f KB"});
    return ok;
}

bool measureReminderWindowsProgram(const QString &home)
{
    const int windows = 100;
    const auto results =
        runOnce(home, {QStringLiteral("--program"), QStringLiteral("--reminders"), QString::number(windows)});
    if (!results.count("reminders")) {
        std::fprintf(stderr, "no result from the program with reminder windows\n");
        return false;
    }
    const QList<QByteArray> &f = results.at("reminders");
    const double without = f.value(1).toDouble();
    const double with = f.value(2).toDouble();
    const double perWindow = (with - without) / windows;
    std::printf("%d reminder windows open: one deletion takes %.1f ms of the GUI thread's CPU, %.1f ms without "
                "them\n",
                windows, with, without);
    printGoalRow("one event deleted, 100,000 events, " + std::to_string(windows) +
                     " reminder windows open: the GUI thread's CPU a window adds",
                 formatted("%.3f ms", perWindow), "<= 0.1 ms", perWindow <= 0.1);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0)
        return runBare(argc, argv);
    if (argc > 3 && qstrcmp(argv[1], "--program") == 0 && qstrcmp(argv[2], "--reminders") == 0)
        s_reminderWindows = QByteArray(argv[3]).toInt();
    if (argc > 1 && qstrcmp(argv[1], "--program") == 0)
        return runProgram(argc, argv, argc > 2 && qstrcmp(argv[2], "--editor") == 0);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QR_VERSION));
    if (argc > 3 && qstrcmp(argv[1], "--prepare") == 0) {
        std::printf("%s\n", qPrintable(prepareHome(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt())));
        return 0;
    }
    QTemporaryDir root;
    const QString home = prepareHome(root.path(), s_events);
    std::printf("Events changed one at a time, from OK or Delete to the idle loop (%s)\n",
                qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "X server");
    const auto floor = runOnce(home, {QStringLiteral("--bare")});
    const long floorKb = floor.count("IDLE") ? floor.at("IDLE").value(0).toLong() : 0;
    std::printf("floor, a bare tray program with a line window: %ld KB resident\n", floorKb);
    const bool ok = floorKb > 0 && measureProgram(home, false, floorKb) && measureProgram(home, true, floorKb) &&
                    measureReminderWindowsProgram(home);
    std::printf("Goals: at most 300 ms with 100,000 events, 100 ms with the editor open; the first change "
                "within 150 ms; at most 2 KB an event above the floor after the changes.\n");
    return goalsExitCode(ok);
}
