#include "events/notspecifiedevent.h"

#include "core/jsonobject.h"
#include "core/jsonparser.h"
#include "core/settingkeys.h"

#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "events/eventkinds.h"
#include "platform/timezonewatcher.h"

#include <QCoreApplication>
#include <QThread>

namespace NotSpecifiedEventPrivate {

const QString s_version = QStringLiteral("version");
const QString s_abstract = QStringLiteral("abstract");
const QString s_notifyMinutes = QStringLiteral("notifyMinutes");
const QString s_notifyDays = QStringLiteral("notifyDaysKey");
const QString s_location = QStringLiteral("location");
const QString s_movingLineEnabled = QStringLiteral("movingLineEnabledKey");
const QString s_reminderEnabled = QStringLiteral("reminderEnabledKey");
const QString s_soundPath = QStringLiteral("soundPath");

QVariant settingValue(const char *id, const QVariant &fallback)
{
    IApplication *app = IApplication::instance();
    if (!app || !app->properties())
        return fallback;
    const QVariant value = app->properties()->value(QByteArray(id));
    return value.isValid() ? value : fallback;
}

thread_local NotSpecifiedEvent::DefaultsScope *t_defaults = nullptr;

NotSpecifiedEvent::Defaults currentDefaults()
{
    if (t_defaults)
        return t_defaults->defaults();
    // Another thread would read the settings while the GUI thread may change them.
    const QCoreApplication *const app = QCoreApplication::instance();
    Q_ASSERT(!app || QThread::currentThread() == app->thread());
    return NotSpecifiedEvent::settingsDefaults();
}

// How far a search for an occurrence whose reminder is still ahead may go.
const int s_maxReminderSteps = 1000;

} // namespace NotSpecifiedEventPrivate

using namespace NotSpecifiedEventPrivate;

CustomTypeMetaInfo NotSpecifiedEvent::typeMetaInfo()
{
    return EventKinds::fieldTable(EventTypeNotSpecified);
}

NotSpecifiedEvent::Defaults NotSpecifiedEvent::settingsDefaults()
{
    return Defaults{
        settingValue(Setting::NotifyMinutes, Setting::NotifyMinutesDefault).toInt(),
        settingValue(Setting::NotifyDays, Setting::NotifyDaysDefault).toInt(),
        settingValue(Setting::ShowAppointmentInMovingLine, Setting::ShowAppointmentInMovingLineDefault).toBool(),
        settingValue(Setting::ShowAppointmentReminder, Setting::ShowAppointmentReminderDefault).toBool()};
}

NotSpecifiedEvent::Defaults NotSpecifiedEvent::builtInDefaults()
{
    return Defaults{Setting::NotifyMinutesDefault, Setting::NotifyDaysDefault,
                    Setting::ShowAppointmentInMovingLineDefault, Setting::ShowAppointmentReminderDefault};
}

NotSpecifiedEvent::DefaultsScope::DefaultsScope(const Defaults &defaults) : m_defaults(defaults), m_previous(t_defaults)
{
    t_defaults = this;
}

NotSpecifiedEvent::DefaultsScope::~DefaultsScope()
{
    t_defaults = m_previous;
}

NotSpecifiedEvent::NotSpecifiedEvent(const QByteArray &id) : NotSpecifiedEvent(id, currentDefaults()) {}

NotSpecifiedEvent::NotSpecifiedEvent(const QByteArray &id, const Defaults &defaults)
    : AbstractCommonEvent(EventTypeNotSpecified, id), m_notifyMinutes(defaults.notifyMinutes),
      m_notifyDays(defaults.notifyDays), m_movingLineEnabled(defaults.movingLineEnabled),
      m_reminderEnabled(defaults.reminderEnabled)
{
}

NotSpecifiedEvent::~NotSpecifiedEvent() = default;

QString NotSpecifiedEvent::caption() const
{
    const QString base = AbstractCommonEvent::caption();
    if (!customTypeMetaInfo().isValid())
        return base;
    return withBlankAfter(prefix()) + base + withBlankBefore(postfix());
}

QDateTime NotSpecifiedEvent::reminderDateTime() const
{
    return reminderDateTimeAfter(Common::Clock::now());
}

QDateTime NotSpecifiedEvent::reminderDateTimeAfter(const QDateTime &now) const
{
    const ReminderAnswer answer = reminderAfter(now);
    return answer.found ? answer.localTime() : QDateTime();
}

