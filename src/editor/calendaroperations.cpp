#include "editor/calendaroperations.h"

#include "core/log.h"
#include "core/undoobject.h"
#include "editor/savestatecommand.h"
#include "store/calendarinfo.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"

CalendarOperations::CalendarOperations(EventsManager *manager, UndoProxy *undo) : m_manager(manager), m_undo(undo) {}

QString CalendarOperations::removeQuestion()
{
    return tr("Calendar is not empty. Are you sure you want to remove it?");
}

void CalendarOperations::pushState(const QString &text)
{
    m_undo->COMMAND(new SaveStateCommand<EventsManager>(m_manager, text));
}

QByteArray CalendarOperations::create(const QString &name)
{
    const CalendarInfo info(name);
    pushState(tr("Create Calendar"));
    m_manager->addCalendar(info);
    return info.id;
}

bool CalendarOperations::remove(const QByteArray &id, const std::function<bool()> &confirm)
{
    const bool known = m_manager->calendarById(id).valid();
    if (!QR_CHECK(known))
        return false;
    if (id == m_manager->defaultCalendarId()) {
        QR_LOG("Refused to remove the default calendar");
        return false;
    }
    const QList<AbstractCommonEventPtr> events = m_manager->eventsByCalendar(id);
    if (!events.isEmpty() && !(confirm && confirm()))
        return false;
    pushState(tr("Remove Calendar"));
    if (!events.isEmpty())
        m_manager->removeEvents(events);
    m_manager->removeCalendar(id);
    return true;
}

bool CalendarOperations::move(const QByteArray &id, int step, const QString &text)
{
    QR_ASSERT(step != 0);
    const CalendarInfo info = m_manager->calendarById(id);
    QR_ASSERT(info.valid());
    const int index = int(m_manager->calendars().indexOf(info));
    const bool inside = index != -1 && index + step >= 0 && index + step < m_manager->calendarsCount();
    QR_ASSERT(inside);
    if (step == 0 || !info.valid() || !inside)
        return false;
    pushState(text);
    m_manager->moveCalendar(id, step);
    return true;
}

bool CalendarOperations::rename(const QByteArray &id, const QString &name)
{
    CalendarInfo info = m_manager->calendarById(id);
    QR_ASSERT(info.valid());
    // A calendar without a name could not be told apart in any list.
    if (!info.valid() || name.trimmed().isEmpty())
        return false;
    // An unchanged name is still a step: the user committed an edit.
    pushState(tr("Rename Calendar"));
    info.name = name;
    m_manager->changeCalendar(info);
    return true;
}

bool CalendarOperations::setDefault(const QByteArray &id)
{
    const bool known = m_manager->calendarById(id).valid();
    if (!QR_CHECK(known) || id == m_manager->defaultCalendarId())
        return false;
    pushState(tr("Set Default Calendar"));
    m_manager->setDefaultCalendar(id);
    return true;
}

bool CalendarOperations::moveEventsTo(const QList<int> &eventIndexes, const QByteArray &calendarId)
{
    const bool known = m_manager->calendarById(calendarId).valid();
    if (!QR_CHECK(known) || eventIndexes.isEmpty())
        return false;
    // Indexes shift as events change, so the events are taken before the first change.
    QList<AbstractCommonEventPtr> events;
    for (int index : eventIndexes) {
        const bool inRange = index >= 0 && index < m_manager->count();
        QR_ASSERT(inRange);
        if (inRange)
            events << m_manager->eventByIndex(index);
    }
    if (events.isEmpty())
        return false;
    m_undo->beginUndoMacro(tr("Change Calendar"));
    for (const AbstractCommonEventPtr &event : std::as_const(events)) {
        auto *command = new SaveEventStateCommand(m_manager, event);
        event->setCalendarId(calendarId, false);
        m_undo->COMMAND(command);
    }
    m_undo->endUndoMacro();
    return true;
}
