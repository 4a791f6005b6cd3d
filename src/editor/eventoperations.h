#pragma once

#include "events/abstractcommonevent.h"

#include <QByteArray>
#include <QDate>
#include <QList>

class EventsManager;
class IEventType;
class QWidget;
class UndoProxy;

// The editor's making and editing of single events through the events' own edit dialogs,
// each accepted dialog one undo step.
class EventOperations
{
public:
    EventOperations(EventsManager *manager, UndoProxy *undo);

    // A new event of the type, held by no manager yet: days to watch from the setting, a period
    // starting on `day` when it is valid, the first selected calendar or else the default one.
    static AbstractCommonEventPtr newEvent(const IEventType &type, const QDate &day,
                                           const QList<QByteArray> &selectedCalendars,
                                           const QByteArray &defaultCalendarId, int daysToWatch);

    // Runs the event's edit dialog; when accepted the event is added as one step "New %1 Event".
    bool addThroughDialog(const AbstractCommonEventPtr &event, QWidget *parent);
    // Runs the edit dialog of the event at that index of the manager; when accepted the change
    // is one step "Edit Event", and when cancelled nothing is pushed.
    bool editThroughDialog(int eventIndex, QWidget *parent);

private:
    EventsManager *m_manager;
    UndoProxy *m_undo;
};
