#pragma once

#include "eventtestenv.h"
#include "core/iapplication.h"
#include "events/eventsfactory.h"
#include "events/notspecifiedevent.h"
#include "events/occurrence.h"
#include "store/eventsmanager.h"

#include <QTemporaryDir>

#include <memory>

// The event test environment with an events manager on a temporary file and the settings the
// running line reads.
struct RunningLineTestEnv : EventTestEnv
{
    explicit RunningLineTestEnv(const QDateTime &now = QDateTime(QDate(2026, 3, 10), QTime(9, 30))) : EventTestEnv(now)
    {
        properties->addProperty("daysToWatch", 15);
        manager = std::make_unique<EventsManager>(dir.filePath("events.dat"));
        app.m_eventsManager = manager.get();
    }
    ~RunningLineTestEnv() { app.m_eventsManager = nullptr; }

    static AbstractCommonEventPtr makeEvent(int kind, const QString &caption, const Period &period,
                                            IOccurrence::Type rule = IOccurrence::Once)
    {
        AbstractCommonEventPtr event = EventsFactory::createEvent(kind);
        if (kind != EventTypeWedding) // a wedding's caption is made of the couple's names
            event->setCaption(caption);
        event->setPeriod(period);
        event->setOccurrence(Occurrence(period.beginDate(), rule));
        return event;
    }

    AbstractCommonEventPtr add(int kind, const QString &caption, const Period &period,
                               IOccurrence::Type rule = IOccurrence::Once)
    {
        AbstractCommonEventPtr event = makeEvent(kind, caption, period, rule);
        manager->addEvent(event);
        return event;
    }

    QTemporaryDir dir;
    std::unique_ptr<EventsManager> manager;
};
