#include "app/timekeeper.h"

#include "app/appwindows.h"
#include "app/barcontrol.h"
#include "app/eventservices.h"
#include "app/remindercontroller.h"
#include "app/timeupdate.h"
#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/log.h"
#include "editor/editor.h"
#include "platform/iwallclocktimer.h"
#include "platform/timezonewatcher.h"
#include "store/eventsmanager.h"

#include <QTimer>

TimeKeeper::TimeKeeper(EventServices &events, BarControl &bar, AppWindows &windows)
    : m_events(events), m_bar(bar), m_windows(windows)
{
}

TimeKeeper::~TimeKeeper() = default;

void TimeKeeper::watch(EventsManager *events)
{
    connect(events, &EventsManager::eventAdded, this, &TimeKeeper::scheduleTimeUpdate);
    connect(events, &EventsManager::eventRemoved, this, &TimeKeeper::scheduleTimeUpdate);
    connect(events, &EventsManager::eventChanged, this, &TimeKeeper::scheduleTimeUpdate);
    connect(events, &EventsManager::layoutChanged, this, &TimeKeeper::scheduleTimeUpdate);
}

void TimeKeeper::watchTimeZone()
{
    m_zoneWatcher = std::make_unique<TimeZoneWatcher>();
    connect(m_zoneWatcher.get(), &TimeZoneWatcher::zoneChanged, this, &TimeKeeper::onTimeZoneChanged);
    // A resume comes before the watcher's own notice of a zone changed during the sleep.
    if (ReminderController *reminders = m_events.reminders())
        connect(reminders, &ReminderController::waking, m_zoneWatcher.get(), &TimeZoneWatcher::checkZone);
}

QDateTime TimeKeeper::nextTimeChange() const
{
    if (!m_events.manager())
        return QDateTime();
    return TimeUpdate::nextTimeChange(m_events.manager()->events(), Common::Clock::now());
}

void TimeKeeper::scheduleTimeUpdate()
{
    if (!m_timer) {
        // On the wall clock: what is current follows the time of day, also after a sleep or a set clock.
        m_timer = IWallClockTimer::create();
        connect(m_timer.get(), &IWallClockTimer::timeout, this, &TimeKeeper::invalidateTimeFilters);
        connect(m_timer.get(), &IWallClockTimer::clockChanged, this, &TimeKeeper::invalidateTimeFilters);
    }
    m_timer->stop();
    const QDateTime now = Common::Clock::now();
    // An invalid time never comes: the bar's today and tomorrow would stay as they are.
    m_scheduledUpdate =
        validWakeTime(TimeUpdate::updateMoment(nextTimeChange(), now), now.addSecs(60), "the next time update");
    qDebug("Next time update scheduled for %s", qUtf8Printable(m_scheduledUpdate.toString(Qt::ISODate)));
    m_timer->start(m_scheduledUpdate);
}

void TimeKeeper::invalidateTimeFilters()
{
    refresh(false);
}

void TimeKeeper::refresh(bool zoneChanged)
{
    if (zoneChanged)
        m_bar.onTimeZoneChanged();
    else
        m_bar.invalidateTimeFilters();
    if (Editor *editor = m_windows.editor())
        editor->invalidateFilters();
    scheduleTimeUpdate();
    m_bar.hideIfNeeded();
    m_bar.showIfNeeded(false, false);
}

void TimeKeeper::onTimeZoneChanged()
{
    QR_LOG("The time zone changed to " + qgetenv("TZ"));
    refresh(true);
    if (ReminderController *reminders = m_events.reminders())
        reminders->recompute();
}

void TimeKeeper::requestCleanUp()
{
    if (m_cleanUpPending)
        return;
    m_cleanUpPending = true;
    QTimer::singleShot(0, this, [this] {
        m_cleanUpPending = false;
        m_events.cleanUpExpiredEvents();
    });
}
