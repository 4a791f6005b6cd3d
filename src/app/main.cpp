#include "app/application.h"
#include "app/processhooks.h"
#include "app/remindercontroller.h"
#include "app/startarguments.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/usermessages.h"
#include "platform/displaycheck.h"
#include "platform/freememory.h"
#include "platform/privatefolder.h"
#include "platform/terminationsignals.h"
#include "platform/timezonewatcher.h"
#include "widgets/messageboxsink.h"

#include <cstdio>

namespace {

void myMessageOutput(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const QByteArray line = Common::qtMessageLine(type, text);
    if (type == QtFatalMsg)
        fprintf(stderr, "%s\n", line.constData());
    writeLogLine(context.file, context.line, "myMessageOutput", line);
    if (type == QtFatalMsg)
        abort();
}

// Windows are placed and kept on top by the program, which Wayland clients cannot do: use X11 there.
void preferXcbUnderWayland()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland")
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace

int main(int argc, char *argv[])
{
    // Reminders that fall due while a first start loads are missed, not passed over.
    ReminderController::setProcessStart(Common::Clock::nowUtc());
    // Until the bar is up; the start allocates most of what the program holds.
    Common::growHeapsInLargeSteps();
    // Before any local time is computed, so that the zone is read once.
    TimeZoneWatcher::pinSystemZone();
    qInstallMessageHandler(myMessageOutput);
    TerminationSignals::ignoreFileSizeSignal();
    preferXcbUnderWayland();
    Common::UserMessages::install(std::make_unique<MessageBoxSink>());
    DisplayCheck display;
    if (!display.problem().isEmpty()) {
        fprintf(stderr, "%s\n", qUtf8Printable(display.problem()));
        return 2;
    }
    EventServices::readAhead();
    // The events reach their forms, information frame and edit dialog through the widgets' hooks.
    ProcessHooks hooks;
    // The toolkit makes a runtime folder that is not there yet as it starts.
    Common::holdBackRuntimeFolder();
    Application a(argc, argv);
    display.release();
    if (a.isRunning() &&
        a.sendMessage(QString::fromLatin1(Application::kActivateMessage), Application::kActivateTimeoutMs)) {
        // The instance may run under another user's session: say which it is.
        if (!a.dataFolderHeldText().isEmpty())
            fprintf(stderr, "%s\n", qUtf8Printable(a.dataFolderHeldText()));
        return 1;
    }
    // An instance that ended while this start waited for it left it its place.
    if (a.isRunning()) {
        // Neither the instance nor sure there is none: never run beside another.
        const QString text = a.handOverFailedText();
        fprintf(stderr, "%s\n", qUtf8Printable(text));
        if (!a.handOverStopped())
            Common::UserMessages::warning(QCoreApplication::applicationName(), text);
        return 3;
    }
    if (!a.startError().isEmpty()) {
        fprintf(stderr, "%s\n", qUtf8Printable(a.startError()));
        Common::UserMessages::warning(QCoreApplication::applicationName(), a.startError());
        return 2;
    }
    if (StartArguments::isUninstallStart(a.arguments())) {
        a.showUninstallFeedback();
        return 0;
    }
    QMetaObject::invokeMethod(&a, &Application::start, Qt::QueuedConnection);
    return a.exec();
}
