#include "events/eventsfactory.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/storage.h"
#include "events/eventkinds.h"

#include <QBuffer>
#include <QHash>
#include <QCoreApplication>
#include <QPixmap>

AbstractCommonEventPtr EventsFactory::createEvent(int kind, const QByteArray &id)
{
    const EventKinds::Kind *k = EventKinds::find(kind);
    return k ? k->make(id) : nullptr;
}

QString EventsFactory::eventName(int kind)
{
    const EventKinds::Kind *k = EventKinds::find(kind);
    return k ? QCoreApplication::translate("QObject", k->name) : QString();
}

QIcon EventsFactory::eventIcon(int kind)
{
    return EventKinds::smallIcon(kind);
}

QIcon EventsFactory::eventPicture(int kind)
{
    return EventKinds::picture(kind);
}

CustomTypeMetaInfo EventsFactory::customTypeMetaInfo(int kind)
{
    const EventKinds::Kind *k = EventKinds::find(kind);
    return k ? k->typeMetaInfo() : CustomTypeMetaInfo();
}

QByteArray EventsFactory::textId(int kind)
{
    const EventKinds::Kind *k = EventKinds::find(kind);
    return k ? QByteArray(k->textId) : QByteArray();
}

QByteArray EventsFactory::typeIdFromTextId(const QByteArray &textId)
{
    for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind) {
        if (EventsFactory::textId(kind) == textId)
            return QByteArray::number(kind, 10);
    }
    return textId;
}

QIcon EventsFactory::customTypeIcon(const CustomTypeInfo &info)
{
    IApplication *app = IApplication::instance();
    Storage *storage = app ? app->storage() : nullptr;
    if (storage && storage->contains(info.photoId())) {
        QBuffer buffer;
        QPixmap pixmap;
        if (storage->read(info.photoId(), &buffer))
            pixmap.loadFromData(buffer.data());
        return QIcon(pixmap);
    }
    return eventIcon(info.baseType);
}

QPixmap EventsFactory::eventPixmap(int kind)
{
    static QHash<int, QPixmap> s_pixmaps;
    const auto found = s_pixmaps.constFind(kind);
    if (found != s_pixmaps.cend())
        return *found;
    const AbstractCommonEventPtr event = createEvent(kind);
    if (!event)
        return QPixmap();
    const QPixmap pixmap = event->editorPixmap();
    // Without the widget layer there is no picture yet; a later call may make one.
    if (!pixmap.isNull())
        s_pixmaps.insert(kind, pixmap);
    return pixmap;
}
