#pragma once

#include "events/ievent.h"

// Read-only view of an entry the program itself puts on the running line.
class ISystemConstEvent : public virtual IConstEvent
{
public:
    // Triggered by a left click; such entries are drawn as links. Null for none.
    virtual QAction *action() const = 0;
    virtual QAction *doubleClickAction() const = 0;
    // A new entry replaces the listed ones with the same key; -1 replaces nothing.
    virtual int replaceKey() const = 0;
};

// A system entry as the system-event list and the models hold it.
class ISystemEvent : public virtual ISystemConstEvent, public virtual IEvent
{
};
