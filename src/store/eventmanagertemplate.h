#pragma once

#include "core/log.h"

#include <QCoreApplication>
#include <QList>

namespace EventManagerTemplatePrivate {
// Keeps a removed object alive until the event loop runs again, so an object that asked for its
// own removal from inside one of its signals outlives that signal. Others who still hold it keep
// it longer: the last owner deletes it.
template <typename P> void releaseLater(const P &pointer)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [pointer]() {}, Qt::QueuedConnection);
}
} // namespace EventManagerTemplatePrivate

// An ordered list of shared objects, the base of every list the event store keeps.
// Elements are compared by pointer identity. Removing an element drops the list's reference
// (on the next turn of the event loop); it never deletes an object that others still hold.
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
        if (!event || !m_events.removeOne(event))
            return;
        EventManagerTemplatePrivate::releaseLater(event);
    }

    // The event at an index the caller has checked, without copying its pointer: models read it
    // for every row they sort or filter.
    const T &eventAt(int index) const { return m_events.at(index); }

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
