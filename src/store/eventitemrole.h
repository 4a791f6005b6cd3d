#pragma once

#include <Qt>

// The item-data roles that every model over events answers, read by the running line, the editor
// and the proxies. System rows answer the ones that make sense for them.
enum EventItemRole {
    NextDateRole = 32,     // QDate: begin date of the next occurrence
    EventIndexRole,        // int: the event's index in the events manager
    DaysToWatchRole,       // int: days ahead the event shows as coming; -1 = the "daysToWatch" setting
    CursorRole,            // Qt::CursorShape over the row
    IsSystemRole,          // bool: a row the program made itself
    EventIdRole,           // QByteArray: the event's id
    NextDateTimeRole,      // QDateTime: begin of the next occurrence
    HasTimeRole,           // bool: the next occurrence has a time of day
    SortRole,              // per-column sort value of a table model; here the next begin
    TypeIdRole,            // QByteArray: the custom type id, else the kind's key ("birthday")
    CalendarIdRole,        // QByteArray: the event's calendar
    ShortTextRole,         // QString: the running-line text without its when part
    WhenTextRole,          // QString: the when part alone ("Tomorrow at 10:00")
    MovingLineEnabledRole, // bool: false only for an appointment whose running-line switch is off
    // Read by the running line's filter only.
    NextEndDateRole, // QDate: end date of the next occurrence
    StillDueRole,    // bool: a task that stays on its date until marked completed
};
static_assert(MovingLineEnabledRole == 45, "stored roles must keep their numbers");
