#pragma once

#include "eventtypes/ieventtype.h"

// A built-in kind (appointment, birthday, wedding, holiday, task) as an event type.
class BaseEventType : public IEventType
{
public:
    explicit BaseEventType(int kind);

    int kind() const { return m_kind; }

    QByteArray textId() const override;
    QByteArray id() const override;
    QString name() const override;
    QIcon icon() const override;
    AbstractCommonEventPtr createEvent() const override;
    CustomTypeInfo customTypeInfo() const override { return CustomTypeInfo(); }

private:
    const int m_kind;
};
