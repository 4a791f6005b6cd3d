#include "store/calendarinfo.h"

#include "core/log.h"
#include "store/eventsmanager.h"

#include <QUuid>
#include <QVariantMap>

namespace {
const QString s_id = QStringLiteral("id");
const QString s_name = QStringLiteral("name");
const QString s_version = QStringLiteral("version");
} // namespace

CalendarInfo::CalendarInfo(const QString &name) : id(QUuid::createUuid().toString().toLatin1()), name(name) {}

CalendarInfo::CalendarInfo(const QByteArray &id, const QString &name) : id(id), name(name) {}

QVariant CalendarInfo::toMap() const
{
    QVariantMap map;
    map.insert(s_version, 1);
    map.insert(s_id, QString::fromUtf8(id));
    map.insert(s_name, name);
    return map;
}

void CalendarInfo::fromMap(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    const int version = map.value(s_version).toInt();
    QR_ASSERT(version >= 1);
    QR_ASSERT(map.contains(s_id));
    QR_ASSERT(map.contains(s_name));
    id = map.value(s_id).toString().toUtf8();
    name = map.value(s_name).toString();
}

CalendarsProvider *CalendarsProvider::s_instance = nullptr;

CalendarsProvider::CalendarsProvider(EventsManager *manager) : m_manager(manager)
{
    QR_ASSERT(!s_instance);
    s_instance = this;
}

CalendarsProvider::~CalendarsProvider()
{
    if (s_instance == this)
        s_instance = nullptr;
}

EventsManager *CalendarsProvider::manager()
{
    if (!QR_CHECK(s_instance))
        return nullptr;
    QR_ASSERT(s_instance->m_manager);
    return s_instance->m_manager;
}

QList<CalendarInfo> CalendarsProvider::calendars()
{
    const EventsManager *events = manager();
    return events ? events->calendars() : QList<CalendarInfo>();
}

QByteArray CalendarsProvider::defaultCalendarId()
{
    const EventsManager *events = manager();
    return events ? events->defaultCalendarId() : QByteArray();
}
