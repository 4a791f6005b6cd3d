#pragma once

#include <QSettings>

#include <memory>

// The platform's per-user settings store.
class ISettingsStore
{
public:
    virtual ~ISettingsStore() = default;
    // A new handle on the store, owned by the caller.
    virtual std::unique_ptr<QSettings> open() = 0;
};
