#pragma once

#include "platform/isettingsstore.h"

// Settings in the desktop's native form (an INI file under the user's config folder).
class LinuxSettingsStore : public ISettingsStore
{
public:
    // `format` reads and writes the native INI text (a guarded form of it, say).
    explicit LinuxSettingsStore(QSettings::Format format = QSettings::NativeFormat) : m_format(format) {}
    std::unique_ptr<QSettings> open() override;
    // The per-user files a handle reads (the program's, then the organisation's), known before one is made.
    static QStringList userFiles();

private:
    QSettings::Format m_format;
};
