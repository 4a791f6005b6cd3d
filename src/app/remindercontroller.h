#pragma once

#include "events/abstractcommonevent.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QVariant>

#include <functional>
#include <memory>

class EventsManager;
class QTimer;

// One pending reminder of the table.
struct ReminderEntry
{
    QByteArray eventId;
    bool snoozed = false; // from the user's snooze rather than the event's own time

    bool operator==(const ReminderEntry &other) const
    {
        return eventId == other.eventId && snoozed == other.snoozed;
    }
};

// Local minute -> the reminders due then, in the order they were added.
using ReminderTable = QMap<QDateTime, QList<ReminderEntry>>;

// Decides when the events' reminders are due and opens a reminder window for each.
// The table is rebuilt from the events on every change of the events manager, kept in the
// settings store so that snoozes and reminders missed while the program was closed survive
// a restart on the same day, and one process-wide timer wakes it 15 s after the earliest minute.
class ReminderController : public QObject
{
    Q_OBJECT

public:
    // Opens or activates the window of a due event; the reminder window by default.
    using ShowFunction = std::function<void(const AbstractCommonEventPtr &)>;

    explicit ReminderController(QObject *parent = nullptr, ShowFunction show = {});
    ~ReminderController() override;

    // Reminds again of the event at `time`, rounded to the nearest minute. An event that is no
    // longer in the events manager is not reminded of again.
    void snooze(const AbstractCommonEventPtr &event, const QDateTime &time);

    const ReminderTable &reminders() const { return m_reminders; }
    // When the timer is due to wake the controller next (local time).
    QDateTime wakeTime() const { return m_wakeTime; }
    // The process-wide wake-up timer; null before the first scheduling.
    static QTimer *updateTimer();

    // The stored form under "reminder": a list of maps, one per entry, in table order.
    static QVariantList snoozedToVariant(const ReminderTable &table);
    static ReminderTable snoozedFromVariant(const QVariant &value);

public slots:
    void scheduleReminder();
    void showReminder();
    // Every reminder time is computed again: the local time zone changed under the cached ones.
    void recompute() { onEventChanged(-1); }

private:
    void nearestReminders();
    // The event's reminder minute (invalid for none), reused while the event is unchanged.
    QDateTime reminderKey(const AbstractCommonEventPtr &event, const QDateTime &exactNow);
    void onEventChanged(int index);
    void restoreSnoozed();
    void saveSnoozed();

    EventsManager *m_eventsManager = nullptr;
    ShowFunction m_show;
    ReminderTable m_reminders;
    // Event reminders of the current minute already shown or dropped: an event whose time has
    // seconds still answers it after its window opened, and must not open it again.
    QList<QPair<QDateTime, QByteArray>> m_done;
    // Asking an event for its reminder time costs several local-time conversions, and every
    // change of any event rebuilds the table: the answers stay valid until the event changes,
    // the day changes or the answered moment comes.
    struct CachedKey
    {
        std::weak_ptr<AbstractCommonEvent> event; // keeps its owner block, so a reused address is told apart
        QDateTime askedAt;
        QDateTime time;
        QDateTime key;
    };
    QHash<const AbstractCommonEvent *, CachedKey> m_keys;
    QDateTime m_wakeTime;
    ReminderTable m_saved;
    bool m_hasSaved = false;
};
