#pragma once

#include <QByteArray>
#include <QVariant>

// Key-value access to one stored set of settings.
class ISettingsAccessor
{
public:
    // The stored value, or `defaultValue` when the key is absent.
    virtual QVariant value(const QByteArray &key, const QVariant &defaultValue = QVariant()) const = 0;
    // Stores the value and saves; false when saving failed (memory keeps the change).
    virtual bool setValue(const QByteArray &key, const QVariant &value) = 0;
    // Removes the key, or with `byPrefix` every key starting with it, and saves; false when saving failed.
    virtual bool remove(const QByteArray &key, bool byPrefix = false) = 0;
    virtual ~ISettingsAccessor() = default;
};
