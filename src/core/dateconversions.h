#pragma once

#include <QDate>
#include <QDateTime>
#include <QVariant>

// Dates and date-times as the data files store them: ISO text, or a {year, month, day} map.
QDate dateFromMap(const QVariant &value);
QVariant dateToVariant(const QDate &date);
QDate dateFromVariant(const QVariant &value);
QVariant dateTimeToVariant(const QDateTime &dateTime);
QDateTime dateTimeFromVariant(const QVariant &value);
// Cuts the time to whole minutes; date and time spec stay.
QDateTime dropSeconds(const QDateTime &dateTime);
