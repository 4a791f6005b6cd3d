#include "app/timeupdate.h"

#include "core/clock.h"
#include "core/dateconversions.h"
#include "events/period.h"

namespace TimeUpdate {

QDateTime nextTimeChange(const QList<AbstractCommonEventPtr> &events, const QDateTime &now)
{
    const QDate today = now.date();
    // The next begin each event keeps for the day rules out most events without working out their
    // rules again: that took a third of every change's time at 100,000 events.
    const bool kept = today == Common::Clock::today();
    QDateTime result;
    for (const AbstractCommonEventPtr &event : events) {
        // The period first: it is at hand, the next date is worked out.
        if (!event || !event->period().hasTime())
            continue;
        if (kept) {
            const QDate next = event->nextPeriod().beginDate();
            if (!next.isValid() || next > today)
                continue;
        }
        if (event->nextDate(today) != today)
            continue;
        const Period &period = event->period();
        const QDateTime moment = localDateTime(today, period.beginTime());
        if (moment >= now && (!result.isValid() || moment < result))
            result = moment;
    }
    return result;
}

QDateTime updateMoment(const QDateTime &nextChange, const QDateTime &now)
{
    const QDateTime tomorrow = dayLimit(now.date());
    if (!nextChange.isValid())
        return tomorrow;
    const QDateTime afterChange = nextChange.addSecs(60);
    return afterChange < tomorrow ? afterChange : tomorrow;
}

} // namespace TimeUpdate
