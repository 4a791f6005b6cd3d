#pragma once

#include "events/abstractcommonevent.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class EventsManager;
class IWallClockTimer;

// One pending reminder of the table.
struct ReminderEntry
{
    QByteArray eventId;
    bool snoozed = false; // from the user's snooze rather than the event's own time
    // What the wall clock reads at an event's reminder, the event's time less its notice, in the zone it
    // was worked out in (its date and time in UTC spec); kept for today's. None: the reading of its instant here.
    QDateTime reading = {};

    bool operator==(const ReminderEntry &other) const
    {
        return eventId == other.eventId && snoozed == other.snoozed && reading == other.reading;
    }
};

// When the reminders are due, in UTC -> the reminders due then, in the order they were added. An
// event's reminder sits at its minute; a snooze at the second it was asked for. Kept as instants: a
// local key is converted again at each comparison, and in a zone without daylight saving a key
// made under summer time takes the C library a long search each time.
using ReminderTable = QMap<QDateTime, QList<ReminderEntry>>;

// Decides when the events' reminders are due and opens a reminder window for each.
// The table is rebuilt from the events on every change of the events manager. Snoozes, today's
// reminders not shown yet, the readings shown and the last look (written with the table, when it
// opened windows and at the end of the run), each with the wall clock's reading, are kept in the
// settings store: at a start, today's reminders that fell due since that look open once, so those
// missed while the program was closed are not lost, also when the zone changed meanwhile. One
// process-wide wall-clock timer wakes it 15 s after the earliest event minute (at a snooze's own
// second), after a resume and on every change of the clock; whatever fell due since the last look is
// shown then, once. A change of zone is a jump of the wall clock too.
class ReminderController : public QObject
{
    Q_OBJECT

public:
    // Opens or activates the window of a due event; the reminder window by default.
    using ShowFunction = std::function<void(const AbstractCommonEventPtr &)>;

    explicit ReminderController(QObject *parent = nullptr, ShowFunction show = {});
    ~ReminderController() override;

    // Reminds again of the event at `time`, never earlier (rounded up to the second). An event that is no
    // longer in the events manager is not reminded of again.
    void snooze(const AbstractCommonEventPtr &event, const QDateTime &time);

    // The event's reminder window closed because the event left the list (an undo, a delete): the
    // window opens again when a step brings an event of its id back today (a redo, an undo).
    void closedWithEvent(const QByteArray &eventId);

    const ReminderTable &reminders() const { return m_reminders; }
    // When the timer is due to wake the controller next (local time).
    QDateTime wakeTime() const { return m_wakeTime; }
    // The process-wide wake-up timer; null before the first scheduling.
    static IWallClockTimer *updateTimer();
    // The last look a controller stored (invalid for none).
    static QDateTime storedLastLook();
    // Where a new controller first asks every event for its first reminder (local; invalid for none):
    // the last look, or where it was taken in another zone, its wall reading here.
    static QDateTime missedSince();
    // When the process started (UTC): without a stored look, what fell due since counts as missed.
    static void setProcessStart(const QDateTime &time);

    // The stored form under "reminder": a list of maps, one per entry, in table order, with UTC times (an
    // earlier version's local times read as well) and an event's reading where it is kept.
    static QVariantList snoozedToVariant(const ReminderTable &table);
    static ReminderTable snoozedFromVariant(const QVariant &value);
    // What a restart needs of the table on `today` (local): the snoozes and today's event reminders.
    static ReminderTable storedPart(const ReminderTable &table, const QDate &today);

signals:
    // At each wake of the timer, before what fell due is judged: a zone changed during a sleep must be
    // read first (its own notice comes after the resume), or the day's readings count on the old clock.
    void waking();

public slots:
    void scheduleReminder();
    void showReminder();
    // The local time zone changed: every reminder time is computed again, and the wall clock's jump from
    // the last look's reading to the new zone's is caught up as after a sleep.
    void recompute();

private:
    void onWake(bool clockChanged);
    void nearestReminders();
    // A reminder that fell due and waits for its window: due by `now`, and either of today (from
    // `todayStart` on) or come since the last look (a sleep or a clock moved on across midnight). UTC.
    bool isPending(const QDateTime &key, const QDateTime &now, const QDateTime &todayStart) const;
    void onEventChanged(int index);
    void restoreSnoozed();
    void restoreShown();
    void saveSnoozed();
    // Puts the event reminders due between `since` (the last look) and now in the table: today's,
    // and of an earlier day those whose event has not begun.
    void addMissedSince(const QDateTime &since);
    void saveLastLook();
    void reopenReturned();

    EventsManager *m_eventsManager = nullptr;
    ShowFunction m_show;
    ReminderTable m_reminders;
    // Event reminders shown or dropped, by the reminder's reading in the zone of the look: an
    // event whose time has seconds still answers its minute after the window opened, in the hour repeated
    // when daylight saving ends it answers the same reading again an hour later, and after a move west
    // (also back across midnight) later. The same minute again (a clock set back) is let through once its
    // hours passed.
    struct Shown
    {
        qint64 keyMs = 0; // the minute shown, UTC
        bool recent = true;
    };
    QHash<QPair<QDateTime, QByteArray>, Shown> m_done;
    bool m_shownToSave = false;
    bool shownAlready(const QDateTime &reading, qint64 keyMs, qint64 nowMs, const QByteArray &eventId) const;
    // Forgets the readings no change of zone can bring back, as the clock reads `now`, and that are
    // before the reading (UTC spec) the events are asked from.
    void forgetShown(const QDateTime &now, const QDateTime &askedFrom);
    // When the table was last looked at for due reminders (UTC), and what the wall clock read then or at
    // the last change of zone, from where the next one asks.
    QDateTime m_lastCheck;
    QDateTime m_lastReading;
    // After a change of zone the next rebuild asks the events from here (local) instead of from now.
    QDateTime m_askFrom;
    bool m_waking = false; // the zone is read at a wake of the timer
    // Asking an event for its reminder time costs several local-time conversions, and every
    // change of any event rebuilds the table: the answers stay valid until the event changes,
    // the day changes or the answered moment comes. Kept by the event's place in the list; an
    // event found at another place is asked again.
    struct CachedKey
    {
        std::weak_ptr<AbstractCommonEvent> event; // keeps its owner block, so a reused address is told apart
        QDate askedOn;                            // local
        qint64 askedAt = 0;                       // milliseconds since the epoch, as the others
        qint64 until = 0;                         // the answered moment; none: never
        qint64 key = 0;                           // the answer's minute
        bool hasKey = false;
    };
    std::vector<CachedKey> m_keys;
    // The event's reminder minute (none without a reminder) after `moment` (local, its instant
    // `momentMs`, on `today`), reused while the event is unchanged.
    static std::optional<qint64> reminderKey(CachedKey &cached, const AbstractCommonEventPtr &event,
                                             const QDateTime &moment, qint64 momentMs, const QDate &today);
    QDateTime m_wakeTime;
    ReminderTable m_saved;
    bool m_hasSaved = false;
    QDateTime m_savedLook;
    bool m_lookToSave = false; // windows opened since the last save
    // The ids of the events whose windows closed with them on m_closedOn.
    QSet<QByteArray> m_closedWithEvent;
    QDate m_closedOn;
};
