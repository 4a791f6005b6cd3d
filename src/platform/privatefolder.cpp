#include "platform/privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace Common {

bool makePrivateFolder(const QString &path)
{
    QStringList missing;
    for (QString at = QDir::cleanPath(QDir(path).absolutePath()); !QFileInfo::exists(at) && at != QLatin1String("/");
         at = QFileInfo(at).path())
        missing.prepend(at);
    for (const QString &folder : std::as_const(missing)) {
        // Another process may make the same folder at the same moment: what it made is kept.
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(path).isDir();
}

} // namespace Common
