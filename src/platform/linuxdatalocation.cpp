#include "platform/linuxdatalocation.h"

#include "platform/privatefolder.h"

#include <QStandardPaths>

QString LinuxDataLocation::path()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (location.isEmpty() || !Common::makePrivateFolder(location)) {
        qWarning("Cannot create the data folder \"%s\"", qUtf8Printable(location));
        return QString();
    }
    return location;
}
