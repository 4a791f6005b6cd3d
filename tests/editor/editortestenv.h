#pragma once

#include "runninglinetestenv.h"
#include "store/calendarinfo.h"

// The running line's environment plus a second calendar, for the editor's models and window.
struct EditorTestEnv : RunningLineTestEnv
{
    using RunningLineTestEnv::RunningLineTestEnv;

    QByteArray addCalendar(const QString &name)
    {
        const CalendarInfo info(name);
        manager->addCalendar(info);
        return info.id;
    }

    AbstractCommonEventPtr addIn(const QByteArray &calendarId, int kind, const QString &caption, const Period &period,
                                 IOccurrence::Type rule = IOccurrence::Once)
    {
        AbstractCommonEventPtr event = makeEvent(kind, caption, period, rule);
        event->setCalendarId(calendarId, true);
        manager->addEvent(event);
        return event;
    }
};
