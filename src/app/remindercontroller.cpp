#include "app/remindercontroller.h"

#include "app/reminderwidget.h"
#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/settingkeys.h"
#include "events/notspecifiedevent.h"
#include "platform/iwallclocktimer.h"
#include "store/eventsmanager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSet>

#include <limits>
#include <memory>
#include <optional>

namespace ReminderControllerPrivate {

const QByteArray s_settingsKey = QByteArray(Setting::Reminders);
// When the table was last looked at, written with each table and when windows opened: the wall clock's
// reading and its zone's offset, as text.
const QByteArray s_lookKey = QByteArray(Setting::ReminderLastLook);
// The readings shown, for a start on the same day.
const QByteArray s_shownKey = QByteArray(Setting::ReminderShown);
// How long a shown minute keeps its own instant from opening again: longer than any zone repeats its hours.
const int s_doneHours = 3;
// How long a shown reading is kept: a change of zone moves the wall clock by 26 hours at most.
const int s_shownHours = 26;
// How many minutes a jump of the clock passed over an event is asked for, past those shown already.
const int s_passedAsked = 8;
// The window comes a little after the minute starts, so the minute is surely "now" when it fires.
const int s_wakeDelaySecs = 15;

QDateTime s_processStart;

std::unique_ptr<IWallClockTimer> s_updateTimer;
ReminderController *s_timerOwner = nullptr;
QList<QMetaObject::Connection> s_timerConnections;

// The start of the time's minute, in UTC. Counted on the instant, so an hour repeated by daylight
// saving keeps its own offset; zones are whole minutes off UTC, so its seconds are the wall clock's.
QDateTime minuteOf(const QDateTime &time)
{
    const QDateTime utc = time.toUTC();
    const QTime t = utc.time();
    return utc.addMSecs(-qint64(t.second()) * 1000 - t.msec());
}

// A snooze never comes earlier than asked: its time is rounded up to the whole second.
QDateTime snoozeKey(const QDateTime &time)
{
    const QDateTime utc = time.toUTC();
    const int msec = utc.time().msec();
    return msec ? utc.addMSecs(1000 - msec) : utc;
}

// The time a minute shows on the wall clock, the same for both passes of a repeated hour.
QDateTime wallReading(const QDateTime &key)
{
    const QDateTime local = key.toLocalTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

// The reading of a reminder's own moment, the event's time less its notice: where the offset changes
// between the two (daylight saving), the reminder's instant reads otherwise in one zone than in another.
QDateTime readingFor(const AbstractCommonEventPtr &event, const QDateTime &key)
{
    const auto *timed = dynamic_cast<const NotSpecifiedEvent *>(event.get());
    const bool hasTime = timed && timed->period().hasTime();
    const qint64 notice = hasTime ? qint64(timed->notifyMinutes()) * 60 : 0;
    QDateTime at = wallReading(key.addSecs(notice));
    // An event at a time the clocks skip that night comes as much later: its reading stays its own time,
    // as the clock of a zone that does not skip it reads it.
    if (hasTime) {
        const QTime own = timed->period().beginTime();
        if (at.time() != own && localDateTime(at.date(), own).toUTC() == key.addSecs(notice))
            at.setTime(own);
    }
    return at.addSecs(-notice);
}

// The reading an entry is due at: where it was worked out, or here.
QDateTime readingOf(const QDateTime &key, const ReminderEntry &entry)
{
    return entry.reading.isValid() ? entry.reading : wallReading(key);
}

// A look as its wall clock read it, with the offset of its zone. An earlier build reads the instant;
// its own text in UTC ("Z") tells no zone, so an offset of none is written out too.
QString lookText(const QDateTime &look)
{
    const int offset = look.toLocalTime().offsetFromUtc();
    QString text = look.toOffsetFromUtc(offset).toString(Qt::ISODateWithMs);
    if (offset == 0 && text.endsWith(QLatin1Char('Z')))
        text.replace(text.size() - 1, 1, QStringLiteral("+00:00"));
    return text;
}

// Where the local date begins, in UTC; a day the clocks skip whole begins where the next one does.
QDateTime dayStartUtc(const QDate &date)
{
    const QDateTime start = date.startOfDay();
    return (start.isValid() ? start : date.addDays(1).startOfDay()).toUTC();
}

// When an entry wakes the timer: an event's reminder a little into its minute, a snooze on time.
QDateTime wakeFor(const QDateTime &key, const ReminderEntry &entry)
{
    return entry.snoozed ? key : key.addSecs(s_wakeDelaySecs);
}

} // namespace ReminderControllerPrivate

using namespace ReminderControllerPrivate;

ReminderController::ReminderController(QObject *parent, ShowFunction show) : QObject(parent), m_show(std::move(show))
{
    if (!m_show)
        m_show = [](const AbstractCommonEventPtr &event) { ReminderWidget::showReminder(event); };
    m_eventsManager = IApplication::instance()->eventsManager();
    QR_ASSERT(m_eventsManager);
    restoreSnoozed();
    restoreShown();
    m_savedLook = storedLastLook().toUTC();
    addMissedSince(missedSince());
    s_processStart = QDateTime(); // a later start in the process has a look, or started after it
    // A first start writes its look at once: a run killed before anything else was written must not
    // leave the next start looking back only to its own process start.
    m_lookToSave = !m_savedLook.isValid();
    showReminder();
    // At the end of the run, while the application can still tell of a failed write.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &ReminderController::saveLastLook);
    if (!m_eventsManager)
        return;
    connect(m_eventsManager, &EventsManager::eventAdded, this, &ReminderController::scheduleReminder);
    connect(m_eventsManager, &EventsManager::eventRemoved, this, &ReminderController::scheduleReminder);
    connect(m_eventsManager, &EventsManager::eventChanged, this, &ReminderController::onEventChanged);
    connect(m_eventsManager, &EventsManager::layoutChanged, this, &ReminderController::scheduleReminder);
    connect(m_eventsManager, &EventsManager::eventAdded, this, &ReminderController::reopenReturned);
    connect(m_eventsManager, &EventsManager::layoutChanged, this, &ReminderController::reopenReturned);
}

ReminderController::~ReminderController()
{
    // The timer outlives the controller; it must not wake a controller that is gone.
    if (s_timerOwner == this) {
        s_updateTimer->stop();
        for (const QMetaObject::Connection &connection : qAsConst(s_timerConnections))
            QObject::disconnect(connection);
        s_timerConnections.clear();
        s_timerOwner = nullptr;
    }
}

IWallClockTimer *ReminderController::updateTimer()
{
    return s_updateTimer.get();
}

QDateTime ReminderController::storedLastLook()
{
    return QDateTime::fromString(IApplication::instance()->settingsValue(s_lookKey).toString(), Qt::ISODateWithMs);
}

void ReminderController::setProcessStart(const QDateTime &time)
{
    s_processStart = time;
}

QDateTime ReminderController::missedSince()
{
    const QString text = IApplication::instance()->settingsValue(s_lookKey).toString();
    const QDateTime look = QDateTime::fromString(text, Qt::ISODateWithMs);
    // None stored (a first start): what fell due while the process started is missed, not passed over.
    if (!look.isValid())
        return s_processStart.toLocalTime();
    const QDateTime here = look.toLocalTime();
    // Taken on the same clock, or by an earlier build, which wrote no zone.
    if (text.endsWith(QLatin1Char('Z')) || look.offsetFromUtc() == here.offsetFromUtc())
        return here;
    // The wall clock jumped from that reading to this one: east, what it passed over is missed too; west,
    // what the old zone passed before the look is not due again here, though its instant came later.
    const QDateTime reading(look.date(), look.time());
    return reading.isValid() ? reading : here;
}

void ReminderController::snooze(const AbstractCommonEventPtr &event, const QDateTime &time)
{
    // The window of a removed event closes only from the event loop; a snooze before must not bring it back.
    if (!event || !m_eventsManager || !m_eventsManager->eventById(event->id()))
        return;
    m_reminders[snoozeKey(time)].append({event->id(), true});
    scheduleReminder();
}

void ReminderController::closedWithEvent(const QByteArray &eventId)
{
    // Only today's closes are kept: a window closed on an earlier day was of that day's reminder.
    const QDate today = Common::Clock::today();
    if (m_closedOn != today) {
        m_closedWithEvent.clear();
        m_closedOn = today;
    }
    m_closedWithEvent.insert(eventId);
}

void ReminderController::reopenReturned()
{
    if (m_closedWithEvent.isEmpty() || !m_eventsManager)
        return;
    if (m_closedOn != Common::Clock::today()) {
        m_closedWithEvent.clear();
        return;
    }
    // Its reminder was looked at already: the window comes back without waiting for the timer.
    QList<AbstractCommonEventPtr> back;
    for (auto it = m_closedWithEvent.begin(); it != m_closedWithEvent.end();) {
        if (const AbstractCommonEventPtr event = m_eventsManager->eventById(*it)) {
            back.append(event);
            it = m_closedWithEvent.erase(it);
        } else {
            ++it;
        }
    }
    for (const AbstractCommonEventPtr &event : std::as_const(back))
        m_show(event);
}

void ReminderController::recompute()
{
    // Every answer is asked again; which event each one is of stays known.
    for (CachedKey &cached : m_keys)
        cached.askedOn = QDate();
    // Found at a wake: the event reminders that came during the sleep were worked out on the old zone's
    // clock; the events are asked again from the jump's start below.
    for (auto it = m_reminders.upperBound(m_lastCheck); m_waking && it != m_reminders.end();) {
        it->removeIf([](const ReminderEntry &entry) { return !entry.snoozed; });
        it = it->isEmpty() ? m_reminders.erase(it) : std::next(it);
    }
    m_waking = false; // asked again here
    // The wall clock jumped from the reading of the last look to the new zone's reading of the same
    // moment: what it passed over is due now, as after a sleep. A move west passes over nothing: it
    // counts as a look, and the minutes it brings round again come as the clock reads them. What fell
    // due and waits stays due either way.
    const QDateTime now = Common::Clock::now();
    const QDateTime nowUtc = now.toUTC();
    const QDateTime todayStart = dayStartUtc(now.date());
    QDateTime look = nowUtc;
    for (auto it = m_reminders.cbegin(); it != m_reminders.cend() && it.key() < look; ++it) {
        if (isPending(it.key(), nowUtc, todayStart))
            look = it.key();
    }
    const QDateTime since(m_lastReading.date(), m_lastReading.time());
    if (m_lastReading.isValid() && since.isValid() && since < now) {
        m_askFrom = since;
        look = std::min(look, since.toUTC());
    }
    if (m_lastReading.isValid())
        m_lastCheck = look;
    // The next change asks from here: the clock has passed what it passed over, or waits for it.
    m_lastReading = wallReading(now);
    // What fell due wakes the timer at the next turn of the loop.
    scheduleReminder();
}

bool ReminderController::shownAlready(const QDateTime &reading, qint64 keyMs, qint64 nowMs,
                                      const QByteArray &eventId) const
{
    // Its own instant ahead again: the clock was set back.
    const auto it = m_done.constFind({reading, eventId});
    return it != m_done.cend() && (it->recent || it->keyMs != keyMs || keyMs <= nowMs);
}

void ReminderController::forgetShown(const QDateTime &now, const QDateTime &askedFrom)
{
    // The same minute comes again only within minutes (its seconds) or an hour or two (the hour
    // repeated when daylight saving ends); a reading the widest change of zone cannot bring back, and
    // that the events are not asked from, never does.
    const QDateTime reading = wallReading(now);
    const QDateTime forgotten = reading.addSecs(-s_doneHours * 3600);
    const QDateTime gone = std::min(reading.addSecs(-s_shownHours * 3600), askedFrom);
    for (auto it = m_done.begin(); it != m_done.end();) {
        if (it.key().first >= forgotten) {
            ++it;
        } else if (it.key().first < gone) {
            it = m_done.erase(it);
        } else {
            it->recent = false;
            ++it;
        }
    }
}

bool ReminderController::isPending(const QDateTime &key, const QDateTime &now, const QDateTime &todayStart) const
{
    if (!key.isValid() || key > now)
        return false;
    return key >= todayStart || (m_lastCheck.isValid() && key >= minuteOf(m_lastCheck));
}

void ReminderController::scheduleReminder()
{
    if (!s_updateTimer)
        s_updateTimer = IWallClockTimer::create();
    // A controller made anew (tests, a restarted application) takes the timer over.
    if (s_timerOwner != this) {
        for (const QMetaObject::Connection &connection : qAsConst(s_timerConnections))
            QObject::disconnect(connection);
        s_timerConnections = {
            connect(s_updateTimer.get(), &IWallClockTimer::timeout, this, [this] { onWake(false); }),
            // A resume or a moved clock: look at what fell due meanwhile and schedule anew.
            connect(s_updateTimer.get(), &IWallClockTimer::clockChanged, this, [this] { onWake(true); })};
        QR_ASSERT(s_timerConnections.at(0) && s_timerConnections.at(1));
        s_timerOwner = this;
    }
    s_updateTimer->stop();

    nearestReminders();

    // Read after the rebuild: a wake-up whose time passed during it fires at the next turn of the loop.
    const QDateTime now = Common::Clock::now();
    const QDateTime limit = dayLimit(now.date());
    QDateTime earliest = limit.toUTC();
    bool fromTable = false;
    // Snoozes wake on their second, events 15 s into their minute: the earliest of the first keys.
    for (auto it = m_reminders.cbegin(); it != m_reminders.cend() && it.key() < earliest; ++it) {
        if (!it.key().isValid())
            continue;
        for (const ReminderEntry &entry : it.value()) {
            const QDateTime wake = wakeFor(it.key(), entry);
            if (wake.isValid() && wake < earliest) {
                earliest = wake;
                fromTable = true;
            }
        }
    }
    m_wakeTime = fromTable ? earliest.toLocalTime() : limit;
    // An invalid time never comes: no reminder would open until something else schedules again.
    m_wakeTime = validWakeTime(m_wakeTime, now.addSecs(60), "the next reminder update");
    qDebug().noquote() << "Next reminder update scheduled for" << m_wakeTime.toString(Qt::ISODate);
    s_updateTimer->start(m_wakeTime);

    saveSnoozed();
}

void ReminderController::onWake(bool clockChanged)
{
    const QDateTime now = Common::Clock::now();
    // Late (a sleep) or on a moved clock: the table was built for its wake, and an event whose next
    // reminder was not in it yet (after a midnight the sleep passed) is asked from the last look.
    const bool jumped = clockChanged || now > m_wakeTime.addSecs(60);
    m_waking = true;
    emit waking();
    if (m_waking && jumped && m_lastCheck.isValid() && m_lastCheck < now.toUTC()) {
        m_askFrom = m_lastCheck.toLocalTime();
        nearestReminders();
    }
    m_waking = false;
    showReminder();
}

void ReminderController::showReminder()
{
    const QDateTime nowLocal = Common::Clock::now();
    const QDateTime now = nowLocal.toUTC();
    const QDateTime todayStart = dayStartUtc(nowLocal.date());
    QMap<QDateTime, QList<AbstractCommonEventPtr>> due;

    for (auto it = m_reminders.begin(); it != m_reminders.end();) {
        const QDateTime &key = it.key();
        const bool pending = isPending(key, now, todayStart);
        // Due before today and before the last look: left from an earlier run, dropped unseen, but for a
        // snooze, which the user chose.
        const bool stale = !key.isValid() || (!pending && key <= now);
        // In the order of the keys: from the first still ahead on, none is due.
        if (!stale && !pending)
            break;
        for (const ReminderEntry &entry : qAsConst(it.value())) {
            const bool drop = stale && (!entry.snoozed || !key.isValid());
            const AbstractCommonEventPtr event =
                drop || !m_eventsManager ? AbstractCommonEventPtr() : m_eventsManager->eventById(entry.eventId);
            // Gone events leave without a window.
            if (event)
                due[key].append(event);
            // As the wall clock read it where it fell due: a zone changed since gives its instant another.
            if (!entry.snoozed && key.isValid()) {
                m_done.insert({readingOf(key, entry), entry.eventId}, {key.toMSecsSinceEpoch(), true});
                m_shownToSave = true;
            }
        }
        it = m_reminders.erase(it);
    }
    m_lastCheck = now;
    m_lastReading = QDateTime(nowLocal.date(), nowLocal.time(), Qt::UTC);
    // A restart must not open these again: the look is saved with the table the scheduling saves.
    m_lookToSave = m_lookToSave || !due.isEmpty();

    // Latest first, so the earliest reminder ends on top of the cascade.
    for (auto it = due.constEnd(); it != due.constBegin();) {
        --it;
        for (const AbstractCommonEventPtr &event : it.value())
            m_show(event);
    }
    scheduleReminder();
}

void ReminderController::nearestReminders()
{
    // Every key is worked out against this one moment: an event asked after its minute passed
    // during a long rebuild would answer its next day instead.
    const QDateTime nowLocal = Common::Clock::now();
    const QDateTime now = nowLocal.toUTC();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const QDateTime todayStart = dayStartUtc(nowLocal.date());

    forgetShown(now, m_askFrom.isValid() ? QDateTime(m_askFrom.date(), m_askFrom.time(), Qt::UTC) : wallReading(now));

    // Snoozes stay; so do reminders that fell due and wait for the timer, since the event no
    // longer answers a time that has passed. They stay while their event is away: an event
    // replaced (removed and added back under its id) keeps its reminder; one that stays removed
    // gets no window when the reminder is looked at.
    ReminderTable pending;
    ReminderTable snoozed;
    QSet<QPair<QDateTime, QByteArray>> waiting;
    for (auto it = m_reminders.cbegin(); it != m_reminders.cend(); ++it) {
        for (const ReminderEntry &entry : it.value()) {
            if (entry.snoozed)
                snoozed[it.key()].append(entry);
            else if (isPending(it.key(), now, todayStart)) {
                pending[it.key()].append(entry);
                waiting.insert({readingOf(it.key(), entry), entry.eventId});
            }
        }
    }
    // After a change of zone each event is asked from the last look's reading on, so that the minutes
    // the clock jumped over come in as due.
    const QDateTime askLocal = m_askFrom.isValid() ? m_askFrom : nowLocal;
    const qint64 askMs = m_askFrom.isValid() ? m_askFrom.toMSecsSinceEpoch() : nowMs;
    m_askFrom = QDateTime();

    m_reminders = pending;
    if (m_eventsManager) {
        // The list is shared, not copied; walking it by reference leaves the events' counts alone.
        const QList<AbstractCommonEventPtr> events = m_eventsManager->events();
        // Not the next date's start: a day the clocks skip has none, and no key would come before it.
        const QDateTime tomorrow = dayLimit(nowLocal.date()).toUTC();
        const qint64 tomorrowMs = tomorrow.isValid() ? tomorrow.toMSecsSinceEpoch() : nowMs + 86400000;
        const bool looked = m_lastCheck.isValid();
        const qint64 todayStartMs = todayStart.toMSecsSinceEpoch();
        const qint64 lookedMinute = looked ? minuteOf(m_lastCheck).toMSecsSinceEpoch() : 0;
        const QDate today = nowLocal.date();
        // Walked in the list's order: an answer looked up by the event's address lands anywhere in
        // memory, and past some thousands of events those look-ups outgrow the processor's caches.
        m_keys.resize(size_t(events.size()));
        for (qsizetype i = 0; i < events.size(); ++i) {
            const AbstractCommonEventPtr &event = events.at(i);
            CachedKey &cached = m_keys[size_t(i)];
            // Asked from before now, an event whose minute the clock passed over is not due again is asked
            // on from that minute: a later one it passed over may be, or one still ahead today.
            QDateTime moment = askLocal;
            qint64 momentMs = askMs;
            // A jump over several days opens one window an event: today's, where the clock passed it.
            std::optional<ReminderEntry> earlierDay;
            QDateTime earlierKey;
            for (int asked = 0;; ++asked) {
                const bool fromNow = momentMs >= nowMs || asked == s_passedAsked;
                const std::optional<qint64> key = fromNow ? reminderKey(cached, event, nowLocal, nowMs, today)
                                                          : reminderKey(cached, event, moment, momentMs, today);
                if (!key)
                    break;
                // A minute that passed before the last look was looked at then.
                bool skip = *key <= nowMs && looked && *key < lookedMinute;
                const QDateTime keyTime = QDateTime::fromMSecsSinceEpoch(*key, Qt::UTC);
                const QByteArray id = event->id();
                // Waiting already, or shown at this reading of the clock (also the second time the clock
                // reads it, in the hour repeated when daylight saving ends, or after a change of zone).
                // Only today's minutes can be either, and only theirs keep the reading; the many later
                // ones skip the look-up.
                QDateTime reading;
                if (!skip && *key < tomorrowMs) {
                    reading = readingFor(event, keyTime);
                    skip = waiting.contains({reading, id}) || shownAlready(reading, *key, nowMs, id);
                }
                const bool earlier = !skip && !fromNow && *key < todayStartMs;
                if (earlier) {
                    earlierDay = ReminderEntry{id, false, reading};
                    earlierKey = keyTime;
                } else if (!skip) {
                    m_reminders[keyTime].append({id, false, reading});
                    if (*key <= nowMs)
                        earlierDay.reset();
                }
                if ((!skip && !earlier) || fromNow || *key > nowMs)
                    break;
                momentMs = cached.until; // the answer itself, seconds and all
                moment = QDateTime::fromMSecsSinceEpoch(momentMs);
            }
            if (earlierDay)
                m_reminders[earlierKey].append(*earlierDay);
        }
    }
    for (auto it = snoozed.cbegin(); it != snoozed.cend(); ++it)
        m_reminders[it.key()].append(it.value());
}

std::optional<qint64> ReminderController::reminderKey(CachedKey &cached, const AbstractCommonEventPtr &event,
                                                      const QDateTime &moment, qint64 momentMs, const QDate &today)
{
    // Same owner: the same event, told apart without touching the count (a cache miss per event).
    const bool sameEvent = !cached.event.owner_before(event) && !event.owner_before(cached.event);
    const bool fresh = sameEvent && cached.askedOn == today && cached.askedAt <= momentMs && momentMs < cached.until;
    if (!fresh) {
        const QDateTime time = event->reminderUtcAfter(moment, momentMs);
        if (!sameEvent)
            cached.event = event;
        cached.askedOn = today;
        cached.askedAt = momentMs;
        cached.hasKey = time.isValid();
        cached.key = cached.hasKey ? minuteOf(time).toMSecsSinceEpoch() : 0;
        cached.until = cached.hasKey ? time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    }
    return cached.hasKey ? std::optional<qint64>(cached.key) : std::nullopt;
}

void ReminderController::onEventChanged(int index)
{
    // An event at a place not yet walked has no answer kept.
    if (index < 0)
        m_keys.clear();
    else if (size_t(index) < m_keys.size())
        m_keys[size_t(index)] = CachedKey();
    scheduleReminder();
}

void ReminderController::restoreSnoozed()
{
    const QVariant stored = IApplication::instance()->settingsValue(s_settingsKey, QVariant());
    // What is stored already needs no writing again. Nothing stored reads as no reminders, and so
    // does the empty list, which the INI store writes as no value: neither is written at each start.
    m_saved = snoozedFromVariant(stored);
    m_hasSaved = true;
    // A reminder worked out in another zone is due when the wall clock here reads what it read for it:
    // a move east passed it while the program was closed, a move west brought it ahead again. One that
    // passed both there and here stays where it fell due.
    const QDateTime now = Common::Clock::nowUtc();
    m_reminders.clear();
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
        for (const ReminderEntry &entry : it.value()) {
            QDateTime key = it.key();
            const AbstractCommonEventPtr event =
                entry.snoozed || !m_eventsManager ? nullptr : m_eventsManager->eventById(entry.eventId);
            if (event && entry.reading.isValid() && readingFor(event, key) != entry.reading) {
                if (const std::optional<qint64> moment = localMoment(entry.reading.date(), entry.reading.time())) {
                    const QDateTime here = minuteOf(QDateTime::fromMSecsSinceEpoch(*moment, Qt::UTC));
                    key = key > now || here > now ? here : key;
                }
            }
            m_reminders[key].append(entry);
        }
    }
}

