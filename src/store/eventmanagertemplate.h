#pragma once

#include "core/log.h"

#include <QList>

// An ordered list of shared objects, the base of every list the event store keeps.
// Elements are compared by pointer identity. Removing an element only drops the list's
// reference: whoever holds the object last deletes it (the element types carry a deleter
// that defers the delete to the event loop), so pointers held elsewhere stay valid.
template <typename T> class EventManagerTemplate
{
public:
    EventManagerTemplate() = default;

    virtual void addEvent(T event)
    {
        QR_ASSERT(event);
        QR_ASSERT(!m_events.contains(event));
        if (!event || m_events.contains(event))
            return;
        m_events.append(event);
    }

    virtual void insertEvent(int index, T event)
    {
        QR_ASSERT(event);
        QR_ASSERT(!m_events.contains(event));
        QR_ASSERT(index >= 0 && index <= m_events.count());
        if (!event || m_events.contains(event) || index < 0 || index > m_events.count())
            return;
        m_events.insert(index, event);
    }

    virtual void removeEvent(T event)
    {
        QR_ASSERT(event);
        QR_ASSERT(m_events.contains(event));
        if (!event)
            return;
        m_events.removeOne(event);
    }

    virtual T eventByIndex(int index) const
    {
        QR_ASSERT(index >= 0 && index < m_events.count());
        if (index < 0 || index >= m_events.count())
            return T();
        return m_events.at(index);
    }

    virtual int indexOf(T event) const
    {
        if (!event)
            return -1;
        return m_events.indexOf(event);
    }

    virtual int count() const { return int(m_events.count()); }

    virtual void move(int index, int delta)
    {
        QR_ASSERT(index >= 0 && index < m_events.count());
        QR_ASSERT(index + delta >= 0 && index + delta < m_events.count());
        if (index < 0 || index >= m_events.count() || index + delta < 0 || index + delta >= m_events.count())
            return;
        T event = m_events.takeAt(index);
        m_events.insert(index + delta, event);
    }

    // A copy, so that a change while the caller loops over it does not disturb the loop.
    QList<T> events() const { return m_events; }

    // Drops every reference without telling the objects.
    void clear() { m_events.clear(); }

protected:
    // Owners are always destroyed through their own type.
    ~EventManagerTemplate() = default;

    QList<T> m_events;
};
