#include "events/customtypeinfo.h"

#include "core/jsonobject.h"
#include "core/jsonparser.h"

namespace CustomTypeInfoPrivate {

template <typename T> QVariantMap toVariantMap(const QMap<QByteArray, T> &map)
{
    QVariantMap result;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(QString::fromUtf8(it.key()), QVariant::fromValue(it.value()));
    return result;
}

QMap<QByteArray, QVariant> fromVariantMap(const QVariant &value)
{
    QMap<QByteArray, QVariant> result;
    const QVariantMap map = value.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(it.key().toUtf8(), it.value());
    return result;
}

} // namespace CustomTypeInfoPrivate

using namespace CustomTypeInfoPrivate;

CustomTypeInfo::CustomTypeInfo(const CustomTypeMetaInfo &meta)
    : fieldsVisibility(meta.fieldsVisibility), defaultValues(meta.defaultValues), parameters(meta.parameters)
{
}

QVariant CustomTypeInfo::toJson() const
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), 1);
    map.insert(QStringLiteral("id"), QString::fromUtf8(id));
    map.insert(QStringLiteral("name"), name);
    map.insert(QStringLiteral("baseType"), baseType);
    map.insert(QStringLiteral("visibility"), toVariantMap(fieldsVisibility));
    map.insert(QStringLiteral("defaults"), toVariantMap(defaultValues));
    map.insert(QStringLiteral("parameters"), toVariantMap(parameters));
    return map;
}

void CustomTypeInfo::writeJson(Common::JsonWriter &writer) const
{
    writer.beginObject();
    writer.name("baseType");
    writer.value(baseType);
    writer.name("defaults");
    writer.value(QVariant(toVariantMap(defaultValues)));
    writer.name("id");
    writer.value(QString::fromUtf8(id));
    writer.name("name");
    writer.value(name);
    writer.name("parameters");
    writer.value(QVariant(toVariantMap(parameters)));
    writer.name("version");
    writer.value(1);
    writer.name("visibility");
    writer.value(QVariant(toVariantMap(fieldsVisibility)));
    writer.endObject();
}

namespace CustomTypeInfoPrivate {
template <class Map> CustomTypeInfo infoFrom(const Map &map)
{
    CustomTypeInfo info;
    info.id = map.value(QStringLiteral("id")).toString().toUtf8();
    info.name = map.value(QStringLiteral("name")).toString();
    info.baseType = map.value(QStringLiteral("baseType")).toInt();
    const QMap<QByteArray, QVariant> visibility = fromVariantMap(map.value(QStringLiteral("visibility")));
    for (auto it = visibility.cbegin(); it != visibility.cend(); ++it)
        info.fieldsVisibility.insert(it.key(), it.value().toBool());
    info.defaultValues = fromVariantMap(map.value(QStringLiteral("defaults")));
    info.parameters = fromVariantMap(map.value(QStringLiteral("parameters")));
    return info;
}
} // namespace CustomTypeInfoPrivate

CustomTypeInfo CustomTypeInfo::fromJson(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return CustomTypeInfo();
    return infoFrom(value.toMap());
}

CustomTypeInfo CustomTypeInfo::fromJson(const Common::JsonObject &object)
{
    if (!object.isObject())
        return CustomTypeInfo();
    return infoFrom(object);
}

bool CustomTypeInfo::operator==(const CustomTypeInfo &other) const
{
    return id == other.id && name == other.name && baseType == other.baseType &&
           fieldsVisibility == other.fieldsVisibility && defaultValues == other.defaultValues &&
           parameters == other.parameters;
}
