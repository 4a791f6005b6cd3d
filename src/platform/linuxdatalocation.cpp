#include "platform/linuxdatalocation.h"

#include <QDir>
#include <QStandardPaths>

QString LinuxDataLocation::path()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (location.isEmpty() || !QDir().mkpath(location)) {
        qWarning("Cannot create the data folder \"%s\"", qUtf8Printable(location));
        return QString();
    }
    return location;
}
