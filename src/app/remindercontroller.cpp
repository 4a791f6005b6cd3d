#include "app/remindercontroller.h"

#include "app/reminderwidget.h"
#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "store/eventsmanager.h"

#include <QDebug>
#include <QSet>
#include <QTimer>

#include <limits>
#include <memory>

namespace ReminderControllerPrivate {

const QByteArray s_settingsKey = QByteArrayLiteral("reminder");
// The window comes a little after the minute starts, so the minute is surely "now" when it fires.
const int s_wakeDelaySecs = 15;

std::unique_ptr<QTimer> s_updateTimer;
ReminderController *s_timerOwner = nullptr;
QMetaObject::Connection s_timerConnection;

// A plain reminder that fell due today and has not been shown yet.
bool isPendingToday(const QDateTime &key, const QDateTime &now)
{
    return key.isValid() && key.date() == now.date() && key <= now;
}

} // namespace ReminderControllerPrivate

using namespace ReminderControllerPrivate;

ReminderController::ReminderController(QObject *parent, ShowFunction show)
    : QObject(parent), m_show(std::move(show))
{
    if (!m_show)
        m_show = [](const AbstractCommonEventPtr &event) { ReminderWidget::showReminder(event); };
    m_eventsManager = IApplication::instance()->eventsManager();
    QR_ASSERT(m_eventsManager);
    restoreSnoozed();
    showReminder();
    if (!m_eventsManager)
        return;
    QR_ASSERT(connect(m_eventsManager, &EventsManager::eventAdded, this, &ReminderController::scheduleReminder));
    QR_ASSERT(connect(m_eventsManager, &EventsManager::eventRemoved, this, &ReminderController::scheduleReminder));
    QR_ASSERT(connect(m_eventsManager, &EventsManager::eventChanged, this, &ReminderController::onEventChanged));
    QR_ASSERT(connect(m_eventsManager, &EventsManager::layoutChanged, this, &ReminderController::scheduleReminder));
}

ReminderController::~ReminderController()
{
    // The timer outlives the controller; it must not wake a controller that is gone.
    if (s_timerOwner == this) {
        s_updateTimer->stop();
        QObject::disconnect(s_timerConnection);
        s_timerOwner = nullptr;
    }
}

QTimer *ReminderController::updateTimer()
{
    return s_updateTimer.get();
}

void ReminderController::snooze(const AbstractCommonEventPtr &event, const QDateTime &time)
{
    // The window of a removed event stays open; snoozing it must not bring the event back.
    if (!event || !m_eventsManager || !m_eventsManager->eventById(event->id()))
        return;
    m_reminders[dropSeconds(time.addSecs(30))].append({event->id(), true});
    scheduleReminder();
}

void ReminderController::scheduleReminder()
{
    if (!s_updateTimer) {
        s_updateTimer = std::make_unique<QTimer>();
        s_updateTimer->setSingleShot(true);
    }
    // A controller made anew (tests, a restarted application) takes the timer over.
    if (s_timerOwner != this) {
        QObject::disconnect(s_timerConnection);
        s_timerConnection = connect(s_updateTimer.get(), &QTimer::timeout, this, &ReminderController::showReminder);
        QR_ASSERT(s_timerConnection);
        s_timerOwner = this;
    }
    s_updateTimer->stop();

    nearestReminders();

    const QDateTime now = Common::Clock::now();
    const QDateTime dayLimit(now.date().addDays(1), QTime(0, 0, 1));
    m_wakeTime = dayLimit;
    for (auto it = m_reminders.cbegin(); it != m_reminders.cend(); ++it) {
        if (!it.key().isValid())
            continue;
        const QDateTime wake = it.key().addSecs(s_wakeDelaySecs);
        if (wake.isValid() && wake < dayLimit)
            m_wakeTime = wake;
        break;
    }
    qDebug().noquote() << "Next reminder update scheduled for" << m_wakeTime.toString(Qt::ISODate);
    s_updateTimer->setInterval(int(qBound<qint64>(0, now.msecsTo(m_wakeTime), qint64(std::numeric_limits<int>::max()))));
    s_updateTimer->start();

    saveSnoozed();
}