void ReminderController::restoreShown()
{
    const QVariantList list = IApplication::instance()->settingsValue(s_shownKey, QVariant()).toList();
    for (const QVariant &item : list) {
        const QVariantMap map = item.toMap();
        const QDateTime reading = map.value(QStringLiteral("reading")).toDateTime();
        const QDateTime key = map.value(QStringLiteral("date")).toDateTime();
        if (reading.isValid() && key.isValid())
            m_done.insert({reading, map.value(QStringLiteral("eventId")).toByteArray()},
                          {key.toMSecsSinceEpoch(), true});
    }
    forgetShown(Common::Clock::now(), wallReading(Common::Clock::now()));
}

void ReminderController::saveSnoozed()
{
    // A restart needs the snoozes and today's reminders, not every event's coming one: those the
    // events answer again. Most rebuilds leave that part as it was; the store is touched only
    // when it changed.
    const ReminderTable part = storedPart(m_reminders, Common::Clock::now().date());
    const bool table = !m_hasSaved || part != m_saved;
    // The look goes with every table it made: a start after a kill then knows from when the table holds.
    const bool look = (m_lookToSave || table) && m_lastCheck.isValid() && m_lastCheck != m_savedLook;
    const bool shown = m_shownToSave;
    m_lookToSave = false;
    m_shownToSave = false;
    if (!table && !look && !shown)
        return;
    // All in one write: a look that opens windows replaces the file once.
    QList<QPair<QByteArray, QVariant>> values;
    if (table)
        values.append({s_settingsKey, snoozedToVariant(part)});
    if (look)
        values.append({s_lookKey, lookText(m_lastCheck)});
    if (shown) {
        QVariantList list;
        for (auto it = m_done.cbegin(); it != m_done.cend(); ++it)
            list.append(QVariantMap{{QStringLiteral("reading"), it.key().first},
                                    {QStringLiteral("eventId"), it.key().second},
                                    {QStringLiteral("date"), QDateTime::fromMSecsSinceEpoch(it->keyMs, Qt::UTC)}});
        values.append({s_shownKey, list});
    }
    IApplication::instance()->setSettingsValues(values);
    m_saved = part;
    m_hasSaved = true;
    if (look)
        m_savedLook = m_lastCheck;
}

