#include "eventtypes/baseeventtype.h"

#include "events/eventsfactory.h"

BaseEventType::BaseEventType(int kind) : m_kind(kind) {}

QByteArray BaseEventType::textId() const
{
    return EventsFactory::textId(m_kind);
}

QByteArray BaseEventType::id() const
{
    return QByteArray::number(m_kind);
}

QString BaseEventType::name() const
{
    return EventsFactory::eventName(m_kind);
}

QIcon BaseEventType::icon() const
{
    return EventsFactory::eventIcon(m_kind);
}

AbstractCommonEventPtr BaseEventType::createEvent() const
{
    return EventsFactory::createEvent(m_kind);
}
