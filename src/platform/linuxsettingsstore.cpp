#include "platform/linuxsettingsstore.h"

#include "platform/appidentity.h"

std::unique_ptr<QSettings> LinuxSettingsStore::open()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(AppIdentity::kOrganisation),
                                       QString::fromLatin1(AppIdentity::kApplication));
}