QDateTime NotSpecifiedEvent::reminderUtcAfter(const QDateTime &moment, qint64 momentMs) const
{
    const ReminderAnswer answer = reminderAfter(moment, momentMs);
    return answer.found ? QDateTime::fromMSecsSinceEpoch(answer.time, Qt::UTC) : QDateTime();
}

QDateTime NotSpecifiedEvent::remindedBeginAfter(const QDateTime &now) const
{
    const ReminderAnswer answer = reminderAfter(now);
    if (!answer.found)
        return QDateTime();
    return answer.beginDay.isValid() ? answer.beginDay.startOfDay() : QDateTime::fromMSecsSinceEpoch(answer.begin);
}

const QDateTime &NotSpecifiedEvent::ReminderAnswer::localTime() const
{
    if (!local.isValid())
        local = QDateTime::fromMSecsSinceEpoch(time);
    return local;
}

NotSpecifiedEvent::ReminderAnswer NotSpecifiedEvent::reminderAfter(const QDateTime &now,
                                                                   std::optional<qint64> nowMs) const
{
    if (!m_reminderEnabled || !now.isValid())
        return {};
    // Only a zone the program pinned tells of its changes; another may change unseen.
    const int zone = TimeZoneWatcher::zoneGeneration();
    const qint64 ms = nowMs ? *nowMs : now.toMSecsSinceEpoch();
    if (zone < 0)
        return workOutReminderAfter(now, ms);
    // The search below finds the same dates from any moment of the day: the first reminder after an
    // earlier moment is also the first after `now`, as long as it is still ahead. Compared as instants:
    // a local date-time is converted at each comparison, which in a zone past its last change of
    // offset makes the C library read the zone's rule again each time.
    for (const ReminderAnswer &answer : m_answers) {
        if (answer.zone == zone && answer.revision == revision() && answer.askedAt.isValid() &&
            answer.askedAt.date() == now.date() && answer.askedAtMs <= ms && (!answer.found || ms < answer.time))
            return answer;
    }
    ReminderAnswer found = workOutReminderAfter(now, ms);
    found.revision = revision();
    found.zone = zone;
    ReminderAnswer &oldest = !m_answers[0].askedAt.isValid() ||
                                     (m_answers[1].askedAt.isValid() && m_answers[0].askedAtMs < m_answers[1].askedAtMs)
                                 ? m_answers[0]
                                 : m_answers[1];
    oldest = found;
    return found;
}

NotSpecifiedEvent::ReminderAnswer NotSpecifiedEvent::workOutReminderAfter(const QDateTime &now, qint64 nowMs) const
{
    const Period &p = period();
    ReminderAnswer answer;
    answer.askedAt = now;
    answer.askedAtMs = nowMs;
    // The notice is counted back from the begin, on the full date-time, so it may fall on the day
    // before; the first occurrence whose reminder is still ahead is the one to remind of. The search
    // starts a day back: a clock gap at the end of yesterday (clocks going forward at 23:00, a day
    // skipped) moves yesterday's readings into today, where they are still to come. Counted on
    // instants: a local date-time is converted again at each comparison and each step.
    QDate date = nextDate(now.date().addDays(-1));
    for (int step = 0; date.isValid() && step < s_maxReminderSteps; ++step) {
        if (p.hasTime()) {
            const std::optional<qint64> begin = localMoment(date, p.beginTime());
            if (begin && *begin - qint64(m_notifyMinutes) * 60000 > nowMs) {
                answer.time = *begin - qint64(m_notifyMinutes) * 60000;
                answer.begin = *begin;
                answer.found = true;
                return answer;
            }
        } else {
            const std::optional<qint64> candidate = localMoment(date.addDays(-m_notifyDays), QTime(9, 0));
            if (candidate && *candidate > nowMs) {
                answer.time = *candidate;
                answer.beginDay = date;
                answer.found = true;
                return answer;
            }
        }
        date = nextDate(date.addDays(1));
    }
    return answer;
}

void NotSpecifiedEvent::setNotifyMinutes(int minutes)
{
    if (minutes == m_notifyMinutes)
        return;
    m_notifyMinutes = minutes;
    notifyDataChanged();
}

void NotSpecifiedEvent::setNotifyDays(int days)
{
    if (days == m_notifyDays)
        return;
    m_notifyDays = days;
    notifyDataChanged();
}

void NotSpecifiedEvent::setLocation(const QString &location)
{
    if (location == m_location)
        return;
    m_location = location;
    notifyDataChanged();
}

void NotSpecifiedEvent::setMovingLineEnabled(bool enabled)
{
    if (enabled == m_movingLineEnabled)
        return;
    m_movingLineEnabled = enabled;
    notifyDataChanged();
}

