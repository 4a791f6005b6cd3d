#include "events/holidayevent.h"

#include "core/log.h"
#include "events/eventresources.h"

HolidayEvent::HolidayEvent(const QByteArray &id) : AbstractCommonEvent(EventTypeHoliday, id) {}

QIcon HolidayEvent::smallIcon()
{
    static const QIcon s_icon = [] {
        initEventResources();
        QIcon icon;
        for (const char *file :
             {":/Ostrevalder/icons/holiday/balloons_16.png", ":/Ostrevalder/icons/holiday/balloons_24.png",
              ":/Ostrevalder/icons/holiday/balloons_48.png"})
            icon.addFile(QLatin1String(file), QSize(), QIcon::Normal, QIcon::Off);
        return icon;
    }();
    return s_icon;
}

QIcon HolidayEvent::picture()
{
    static const QIcon s_icon = [] {
        initEventResources();
        return QIcon(QStringLiteral(":/Ostrevalder/icons/holiday/balloons_128.png"));
    }();
    return s_icon;
}

QIcon HolidayEvent::icon() const
{
    return picture();
}

QPixmap HolidayEvent::pixmap() const
{
    const QIcon icon = smallIcon();
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QPixmap() : icon.pixmap(sizes.first());
}

QPixmap HolidayEvent::largePixmap() const
{
    static const QIcon s_medium = [] {
        initEventResources();
        return QIcon(QStringLiteral(":/Ostrevalder/icons/holiday/balloons_48.png"));
    }();
    const QList<QSize> sizes = s_medium.availableSizes();
    return sizes.isEmpty() ? QPixmap() : s_medium.pixmap(sizes.first());
}

CustomTypeMetaInfo HolidayEvent::typeMetaInfo()
{
    CustomTypeMetaInfo info;
    info.fieldsVisibility.insert("commentField", true);
    info.fieldsVisibility.insert("recurrenceKey", true);
    info.fieldNames.insert("commentField", tr("Comment"));
    info.fieldNames.insert("recurrenceKey", tr("Recurrence"));
    return info;
}

CustomTypeInfo HolidayEvent::defaultCustomTypeMetaInfo() const
{
    return CustomTypeInfo(typeMetaInfo());
}

void HolidayEvent::infoRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    if (!withoutDate) {
        names << tr("Next Occurrence:");
        values << nextDateText();
    }
    const CustomTypeInfo &info = customTypeMetaInfo();
    if (!info.isValid() || info.fieldsVisibility.value("commentField")) {
        names << tr("Comment:");
        values << comment();
    }
}

void HolidayEvent::loadFromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    const int version = map.value(QStringLiteral("version")).toInt();
    QR_ASSERT(version == 1);
    AbstractCommonEvent::loadFromVariant(map.value(QStringLiteral("abstract")));
}

QVariant HolidayEvent::saveToVariant(SaveFlags flags) const
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), 1);
    map.insert(QStringLiteral("abstract"), AbstractCommonEvent::saveToVariant(flags));
    return map;
}
