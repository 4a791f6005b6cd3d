#include "editor/eventoperations.h"

#include "core/log.h"
#include "core/undoobject.h"
#include "events/period.h"
#include "eventtypes/ieventtype.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"

#include <memory>

EventOperations::EventOperations(EventsManager *manager, UndoProxy *undo) : m_manager(manager), m_undo(undo) {}

AbstractCommonEventPtr EventOperations::newEvent(const IEventType &type, const QDate &day,
                                                 const QList<QByteArray> &selectedCalendars,
                                                 const QByteArray &defaultCalendarId, int daysToWatch)
{
    AbstractCommonEventPtr event = type.createEvent();
    if (!QR_CHECK(event))
        return event;
    event->setDaysToWatch(daysToWatch);
    if (day.isValid())
        event->setPeriod(Period(day));
    // Silent: nothing holds the event yet.
    event->setCalendarId(selectedCalendars.isEmpty() ? defaultCalendarId : selectedCalendars.constFirst(), true);
    return event;
}

bool EventOperations::addThroughDialog(const AbstractCommonEventPtr &event, QWidget *parent)
{
    if (!QR_CHECK(event) || !event->editDialog(parent))
        return false;
    m_undo->COMMAND(new AddEventCommand(m_manager, event));
    return true;
}

bool EventOperations::editThroughDialog(int eventIndex, QWidget *parent)
{
    const bool inRange = eventIndex >= 0 && eventIndex < m_manager->count();
    QR_ASSERT(inRange);
    const AbstractCommonEventPtr event = inRange ? m_manager->eventByIndex(eventIndex) : nullptr;
    if (!QR_CHECK(event))
        return false;
    // Made before the dialog: it keeps the state to go back to.
    auto command = std::make_unique<SaveEventStateCommand>(m_manager, event);
    if (!event->editDialog(parent))
        return false;
    m_undo->COMMAND(command.release());
    return true;
}
