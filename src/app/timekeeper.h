#pragma once

#include <QDateTime>
#include <QObject>

#include <memory>

class AppWindows;
class BarControl;
class EventServices;
class EventsManager;
class IWallClockTimer;
class TimeZoneWatcher;

// Keeps what is current current: filters the bar and the editor again when the next event begins, at
// midnight, after a set clock or a sleep, and when the time zone changes.
class TimeKeeper : public QObject
{
public:
    TimeKeeper(EventServices &events, BarControl &bar, AppWindows &windows);
    ~TimeKeeper() override;

    // Schedules the update again whenever the events change.
    void watch(EventsManager *events);
    void watchTimeZone();
    void scheduleTimeUpdate();
    void invalidateTimeFilters();
    // What was computed in the old local time is computed again.
    void onTimeZoneChanged();
    // Both clean-up settings arrive one after the other: cleans up once, with the pair as it ends up.
    void requestCleanUp();

    QDateTime nextTimeChange() const;
    // Invalid before the first scheduling.
    QDateTime scheduledTimeUpdate() const { return m_scheduledUpdate; }
    // Null before the first scheduling.
    IWallClockTimer *timer() const { return m_timer.get(); }

private:
    // After a change of zone the bar filters again only when the date moved.
    void refresh(bool zoneChanged);

    EventServices &m_events;
    BarControl &m_bar;
    AppWindows &m_windows;
    std::unique_ptr<IWallClockTimer> m_timer;
    std::unique_ptr<TimeZoneWatcher> m_zoneWatcher;
    QDateTime m_scheduledUpdate;
    bool m_cleanUpPending = false;
};
