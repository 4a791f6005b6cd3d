#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

// Description of a kind's customisable form fields, from which custom types of that kind start.
struct CustomTypeMetaInfo
{
    QMap<QByteArray, bool> fieldsVisibility;
    QMap<QByteArray, QVariant> defaultValues;
    QMap<QByteArray, QVariant> parameters;
    // Translated titles the custom-type wizard shows for the fields.
    QMap<QByteArray, QString> fieldNames;
};

namespace Common {
class JsonObject;
class JsonWriter;
} // namespace Common

// The record of a custom event type; every event of that type carries a copy.
// A record with an empty id stands for a built-in type and is not valid.
class CustomTypeInfo
{
public:
    CustomTypeInfo() = default;
    // Copies the description's maps; id and name stay empty, so the record is not valid.
    explicit CustomTypeInfo(const CustomTypeMetaInfo &meta);

    bool isValid() const { return !id.isEmpty(); }
    // Blob-storage key of the type's picture.
    QByteArray photoId() const { return id + "photo"; }

    QVariant toJson() const;
    // Writes what toJson() gives, without building it.
    void writeJson(Common::JsonWriter &writer) const;
    static CustomTypeInfo fromJson(const QVariant &value);
    static CustomTypeInfo fromJson(const Common::JsonObject &object);

    bool operator==(const CustomTypeInfo &other) const;
    bool operator!=(const CustomTypeInfo &other) const { return !(*this == other); }

    QByteArray id;
    QString name;
    int baseType = 0;
    // Which form fields the type shows; an absent id counts as not shown.
    QMap<QByteArray, bool> fieldsVisibility;
    QMap<QByteArray, QVariant> defaultValues;
    QMap<QByteArray, QVariant> parameters;
};
