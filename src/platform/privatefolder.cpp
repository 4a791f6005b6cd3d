#include "platform/privatefolder.h"

#include "platform/linuxautostart.h"
#include "platform/linuxsettingsstore.h"
#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

namespace {

// The session's runtime folder, not there yet, that the toolkit was not given.
QString s_heldBackRuntimeFolder;

// Whether this process's user may change the entry: its own, or, for a user who is not root, one it may write. Such
// a user makes only entries of its own, so one it can write that shows another owner is its own on a file system
// that shows it so (NFS with all_squash, FUSE with a forced owner). A link is changed by replacing it.
bool isChangeable(const QString &path, const struct stat &info)
{
    if (info.st_uid == ::getuid())
        return true;
    if (::getuid() == 0)
        return false;
    if (!S_ISLNK(info.st_mode))
        return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    struct stat above;
    return ::stat(folder.constData(), &above) == 0 && !(above.st_mode & S_ISVTX) &&
           ::access(folder.constData(), W_OK) == 0;
}

} // namespace

bool isReadOnlyMount(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) != 0 && errno == EROFS;
}

QString otherUsersPath(const QStringList &paths, uint *owner)
{
    constexpr mode_t kShared = S_ISVTX | S_IWOTH;
    for (const QString &path : paths) {
        struct stat info;
        // What is missing yet is made in the nearest folder above it that is there, and becomes that one's.
        QString at = path.isEmpty() ? QString() : QDir::cleanPath(path);
        while (!at.isEmpty() && ::lstat(QFile::encodeName(at).constData(), &info) != 0)
            at = errno == ENOENT && at != QLatin1String("/") ? QFileInfo(at).path() : QString();
        if (at.isEmpty() || isChangeable(at, info) || isReadOnlyMount(at) ||
            (S_ISDIR(info.st_mode) && (info.st_mode & kShared) == kShared))
            continue;
        if (owner)
            *owner = info.st_uid;
        return at;
    }
    return QString();
}

QString otherUsersFolderText(const QString &runtimeFolder)
{
    const QString settings = QFileInfo(LinuxSettingsStore::userFiles().constFirst()).path();
    const QString autostart = LinuxAutostart().entryPath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QStringList paths{QFileInfo(settings).path(),
                      settings,
                      QFileInfo(autostart).path(),
                      autostart,
                      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                      QFileInfo(data).path(),
                      data};
    paths << (runtimeFolder.isEmpty() ? s_heldBackRuntimeFolder : runtimeFolder);
    if (const QString lockFolder = SingleInstance::cacheFolderInUse(runtimeFolder); !lockFolder.isEmpty()) {
        const QString cache = QFileInfo(lockFolder).path();
        paths << QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) << QFileInfo(cache).path()
              << cache << lockFolder;
    }
    for (const QString &folder : {settings, data})
        for (const QString &name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            paths << QDir(folder).filePath(name);
    // The home alone counts as what it points to: an administrator may have moved it to another disk by a link.
    uint owner = 0;
    QString taken = QDir::homePath();
    if (otherUsersPath({QFileInfo(taken).canonicalFilePath()}, &owner).isEmpty())
        taken = otherUsersPath(paths, &owner);
    if (taken.isEmpty())
        return QString();
    return QCoreApplication::translate("Application",
                                       "\"%1\" belongs to the user \"%2\", but %3 was started as \"%4\". It does "
                                       "not start, so that it leaves nothing there that the owner cannot change. "
                                       "Start it as the user whose home folder it is, and give that user back what "
                                       "another user made there.")
        .arg(taken, userName(owner), QCoreApplication::applicationName(), userName(::getuid()));
}

void holdBackRuntimeFolder()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || QFileInfo::exists(folder) || otherUsersPath({folder}).isEmpty())
        return;
    s_heldBackRuntimeFolder = folder;
    qunsetenv("XDG_RUNTIME_DIR");
}

QString userName(uint uid)
{
    const passwd *user = ::getpwuid(uid);
    return user ? QFile::decodeName(user->pw_name) : QString::number(uid);
}

} // namespace Common
