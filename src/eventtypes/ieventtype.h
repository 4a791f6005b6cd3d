#pragma once

#include "events/abstractcommonevent.h"
#include "events/customtypeinfo.h"

#include <QByteArray>
#include <QIcon>
#include <QString>

// One entry of the "New" menu: a built-in kind or a user's custom type, able to make events of itself.
class IEventType
{
public:
    virtual ~IEventType() = default;

    // The kind key for a built-in kind ("birthday"), the record id for a custom type.
    virtual QByteArray textId() const = 0;
    // The kind number as text for a built-in kind ("1"), the record id for a custom type.
    virtual QByteArray id() const = 0;
    virtual QString name() const = 0;
    virtual QIcon icon() const = 0;
    // A new event of this type; a custom type fills in its record and the record's defaults.
    virtual AbstractCommonEventPtr createEvent() const = 0;
    // The custom type's record; an invalid record for a built-in kind.
    virtual CustomTypeInfo customTypeInfo() const = 0;
};
