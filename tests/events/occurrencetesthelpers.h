#pragma once

#include "events/occurrence.h"
#include "events/occurrencerules.h"

#include <QList>

// Rules set up as the recurrence editor leaves them, for the recurrence tests.
namespace OccurrenceTestHelpers {

inline Occurrence make(IOccurrence::Type type, QDate start, int step = 1, QDate end = QDate())
{
    Occurrence o(start, type);
    if (type != IOccurrence::Once)
        o.setStep(step);
    if (auto *m = dynamic_cast<AbstractMultipleOccurence *>(o.rule()))
        m->setEndDate(end);
    return o;
}

// Adds weekdays (1 = Monday) to a weekly rule.
inline Occurrence withDays(Occurrence o, const QList<int> &days)
{
    auto *w = dynamic_cast<OccurrenceWeekly *>(o.rule());
    for (int d : days)
        w->setDays(w->days() | OccurrenceWeekly::dayBit(d));
    return o;
}

// Turns a monthly or yearly rule to the n-th weekday; week number 0 keeps the start date's.
inline Occurrence byWeekday(Occurrence o, int weekNumber = 0)
{
    auto *m = dynamic_cast<OccurrenceMonthly *>(o.rule());
    m->setMode(OccurrenceMonthly::WeekdayOfMonth);
    if (weekNumber)
        m->setWeekNumber(weekNumber);
    return o;
}

} // namespace OccurrenceTestHelpers
