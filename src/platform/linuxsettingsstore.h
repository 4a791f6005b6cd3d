#pragma once

#include "platform/isettingsstore.h"

// Settings in the desktop's native form (an INI file under the user's config folder).
class LinuxSettingsStore : public ISettingsStore
{
public:
    std::unique_ptr<QSettings> open() override;
    // The per-user files a handle reads (the program's, then the organisation's), known before one is made.
    static QStringList userFiles();
};
