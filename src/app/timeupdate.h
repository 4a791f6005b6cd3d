#pragma once

#include "events/abstractcommonevent.h"

#include <QDateTime>
#include <QList>

// When what is current next changes: the earliest begin time still to come today of today's timed
// events, with one shot just after midnight at the latest.
namespace TimeUpdate {

// The earliest begin today, not before now, of the events whose next date is today and that have a
// time; invalid when there is none. End times play no part.
QDateTime nextTimeChange(const QList<AbstractCommonEventPtr> &events, const QDateTime &now);
// When the update timer fires: a minute after the next change, but never later than 00:00:01 of the
// next day (which wins a tie).
QDateTime updateMoment(const QDateTime &nextChange, const QDateTime &now);

} // namespace TimeUpdate
