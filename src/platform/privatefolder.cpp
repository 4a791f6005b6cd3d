#include "platform/privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString otherUsersPath(const QStringList &paths, uint *owner)
{
    for (const QString &path : paths) {
        // A link an administrator made (a home moved to another disk) counts as what it points to.
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) != 0 || info.st_uid == ::getuid())
            continue;
        if (owner)
            *owner = info.st_uid;
        return path;
    }
    return QString();
}

QString userName(uint uid)
{
    const passwd *user = ::getpwuid(uid);
    return user ? QFile::decodeName(user->pw_name) : QString::number(uid);
}

} // namespace Common
