// One event changed in the running program with 100,000 events: the application is started on a
// generated events file, and once the bar has painted and the loop is idle, the caption of one event
// is changed through its edit dialog (answered by a hook, as the editor's Edit does: the dialog's OK,
// one undo step) and timed from the dialog's OK until the event loop is about to wait again: every
// model, the reminders, the time update scan and the events file's save done. Median of several
// changes, with the bar alone and with the editor window open. Run it under an X server (xvfb-run).
// `--prepare DIR N` leaves a home with N events for a profiler; `--program` runs in such a home.

#include "app/application.h"
#include "app/processhooks.h"
#include "benchevents.h"
#include "goalrow.h"
#include "platform/timezonewatcher.h"
#include "editor/eventoperations.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/eventform.h"
#include "store/eventsmanager.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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

// Runs the loop until it has nothing left to do and is about to wait (the UNIX dispatcher, which
// emits aboutToBlock only when no posted event is pending).
void waitUntilIdle()
{
    QEventLoop loop;
    const QMetaObject::Connection connection = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&loop] { loop.exit(); });
    loop.exec();
    QObject::disconnect(connection);
}

// The measured work: from the dialog's OK to the idle loop. A function of its own for a profiler's
// --toggle-collect.
bool s_inChange = false;
bool s_savedInChange = false;
// The program's hooks, through which the dialog is answered.
ProcessHooks *s_hooks = nullptr;

__attribute__((noinline)) double changeOneEvent(EventOperations &operations, int index, int run)
{
    QElapsedTimer timer;
    s_hooks->runEditDialog = [&timer, run](EventEditDialog &dialog) {
        if (auto *edit = dialog.form()->findChild<QLineEdit *>(QStringLiteral("captionLineEdit")))
            edit->setText(QStringLiteral("Geändert %1").arg(run));
        timer.start();
        return int(QDialog::Accepted);
    };
    s_inChange = true;
    const bool edited = operations.editThroughDialog(index, nullptr);
    s_inChange = false;
    if (!edited)
        return -1;
    waitUntilIdle();
    return double(timer.nsecsElapsed()) / 1e6;
}

void measure(Application &app, bool withEditor)
{
    if (withEditor) {
        app.showEditor();
        waitUntilIdle();
    }
    UndoProxy undo(&app);
    EventOperations operations(app.eventsManager(), &undo);
    const int count = app.eventsManager()->count();
    std::vector<double> ms;
    // The save's own share: from the last listener of the change (connected last, so it runs after
    // the bar's, the reminders' and the time update's) to the saved file.
    EventsManager *manager = app.eventsManager();
    QElapsedTimer saveTimer;
    std::vector<double> saveMs;
    const QMetaObject::Connection changed =
        QObject::connect(manager, &EventsManager::eventChanged, manager, [&saveTimer] { saveTimer.start(); });
    const QMetaObject::Connection saved = QObject::connect(manager, &EventsManager::saved, manager, [&] {
        saveMs.push_back(double(saveTimer.nsecsElapsed()) / 1e6);
        s_savedInChange = s_savedInChange || s_inChange;
    });
    // Fewer under a profiler.
    const int asked = qEnvironmentVariableIntValue("QR_BENCH_CHANGES");
    const int changes = asked > 0 ? asked : s_changes;
    for (int run = 0; run < changes; ++run) {
        // A not-specified event (the generator's kind 0) somewhere in the middle of the file.
        const int index = (count / 2 + run * 5) % std::max(count, 1);
        ms.push_back(changeOneEvent(operations, index, run));
    }
    // The last write's answer, which may still be on its way.
    manager->waitForSaves();
    QObject::disconnect(changed);
    QObject::disconnect(saved);
    std::sort(ms.begin(), ms.end());
    std::sort(saveMs.begin(), saveMs.end());
    std::printf("RESULT %d %.1f %.1f %.1f %.1f %d\n", count, ms[ms.size() / 2], ms.front(), ms.back(),
                saveMs.empty() ? -1.0 : saveMs[saveMs.size() / 2], s_savedInChange ? 1 : 0);
    std::fflush(stdout);
}

// Waits for the bar's first paint, then measures.
class Driver : public QObject
{
public:
    Driver(Application &app, bool withEditor) : m_app(app), m_withEditor(withEditor) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_started && event->type() == QEvent::Paint && watched->inherits("MovingView")) {
            m_started = true;
            QTimer::singleShot(0, this, [this] {
                waitUntilIdle();
                measure(m_app, m_withEditor);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    Application &m_app;
    bool m_withEditor;
    bool m_started = false;
};

int runProgram(int argc, char **argv, bool withEditor)
{
    // As the program's main() does: local times then read the zone once, not on every conversion.
    TimeZoneWatcher::pinSystemZone();
    ProcessHooks hooks;
    s_hooks = &hooks;
    Application app(argc, argv);
    if (app.isRunning() || !app.startError().isEmpty())
        return 2;
    Driver driver(app, withEditor);
    app.installEventFilter(&driver);
    QMetaObject::invokeMethod(&app, "start", Qt::QueuedConnection);
    return app.exec();
}

QProcessEnvironment homeEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("QT_NO_GLIB"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
    if (env.value(QStringLiteral("DISPLAY")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

bool runOnce(const QString &home, bool withEditor)
{
    QProcess process;
    process.setProcessEnvironment(homeEnvironment(home));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--program")};
    if (withEditor)
        arguments << QStringLiteral("--editor");
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(600000);
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith("RESULT "))
            continue;
        const QList<QByteArray> f = line.mid(7).split(' ');
        const bool onGuiThread = f.value(5) != "0";
        std::printf("%-22s %8s events: median %8s ms (min %s, max %s) of %d changes; on disk %s ms after the "
                    "change, written %s\n",
                    withEditor ? "bar and editor open" : "bar shown", f.value(0).constData(), f.value(1).constData(),
                    f.value(2).constData(), f.value(3).constData(), s_changes, f.value(4).constData(),
                    onGuiThread ? "during the change" : "in the background");
        const double median = f.value(1).toDouble();
        printGoalRow(withEditor ? "one change saved, 100,000 events, editor open: window frozen"
                                : "one change saved, 100,000 events: window frozen",
                     formatted("%.0f ms", median) + (onGuiThread ? ", saved on the GUI thread" : ", saved off it"),
                     "<= 300 ms, save off the GUI thread", median <= 300 && !onGuiThread);
        return true;
    }
    std::fprintf(stderr, "no result from the program\n");
    return false;
}

} // namespace

int main(int argc, char **argv)
{
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
    std::printf("One event changed through its edit dialog, from OK to the idle loop (%s)\n",
                qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "X server");
    const bool ok = runOnce(home, false) && runOnce(home, true);
    std::printf("Goal: at most 300 ms with 100,000 events.\n");
    return ok ? 0 : 1;
}
