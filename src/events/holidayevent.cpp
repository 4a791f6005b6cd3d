#include "events/holidayevent.h"

#include "core/jsonobject.h"
#include "core/jsonparser.h"

#include "core/log.h"
#include "events/eventkinds.h"

CustomTypeMetaInfo HolidayEvent::typeMetaInfo()
{
    return EventKinds::fieldTable(EventTypeHoliday);
}

HolidayEvent::HolidayEvent(const QByteArray &id) : AbstractCommonEvent(EventTypeHoliday, id) {}

void HolidayEvent::infoRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    if (!withoutDate) {
        names << tr("Next Occurrence:");
        values << nextDateText();
    }
    appendCommentRow(names, values, true);
}

void HolidayEvent::loadFromVariant(const QVariant &value)
{
    load(value.toMap());
}

void HolidayEvent::loadFromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void HolidayEvent::load(const Map &map)
{
    const int version = map.value(QStringLiteral("version")).toInt();
    QR_ASSERT(version == 1);
    loadAbstract(map, QStringLiteral("abstract"));
}

void HolidayEvent::writeJson(Common::JsonWriter &writer, SaveFlags flags) const
{
    writer.beginObject();
    writer.name("abstract");
    AbstractCommonEvent::writeJson(writer, flags);
    writer.name("version");
    writer.value(1);
    writer.endObject();
}

QVariant HolidayEvent::saveToVariant(SaveFlags flags) const
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), 1);
    map.insert(QStringLiteral("abstract"), AbstractCommonEvent::saveToVariant(flags));
    return map;
}