void NotSpecifiedEvent::setReminderEnabled(bool enabled)
{
    if (enabled == m_reminderEnabled)
        return;
    m_reminderEnabled = enabled;
    notifyDataChanged();
}

void NotSpecifiedEvent::infoRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    appendWhenRows(names, values, withoutDate);
    const CustomTypeInfo &info = customTypeMetaInfo();
    if (!m_location.isEmpty() && (!info.isValid() || info.fieldsVisibility.value("locationField"))) {
        names << tr("Location") + QLatin1Char(':');
        values << m_location;
    }
    appendCommentRow(names, values, false);
}

void NotSpecifiedEvent::loadFromVariant(const QVariant &value)
{
    load(value.toMap());
}

void NotSpecifiedEvent::loadFromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void NotSpecifiedEvent::load(const Map &map)
{
    const int version = map.value(s_version).toInt();
    QR_ASSERT(version == 1);
    // A value the entry lacks keeps the default it was made with; the scope notes that one was needed.
    const auto take = [&map](const QString &key) {
        QVariant value = map.value(key);
        if (!value.isValid() && t_defaults)
            t_defaults->m_used = true;
        return value;
    };
    if (const QVariant value = take(s_notifyMinutes); value.isValid())
        m_notifyMinutes = value.toInt();
    if (const QVariant value = take(s_notifyDays); value.isValid())
        m_notifyDays = value.toInt();
    if (const QVariant value = take(s_movingLineEnabled); value.isValid())
        m_movingLineEnabled = value.toBool();
    if (const QVariant value = take(s_reminderEnabled); value.isValid())
        m_reminderEnabled = value.toBool();
    m_location = map.value(s_location).toString();
    m_soundPath = map.value(s_soundPath).toString();
    loadAbstract(map, s_abstract);
}

void NotSpecifiedEvent::writeJson(Common::JsonWriter &writer, SaveFlags flags) const
{
    writer.beginObject();
    writer.name("abstract");
    AbstractCommonEvent::writeJson(writer, flags);
    writer.name("location");
    writer.value(m_location);
    writer.name("movingLineEnabledKey");
    writer.value(m_movingLineEnabled);
    writer.name("notifyDaysKey");
    writer.value(m_notifyDays);
    writer.name("notifyMinutes");
    writer.value(m_notifyMinutes);
    writer.name("reminderEnabledKey");
    writer.value(m_reminderEnabled);
    writer.name("soundPath");
    writer.value(m_soundPath);
    writer.name("version");
    writer.value(1);
    writer.endObject();
}

QVariant NotSpecifiedEvent::saveToVariant(SaveFlags flags) const
{
    QVariantMap map;
    map.insert(s_version, 1);
    map.insert(s_abstract, AbstractCommonEvent::saveToVariant(flags));
    map.insert(s_notifyMinutes, m_notifyMinutes);
    map.insert(s_notifyDays, m_notifyDays);
    map.insert(s_location, m_location);
    map.insert(s_movingLineEnabled, m_movingLineEnabled);
    map.insert(s_reminderEnabled, m_reminderEnabled);
    map.insert(s_soundPath, m_soundPath);
    return map;
}

void NotSpecifiedEvent::applyCustomTypeDefaults()
{
    // The type keeps its switch defaults under the value keys; a key it lacks leaves the period alone.
    const QMap<QByteArray, QVariant> &defaults = customTypeMetaInfo().defaultValues;
    Period p = period();
    if (defaults.contains("periodValueKey")) {
        const bool span = defaults.value("periodValueKey").toBool();
        if (span && p.hasNoEnd()) {
            p = p.hasTime() ? Period(p.beginDateTime(), p.beginDateTime().addDays(1))
                            : Period(p.beginDate(), p.beginDate().addDays(1));
        } else if (!span && !p.hasNoEnd()) {
            p = p.hasTime() ? Period(p.beginDate(), p.beginTime()) : Period(p.beginDate());
        }
    }
    if (defaults.contains("timeValueKey")) {
        const bool timed = defaults.value("timeValueKey").toBool();
        const QTime noon(12, 0);
        if (timed && !p.hasTime()) {
            p = p.hasNoEnd() ? Period(p.beginDate(), noon) : Period(p.beginDate(), noon, p.endDate(), noon);
        } else if (!timed && p.hasTime()) {
            p = (p.hasNoEnd() || p.endDate() == p.beginDate()) ? Period(p.beginDate())
                                                               : Period(p.beginDate(), p.endDate());
        }
    }
    setPeriod(p);
}