void ReminderController::addMissedSince(const QDateTime &since)
{
    // Without a last look nothing is known missed.
    if (!since.isValid() || !m_eventsManager)
        return;
    const QDateTime now = Common::Clock::now();
    if (since >= now)
        return;
    const QDateTime today = now.date().startOfDay();
    const QDateTime todayUtc = dayStartUtc(now.date());
    // Event reminders of an earlier day are dropped at a start, but for one whose event is still ahead:
    // a resume over the same night opens it too. A snooze the user chose opens whatever the day.
    // An earlier day by its reading: after a move east an earlier day's reading may fall on today here.
    for (auto it = m_reminders.begin(); it != m_reminders.end() && it.key() <= now;) {
        const bool earlier = it.key() < todayUtc;
        it->removeIf([&](const ReminderEntry &entry) {
            return !entry.snoozed && (earlier || readingOf(it.key(), entry).date() < now.date());
        });
        it = it->isEmpty() ? m_reminders.erase(it) : std::next(it);
    }
    // Due already at the same reading, maybe of another zone's clock, or shown at it.
    QSet<QPair<QDateTime, QByteArray>> waiting;
    for (auto it = m_reminders.cbegin(); it != m_reminders.cend() && it.key() <= now; ++it) {
        for (const ReminderEntry &entry : it.value())
            waiting.insert({readingOf(it.key(), entry), entry.eventId});
    }
    const QList<AbstractCommonEventPtr> events = m_eventsManager->events();
    for (const AbstractCommonEventPtr &event : events) {
        QDateTime time = event->reminderDateTimeAfter(since);
        if (time.isValid() && time < today && event->remindedBeginAfter(since) <= now)
            time = event->reminderDateTimeAfter(qMax(since, today));
        if (!time.isValid() || time > now)
            continue;
        const QDateTime key = minuteOf(time);
        const ReminderEntry entry{event->id(), false, readingFor(event, key)};
        if (!waiting.contains({entry.reading, entry.eventId}) &&
            !shownAlready(entry.reading, key.toMSecsSinceEpoch(), now.toMSecsSinceEpoch(), entry.eventId)) {
            m_reminders[key].append(entry);
            waiting.insert({entry.reading, entry.eventId});
        }
    }
    // What is in the table now came since the last look: it is due as after a resume.
    m_lastCheck = since.toUTC();
}

