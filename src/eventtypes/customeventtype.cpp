#include "eventtypes/customeventtype.h"

#include "events/eventsfactory.h"

CustomEventType::CustomEventType(const CustomTypeInfo &info) : m_info(info) {}

QIcon CustomEventType::icon() const
{
    return EventsFactory::customTypeIcon(m_info);
}

AbstractCommonEventPtr CustomEventType::createEvent() const
{
    AbstractCommonEventPtr event = EventsFactory::createEvent(m_info.baseType);
    if (event)
        event->setCustomTypeMetaInfo(m_info);
    return event;
}
