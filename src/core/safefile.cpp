#include "core/safefile.h"

#include "core/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFilePrivate {

bool fail(const QString &path, const QString &reason, QString *error)
{
    const QString message = QStringLiteral("Cannot write %1: %2").arg(path, reason);
    qWarning("%s", qPrintable(message));
    QR_LOG(message.toUtf8());
    if (error)
        *error = reason;
    return false;
}

// The device's reason, or the system's when the device has none: a short write sets no error
// on the device, and its text would be "Unknown error".
QString writeError(const QFileDevice &file, int savedErrno)
{
    if (file.error() != QFileDevice::NoError && !file.errorString().isEmpty() &&
        file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    if (savedErrno != 0)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return file.errorString();
}

} // namespace SafeFilePrivate

namespace Common {

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        return SafeFilePrivate::fail(path, QStringLiteral("cannot create folder %1").arg(folder), error);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return SafeFilePrivate::fail(path, file.errorString(), error);
    // A write that stops short is tried again for the rest, so that the failing call leaves its
    // reason (a full disk, a file-size limit) in errno.
    const char *at = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        errno = 0;
        const qint64 written = file.write(at, left);
        if (written <= 0) {
            const QString reason = SafeFilePrivate::writeError(file, errno);
            file.cancelWriting();
            return SafeFilePrivate::fail(path, reason, error);
        }
        at += written;
        left -= written;
    }
    errno = 0;
    if (!file.flush()) {
        const QString reason = SafeFilePrivate::writeError(file, errno);
        file.cancelWriting();
        return SafeFilePrivate::fail(path, reason, error);
    }
    errno = 0;
    if (!file.commit())
        return SafeFilePrivate::fail(path, SafeFilePrivate::writeError(file, errno), error);
    return true;
}

bool replaceFileWith(const QString &linkOrPath, const QString &source, QString *error)
{
    // As the save file does: a link stays and its target is replaced, with the target's permissions.
    const QFileInfo linkInfo(linkOrPath);
    const QString path = linkInfo.isSymLink() ? linkInfo.symLinkTarget() : linkOrPath;
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        return SafeFilePrivate::fail(path, QStringLiteral("cannot create folder %1").arg(folder), error);
    if (info.exists())
        QFile::setPermissions(source, info.permissions());
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    const int renameErrno = errno;
    if (renameErrno != EXDEV)
        return SafeFilePrivate::fail(path, QString::fromLocal8Bit(std::strerror(renameErrno)), error);

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return SafeFilePrivate::fail(path, in.errorString(), error);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return SafeFilePrivate::fail(path, out.errorString(), error);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            out.cancelWriting();
            return SafeFilePrivate::fail(path, in.errorString(), error);
        }
        if (got == 0)
            break;
        for (qint64 done = 0; done < got;) {
            errno = 0;
            const qint64 written = out.write(buffer.constData() + done, got - done);
            if (written <= 0) {
                const QString reason = SafeFilePrivate::writeError(out, errno);
                out.cancelWriting();
                return SafeFilePrivate::fail(path, reason, error);
            }
            done += written;
        }
    }
    errno = 0;
    if (!out.commit())
        return SafeFilePrivate::fail(path, SafeFilePrivate::writeError(out, errno), error);
    in.close();
    QFile::remove(source);
    return true;
}

QString freeCopyName(const QString &path, const QString &copyBase)
{
    const QString base = copyBase.isEmpty() ? path + QStringLiteral(".bak") : copyBase;
    QString target = base;
    for (int i = 1; QFileInfo::exists(target); ++i)
        target = base + QString::number(i);
    return target;
}

QString identicalCopy(const QString &path, const QString &copyBase)
{
    QFile file;
    if (!openRegularFile(&file, path))
        return QString();
    const QString base = copyBase.isEmpty() ? path + QStringLiteral(".bak") : copyBase;
    QString copy = base;
    for (int i = 1; QFileInfo::exists(copy); copy = base + QString::number(i++)) {
        QFile kept;
        if (QFileInfo(copy).size() != file.size() || !openRegularFile(&kept, copy) || !file.seek(0))
            continue;
        constexpr qint64 s_chunk = 1 << 20;
        bool same = true;
        while (same && !file.atEnd())
            same = file.read(s_chunk) == kept.read(s_chunk);
        if (same && kept.atEnd())
            return copy;
    }
    return QString();
}

QString copyAsideUnderFreeName(const QString &path, const QString &copyBase)
{
    const QString kept = identicalCopy(path, copyBase);
    if (!kept.isEmpty()) {
        QR_LOG(QStringLiteral("%1 is kept as %2 already").arg(path, kept).toUtf8());
        return kept;
    }
    const QString target = freeCopyName(path, copyBase);
    // A FIFO, device or folder holds nothing a copy could keep, and reading it may never end: it is
    // moved aside whole.
    const bool moved = !isRegularOrMissing(path);
    if (moved ? ::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0
              : !QFile::copy(path, target)) {
        const QString message = QStringLiteral("Cannot copy %1 aside to %2").arg(path, target);
        qWarning("%s", qPrintable(message));
        QR_LOG(message.toUtf8());
        return QString();
    }
    QR_LOG(QStringLiteral("%1 %2 aside to %3").arg(moved ? "Moved" : "Copied", path, target).toUtf8());
    return target;
}

bool openRegularFile(QFile *file, const QString &path, QString *error, bool followLinks)
{
    // Non-blocking, so that opening a FIFO never waits for a writer; the check comes before any read.
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    const auto failed = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (fd < 0)
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return failed(QStringLiteral("not a regular file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file->setFileName(path);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(file->errorString());
    }
    return true;
}

bool isRegularOrMissing(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT;
    if (S_ISLNK(info.st_mode) && ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode);
}

} // namespace Common