void ReminderController::saveLastLook()
{
    IApplication *app = IApplication::instance();
    if (!app || !m_lastCheck.isValid() || m_lastCheck == m_savedLook)
        return;
    app->setSettingsValue(s_lookKey, lookText(m_lastCheck));
    m_savedLook = m_lastCheck;
}

ReminderTable ReminderController::storedPart(const ReminderTable &table, const QDate &today)
{
    ReminderTable result;
    const QDateTime begin = dayStartUtc(today);
    const QDateTime end = dayStartUtc(today.addDays(1));
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const bool ofToday = it.key() >= begin && it.key() < end;
        for (const ReminderEntry &entry : it.value()) {
            if (entry.snoozed || ofToday)
                result[it.key()].append(entry);
        }
    }
    return result;
}

QVariantList ReminderController::snoozedToVariant(const ReminderTable &table)
{
    QVariantList result;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        for (const ReminderEntry &entry : it.value()) {
            QVariantMap map;
            map.insert(QStringLiteral("version"), 1);
            // The instant: a local time in the hour repeated when daylight saving ends reads back as its second pass.
            map.insert(QStringLiteral("date"), it.key());
            map.insert(QStringLiteral("eventId"), entry.eventId);
            map.insert(QStringLiteral("snoozed"), entry.snoozed);
            if (entry.reading.isValid())
                map.insert(QStringLiteral("reading"), entry.reading);
            result.append(map);
        }
    }
    return result;
}

ReminderTable ReminderController::snoozedFromVariant(const QVariant &value)
{
    ReminderTable result;
    if (value.typeId() != QMetaType::QVariantList)
        return result;
    const QVariantList list = value.toList();
    for (const QVariant &item : list) {
        if (item.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap map = item.toMap();
        result[map.value(QStringLiteral("date")).toDateTime().toUTC()].append(
            {map.value(QStringLiteral("eventId")).toByteArray(), map.value(QStringLiteral("snoozed")).toBool(),
             map.value(QStringLiteral("reading")).toDateTime()});
    }
    return result;
}
