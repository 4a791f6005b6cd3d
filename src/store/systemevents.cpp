#include "store/systemevents.h"

SystemEvents::SystemEvents(QObject *parent) : QObject(parent) {}

void SystemEvents::addEvent(SystemEventPtr event)
{
    if (!event || m_events.contains(event)) {
        EventManagerTemplate::addEvent(event); // reports the caller's error, changes nothing
        return;
    }
    const int key = event->replaceKey();
    if (key != -1) {
        for (const SystemEventPtr &listed : events()) {
            if (listed->replaceKey() == key)
                removeEvent(listed);
        }
    }
    EventManagerTemplate::addEvent(event);
    emit eventAdded(indexOf(event));
}

void SystemEvents::removeEvent(SystemEventPtr event)
{
    emit eventAboutToRemove(indexOf(event));
    EventManagerTemplate::removeEvent(event);
    emit eventRemoved();
}
