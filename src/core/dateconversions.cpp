#include "core/dateconversions.h"

#include "core/clock.h"

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

int yearNearToday(int twoDigitYear)
{
    const int thisYear = Common::Clock::today().year();
    int year = thisYear - thisYear % 100 + twoDigitYear % 100;
    if (year > thisYear + 49)
        year -= 100;
    else if (year < thisYear - 50)
        year += 100;
    return year;
}

bool formatHasTwoDigitYear(const QString &format)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        if (!quoted && c == QLatin1Char('y') && run == 2)
            return true;
        i += run;
    }
    return false;
}
