#include "fakeplatform.h"

std::unique_ptr<QSettings> FakeSettingsStore::open()
{
    return std::make_unique<QSettings>(filePath(), QSettings::IniFormat);
}
