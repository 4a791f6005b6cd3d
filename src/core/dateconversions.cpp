#include "core/dateconversions.h"

#include <QVariantMap>

QDate dateFromMap(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    QDate date;
    date.setDate(map.value(QStringLiteral("year")).toInt(), map.value(QStringLiteral("month")).toInt(),
                 map.value(QStringLiteral("day")).toInt());
    return date;
}

QVariant dateToVariant(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

QDate dateFromVariant(const QVariant &value)
{
    return QDate::fromString(value.toString(), Qt::ISODate);
}

QVariant dateTimeToVariant(const QDateTime &dateTime)
{
    return dateTime.toString(Qt::ISODate);
}

QDateTime dateTimeFromVariant(const QVariant &value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

QDateTime dropSeconds(const QDateTime &dateTime)
{
    QDateTime result(dateTime);
    const QTime time = dateTime.time();
    result.setTime(QTime(time.hour(), time.minute(), 0, 0));
    return result;
}
