#pragma once

#include "events/abstractcommonevent.h"
#include "events/customtypeinfo.h"

#include <QByteArray>
#include <QIcon>
#include <QString>

// Turns a kind number into a new event, the kind's name, icons, field description and text key.
class EventsFactory
{
public:
    // An empty id gives the event a new one.
    static AbstractCommonEventPtr createEvent(int kind, const QByteArray &id = QByteArray());
    static QString eventName(int kind);
    static QIcon eventIcon(int kind);
    static QIcon eventPicture(int kind);
    static CustomTypeMetaInfo customTypeMetaInfo(int kind);
    static QByteArray textId(int kind);
    // The kind number as text for a kind's key; any other id (a custom type's) comes back unchanged.
    static QByteArray typeIdFromTextId(const QByteArray &textId);
    // The custom type's stored picture, else its base kind's icon.
    static QIcon customTypeIcon(const CustomTypeInfo &info);
    // A picture of the kind's edit form, made once per kind; null without the GUI layer.
    static QPixmap eventPixmap(int kind);
};