void ReminderController::showReminder()
{
    const QDateTime now = dropSeconds(Common::Clock::now());
    const QDate today = now.date();
    QMap<QDateTime, QList<AbstractCommonEventPtr>> due;

    for (auto it = m_reminders.begin(); it != m_reminders.end();) {
        QList<ReminderEntry> kept;
        const QDateTime &key = it.key();
        const bool past = !key.isValid() || key.date() < today;
        const bool pending = isPendingToday(key, now);
        for (const ReminderEntry &entry : qAsConst(it.value())) {
            // Coming reminders of the events are made anew by the rebuild; only the entries that
            // leave or may leave now need their event, which is searched for in the whole list.
            if (!past && !pending && !entry.snoozed) {
                kept.append(entry);
                continue;
            }
            const AbstractCommonEventPtr event = past || !m_eventsManager
                                                     ? AbstractCommonEventPtr()
                                                     : m_eventsManager->eventById(entry.eventId);
            // Gone events and reminders missed on an earlier day leave without a window.
            const bool drop = !event;
            if (!drop && !pending) {
                kept.append(entry);
                continue;
            }
            if (!drop)
                due[key].append(event);
            if (!entry.snoozed)
                m_done.append({key, entry.eventId});
        }
        if (kept.isEmpty())
            it = m_reminders.erase(it);
        else {
            it.value() = kept;
            ++it;
        }
    }

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
    const QDateTime now = dropSeconds(Common::Clock::now());

    // Minutes that passed can never be answered again by an event.
    m_done.erase(std::remove_if(m_done.begin(), m_done.end(),
                                [&now](const QPair<QDateTime, QByteArray> &done) { return done.first < now; }),
                 m_done.end());

    // Snoozes stay; so do today's reminders that fell due and wait for the timer, since the
    // event no longer answers a time that has passed.
    ReminderTable pending;
    ReminderTable snoozed;
    QSet<QPair<QDateTime, QByteArray>> known(m_done.cbegin(), m_done.cend());
    for (auto it = m_reminders.cbegin(); it != m_reminders.cend(); ++it) {
        for (const ReminderEntry &entry : it.value()) {
            if (entry.snoozed)
                snoozed[it.key()].append(entry);
            else if (isPendingToday(it.key(), now) && m_eventsManager && m_eventsManager->eventById(entry.eventId)) {
                pending[it.key()].append(entry);
                known.insert({it.key(), entry.eventId});
            }
        }
    }

    m_reminders = pending;
    if (m_eventsManager) {
        // The list is shared, not copied; walking it by reference leaves the events' counts alone.
        const QList<AbstractCommonEventPtr> events = m_eventsManager->events();
        const QDateTime exactNow = Common::Clock::now();
        // Removed events leave their answers behind; drop them all now and then.
        if (m_keys.size() > 2 * events.size() + 64)
            m_keys.clear();
        for (const AbstractCommonEventPtr &event : events) {
            const QDateTime key = reminderKey(event, exactNow);
            if (!key.isValid())
                continue;
            const QByteArray id = event->id();
            if (key <= now && known.contains({key, id}))
                continue;
            m_reminders[key].append({id, false});
        }
    }
    for (auto it = snoozed.cbegin(); it != snoozed.cend(); ++it)
        m_reminders[it.key()].append(it.value());
}

QDateTime ReminderController::reminderKey(const AbstractCommonEventPtr &event, const QDateTime &exactNow)
{
    CachedKey &cached = m_keys[event.get()];
    // Same owner: the same event, told apart without touching the count (a cache miss per event).
    const bool sameEvent = !cached.event.owner_before(event) && !event.owner_before(cached.event);
    const bool fresh = sameEvent && cached.askedAt.date() == exactNow.date() &&
                       cached.askedAt <= exactNow && (!cached.time.isValid() || exactNow < cached.time);
    if (!fresh) {
        cached.event = event;
        cached.askedAt = exactNow;
        cached.time = event->reminderDateTime();
        cached.key = cached.time.isValid() ? dropSeconds(cached.time) : QDateTime();
    }
    return cached.key;
}

void ReminderController::onEventChanged(int index)
{
    if (m_eventsManager && index >= 0 && index < m_eventsManager->count())
        m_keys.remove(m_eventsManager->eventByIndex(index).get());
    else
        m_keys.clear();
    scheduleReminder();
}

void ReminderController::restoreSnoozed()
{
    m_reminders = snoozedFromVariant(IApplication::instance()->settingsValue(s_settingsKey, QVariantList()));
}

void ReminderController::saveSnoozed()
{
    // Most rebuilds give the same table; the store is only touched when it changed.
    if (m_hasSaved && m_reminders == m_saved)
        return;
    IApplication::instance()->setSettingsValue(s_settingsKey, snoozedToVariant(m_reminders));
    m_saved = m_reminders;
    m_hasSaved = true;
}

QVariantList ReminderController::snoozedToVariant(const ReminderTable &table)
{
    QVariantList result;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        for (const ReminderEntry &entry : it.value()) {
            QVariantMap map;
            map.insert(QStringLiteral("version"), 1);
            map.insert(QStringLiteral("date"), it.key());
            map.insert(QStringLiteral("eventId"), entry.eventId);
            map.insert(QStringLiteral("snoozed"), entry.snoozed);
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
        result[map.value(QStringLiteral("date")).toDateTime()].append(
            {map.value(QStringLiteral("eventId")).toByteArray(), map.value(QStringLiteral("snoozed")).toBool()});
    }
    return result;
}
