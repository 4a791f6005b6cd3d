#include "platform/linuxsettingsstore.h"

#include "platform/appidentity.h"
#include "platform/privatefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

std::unique_ptr<QSettings> LinuxSettingsStore::open()
{
    // Qt would make the settings folder open to every local user.
    Common::makePrivateFolder(QFileInfo(userFiles().constFirst()).path());
    return std::make_unique<QSettings>(m_format, QSettings::UserScope, QString::fromLatin1(AppIdentity::kOrganisation),
                                       QString::fromLatin1(AppIdentity::kApplication));
}

QStringList LinuxSettingsStore::userFiles()
{
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
                      QLatin1String(AppIdentity::kOrganisation));
    return {folder.filePath(QLatin1String(AppIdentity::kApplication) + QStringLiteral(".conf")),
            folder.path() + QStringLiteral(".conf")};
}
