#include "events/eventsfactory.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/storage.h"
#include "events/birthdayevent.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "events/taskevent.h"
#include "events/weddingevent.h"

#include <QBuffer>
#include <QHash>
#include <QCoreApplication>
#include <QPixmap>

AbstractCommonEventPtr EventsFactory::createEvent(int kind, const QByteArray &id)
{
    switch (kind) {
    case EventTypeNotSpecified:
        return std::make_shared<NotSpecifiedEvent>(id);
    case EventTypeBirthday:
        return std::make_shared<BirthdayEvent>(id);
    case EventTypeWedding:
        return std::make_shared<WeddingEvent>(id);
    case EventTypeHoliday:
        return std::make_shared<HolidayEvent>(id);
    case EventTypeTask:
        return std::make_shared<TaskEvent>(id);
    }
    QR_ASSERT(false);
    return nullptr;
}

QString EventsFactory::eventName(int kind)
{
    switch (kind) {
    case EventTypeNotSpecified:
        return QObject::tr("Appointment");
    case EventTypeBirthday:
        return QObject::tr("Birthday");
    case EventTypeWedding:
        return QObject::tr("Wedding Day");
    case EventTypeHoliday:
        return QObject::tr("Holiday");
    case EventTypeTask:
        return QObject::tr("Task");
    }
    QR_ASSERT(false);
    return QString();
}

QIcon EventsFactory::eventIcon(int kind)
{
    switch (kind) {
    case EventTypeNotSpecified:
        return NotSpecifiedEvent::smallIcon();
    case EventTypeBirthday:
        return BirthdayEvent::smallIcon();
    case EventTypeWedding:
        return WeddingEvent::smallIcon();
    case EventTypeHoliday:
        return HolidayEvent::smallIcon();
    case EventTypeTask:
        return TaskEvent::smallIcon();
    }
    QR_ASSERT(false);
    return QIcon();
}

QIcon EventsFactory::eventPicture(int kind)
{
    switch (kind) {
    case EventTypeNotSpecified:
        return NotSpecifiedEvent::picture();
    case EventTypeBirthday:
        return BirthdayEvent::picture();
    case EventTypeWedding:
        return WeddingEvent::picture();
    case EventTypeHoliday:
        return HolidayEvent::picture();
    case EventTypeTask:
        return TaskEvent::picture();
    }
    QR_ASSERT(false);
    return QIcon();
}

CustomTypeMetaInfo EventsFactory::customTypeMetaInfo(int kind)
{
    switch (kind) {
    case EventTypeNotSpecified:
        return NotSpecifiedEvent::typeMetaInfo();
    case EventTypeBirthday:
        return BirthdayEvent::typeMetaInfo();
    case EventTypeWedding:
        return WeddingEvent::typeMetaInfo();
    case EventTypeHoliday:
        return HolidayEvent::typeMetaInfo();
    case EventTypeTask:
        return TaskEvent::typeMetaInfo();
    }
    QR_ASSERT(false);
    return CustomTypeMetaInfo();
}

QByteArray EventsFactory::textId(int kind)
{
    switch (kind) {
    case EventTypeNotSpecified:
        return NotSpecifiedEvent::staticTextId();
    case EventTypeBirthday:
        return BirthdayEvent::staticTextId();
    case EventTypeWedding:
        return WeddingEvent::staticTextId();
    case EventTypeHoliday:
        return HolidayEvent::staticTextId();
    case EventTypeTask:
        return TaskEvent::staticTextId();
    }
    QR_ASSERT(false);
    return QByteArray();
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
