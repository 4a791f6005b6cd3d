#include "app/startduties.h"

#include "app/runstatistics.h"
#include "app/usersettings.h"
#include "core/crashhandleradapter.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/safefile.h"
#include "core/settingkeys.h"
#include "core/systeminforeport.h"
#include "gadgets/gadgetscontroller.h"
#include "platform/freememory.h"
#include "platform/linuxautostart.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace StartDutiesPrivate {

// Runs a call once the watched widget has painted for the first time (or is gone before it did) and
// the event loop has then been idle, so the paint reaches the screen and the loop answers first. A
// loop that never waits (a test spinning it) gets the call a moment later.
class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget *watched, QObject *context, std::function<void()> call)
        : QObject(context), m_call(std::move(call))
    {
        if (watched) {
            watched->installEventFilter(this);
            connect(watched, &QObject::destroyed, this, &AfterFirstPaint::painted);
            // A window the system never shows is never painted.
            QTimer::singleShot(s_longestWaitMs, this, &AfterFirstPaint::painted);
        } else {
            painted();
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            painted();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static constexpr int s_longestWaitMs = 3000;

    void painted()
    {
        if (m_waiting)
            return;
        m_waiting = true;
        if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
            m_idle = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &AfterFirstPaint::run);
        QTimer::singleShot(250, this, &AfterFirstPaint::run);
    }

    void run()
    {
        if (!m_call)
            return;
        disconnect(m_idle);
        QMetaObject::invokeMethod(parent(), std::exchange(m_call, nullptr), Qt::QueuedConnection);
        deleteLater();
    }

    std::function<void()> m_call;
    QMetaObject::Connection m_idle;
    bool m_waiting = false;
};

} // namespace StartDutiesPrivate

StartDuties::StartDuties(const QString &dataLocation, std::unique_ptr<IAutostart> autostart)
    : m_dataLocation(dataLocation), m_autostart(std::move(autostart))
{
}

StartDuties::~StartDuties() = default;

QString StartDuties::systemInfoText()
{
    if (m_systemInfoText.isEmpty()) {
        QTextStream out(&m_systemInfoText);
        Common::writeSystemInfoReport(out, QCoreApplication::applicationPid());
        out.flush();
    }
    return m_systemInfoText;
}

void StartDuties::writeSystemInfo()
{
    const QString path = QFileInfo(QDir(m_dataLocation), QStringLiteral("sysinfo.dat")).absoluteFilePath();
    Common::writeOwnFile(path, systemInfoText().toUtf8());
    CrashHandlerAdapter().addFileToReport(path.toUtf8(), QByteArrayLiteral("sysinfo.txt"));
}

void StartDuties::writeAutorunOnFirstStart(UserSettings &settings, const Properties &properties)
{
    // The entry is written once, on the first start; after that only a change of the setting touches it.
    if (settings.value(Setting::AutostartEntryWritten, Setting::AutostartEntryWrittenDefault).toBool())
        return;
    settings.setValue(Setting::AutostartEntryWritten, true);
    if (properties.value(Setting::AppAutorun).toBool())
        setAutorun(true);
}

void StartDuties::setAutorun(bool on)
{
    if (!m_autostart)
        m_autostart = std::make_unique<LinuxAutostart>();
    if (m_autostart->isOn() == on)
        return;
    if (!m_autostart->setOn(on))
        QR_LOG(QByteArray("Cannot ") + (on ? "write" : "remove") + " the autostart entry");
}

void StartDuties::showGadgets(QWidget *bar, GadgetsController *gadgets, bool welcome)
{
    const QPointer<GadgetsController> target(gadgets);
    const auto show = [target, welcome] {
        if (!target)
            return;
        target->loadGadgets();
        if (welcome)
            target->createWelcomeGadget();
    };
    afterFirstPaint(bar, show);
}

void StartDuties::afterFirstPaint(QWidget *bar, std::function<void()> call)
{
    new StartDutiesPrivate::AfterFirstPaint(bar && bar->isVisible() ? bar : nullptr, this, std::move(call));
}

void StartDuties::finishStartAfterFirstPaint(QWidget *bar)
{
    afterFirstPaint(bar, [this] {
        RunStatistics::endStart();
        writeSystemInfo();
        Common::growHeapsInSmallSteps();
    });
}
