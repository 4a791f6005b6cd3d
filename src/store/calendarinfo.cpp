#include "store/calendarinfo.h"

#include "core/log.h"

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
