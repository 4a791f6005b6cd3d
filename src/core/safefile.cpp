#include "core/safefile.h"

#include "core/log.h"
#include "platform/privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

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

const QLatin1String s_mark(".qr-tmp-");

std::function<void()> s_beforeReplace;
std::function<void()> s_afterReadPiece;
bool s_canSwap = true;

// A new file beside the one at `path`, written whole and then renamed into its place. A link at `path` stays
// and its target is replaced, keeping the target's permissions. Not committed, the new file goes again.
class Replacement
{
public:
    ~Replacement()
    {
        if (!m_temporary.isEmpty() && !m_committed) {
            m_file.close();
            QFile::remove(m_temporary);
        }
    }

    bool open(const QString &path, QString *reason)
    {
        QFileInfo target(path);
        for (int depth = 0; depth < 128 && target.isSymLink(); ++depth)
            target.setFile(target.symLinkTarget());
        m_final = target.isSymLink() ? path : target.filePath();
        struct stat info;
        const bool exists = ::stat(QFile::encodeName(m_final).constData(), &info) == 0;
        if (exists && S_ISDIR(info.st_mode))
            return failed(reason, QStringLiteral("%1 is a folder").arg(m_final));
        if (exists && ::access(QFile::encodeName(m_final).constData(), W_OK) != 0)
            return failed(reason, QStringLiteral("the existing file %1 is not writable").arg(m_final));
        // Others get no access before the old file's permissions are copied.
        const mode_t mode = exists ? 0600 : 0666;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString name = m_final + s_mark + randomText();
            const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0)
                return failed(reason, QString::fromLocal8Bit(std::strerror(errno)));
            if (exists)
                ::fchmod(fd, info.st_mode & 07777);
            m_temporary = name;
            if (m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
                return true;
            ::close(fd);
            return failed(reason, m_file.errorString());
        }
        return failed(reason, QStringLiteral("no free temporary name beside %1").arg(m_final));
    }

    QFile &file() { return m_file; }

    bool commit(QString *reason, const Common::ReplacedFileCheck &keep = {})
    {
        errno = 0;
        if (!m_file.flush() || ::fsync(m_file.handle()) != 0)
            return failed(reason, writeError(m_file, errno));
        m_file.close();
        if (s_beforeReplace)
            std::exchange(s_beforeReplace, nullptr)();
        const QByteArray from = QFile::encodeName(m_temporary);
        const QByteArray to = QFile::encodeName(m_final);
        // Swapped, what was at the name lies at the temporary name, where no other program writes it: nothing
        // written there up to this moment is lost. Without a file there, ours takes the name only while it is free.
        for (int attempt = 0; keep && s_canSwap && attempt < 100; ++attempt) {
            if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
                m_committed = true;
                if (keep(m_temporary)) {
                    QFile::remove(m_temporary);
                    return true;
                }
                m_committed = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) != 0;
                return failed(reason, QStringLiteral("the version it replaced cannot be kept"));
            }
            if (errno == ENOENT &&
                ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
                m_committed = true;
                return true;
            }
            if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)
                break;
            if (errno != ENOENT && errno != EEXIST)
                return failed(reason, QString::fromLocal8Bit(std::strerror(errno)));
        }
        // A file system that cannot swap: what is at the name is moved aside and ours put in, and only then is
        // what was moved aside looked at; a version written between the two renames is what can still be lost.
        const QByteArray aside = QFile::encodeName(m_final + s_mark + randomText());
        if (keep && ::rename(to.constData(), aside.constData()) == 0) {
            if (::rename(from.constData(), to.constData()) != 0) {
                const int renameErrno = errno;
                ::rename(aside.constData(), to.constData());
                return failed(reason, QString::fromLocal8Bit(std::strerror(renameErrno)));
            }
            m_committed = true;
            if (keep(QFile::decodeName(aside))) {
                ::unlink(aside.constData());
                return true;
            }
            // That version goes back to its place.
            ::rename(aside.constData(), to.constData());
            return failed(reason, QStringLiteral("the version it replaced cannot be kept"));
        }
        if (keep && errno != ENOENT)
            return failed(reason, QString::fromLocal8Bit(std::strerror(errno)));
        if (::rename(from.constData(), to.constData()) != 0)
            return failed(reason, QString::fromLocal8Bit(std::strerror(errno)));
        m_committed = true;
        return true;
    }

private:
    static QString randomText()
    {
        static const char s_chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        QString text;
        for (int i = 0; i < 6; ++i)
            text += QLatin1Char(s_chars[QRandomGenerator::global()->bounded(62)]);
        return text;
    }

    static bool failed(QString *reason, const QString &text)
    {
        *reason = text;
        return false;
    }

    QFile m_file;
    QString m_temporary;
    QString m_final;
    bool m_committed = false;
};

// Copies the regular file `from` to `to`, through a temporary file as every write does, with its permissions.
bool copyFile(const QString &from, const QString &to)
{
    QFile in;
    Replacement out;
    QString reason;
    struct stat info;
    if (!Common::openRegularFile(&in, from) || ::fstat(in.handle(), &info) != 0 || !out.open(to, &reason) ||
        ::fchmod(out.file().handle(), info.st_mode & 07777) != 0)
        return false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 got = 0;
    while ((got = in.read(buffer.data(), buffer.size())) > 0) {
        if (out.file().write(buffer.constData(), got) != got)
            return false;
    }
    return got == 0 && out.commit(&reason);
}

// The copies by their number, "name.bak" being 0.
QMap<int, QString> numberedCopies(const QString &path, const QString &copyBase)
{
    const QFileInfo base(copyBase.isEmpty() ? path + QStringLiteral(".bak") : copyBase);
    const QRegularExpression number(QRegularExpression::anchoredPattern(QRegularExpression::escape(base.fileName()) +
                                                                        QStringLiteral("([1-9][0-9]{0,8})?")));
    QMap<int, QString> copies;
    const QStringList names = base.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = number.match(name);
        if (match.hasMatch())
            copies.insert(match.captured(1).toInt(), base.dir().filePath(name));
    }
    return copies;
}

// A copy in `copies` that holds the bytes the regular file `from` holds, the newest first. Never for an empty file:
// one that another program emptied to write it again still gets its bytes, and must be kept.
QString identicalCopyOf(const QString &from, const QStringList &copies)
{
    QFile file;
    if (!Common::openRegularFile(&file, from) || file.size() == 0)
        return QString();
    for (auto copy = copies.crbegin(); copy != copies.crend(); ++copy) {
        QFile kept;
        if (QFileInfo(*copy).size() != file.size() || !Common::openRegularFile(&kept, *copy) || !file.seek(0))
            continue;
        constexpr qint64 s_chunk = 1 << 20;
        bool same = true;
        while (same && !file.atEnd())
            same = file.read(s_chunk) == kept.read(s_chunk);
        if (same && kept.atEnd())
            return *copy;
    }
    return QString();
}

// The record of the copies the program made of versions from outside, beside them: only those rotate.
QString ownCopiesRecord(const QString &path, const QString &copyBase)
{
    const QFileInfo base(copyBase.isEmpty() ? path + QStringLiteral(".bak") : copyBase);
    return base.dir().filePath(QLatin1Char('.') + base.fileName() + QStringLiteral(".own"));
}

// What tells a copy from a file put at its name later: its inode, size and status change time. Not the
// modification time, which a user's tools set back (touch, cp -p) on a file edited in place or on a new file that
// took the copy's freed inode; no program sets the change time.
QByteArray identityOf(const QString &file)
{
    struct stat info;
    if (::lstat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return QByteArray();
    return QByteArray::number(qulonglong(info.st_ino)) + ' ' + QByteArray::number(qint64(info.st_size)) + ' ' +
           QByteArray::number(qint64(info.st_ctim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_ctim.tv_nsec));
}

// Lines of a copy's name, a tab and its identity.
QMap<QString, QByteArray> readOwnCopies(const QString &record)
{
    QMap<QString, QByteArray> copies;
    QFile file;
    if (!Common::openRegularFile(&file, record, nullptr, false))
        return copies;
    const QList<QByteArray> lines = file.read(1 << 20).split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            copies.insert(QString::fromUtf8(line.left(tab)), line.mid(tab + 1));
    }
    return copies;
}

void writeOwnCopies(const QString &record, const QMap<QString, QByteArray> &copies)
{
    QByteArray text;
    for (auto copy = copies.cbegin(); copy != copies.cend(); ++copy)
        text += copy.key().toUtf8() + '\t' + copy.value() + '\n';
    if (copies.isEmpty() ? !QFile::remove(record) && QFileInfo::exists(record) : !Common::writeOwnFile(record, text))
        QR_LOG("Cannot record the program's own copies in " + record.toUtf8());
}

} // namespace SafeFilePrivate

namespace Common {

QString temporaryFileTemplate(const QString &path)
{
    return path + SafeFilePrivate::s_mark + QStringLiteral("XXXXXX");
}

bool isTemporaryFileName(const QString &fileName)
{
    static const QRegularExpression s_pattern(
        QRegularExpression::anchoredPattern(QStringLiteral(".+\\.qr-tmp-[A-Za-z0-9]{6}")));
    return s_pattern.match(fileName).hasMatch();
}

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error, const ReplacedFileCheck &keep)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists() && !makePrivateFolder(folder))
        return SafeFilePrivate::fail(path, QStringLiteral("cannot create folder %1").arg(folder), error);

    SafeFilePrivate::Replacement replacement;
    QString reason;
    if (!replacement.open(path, &reason))
        return SafeFilePrivate::fail(path, reason, error);
    QFile &file = replacement.file();
    // A write that stops short is tried again for the rest, so that the failing call leaves its
    // reason (a full disk, a file-size limit) in errno.
    const char *at = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        errno = 0;
        const qint64 written = file.write(at, left);
        if (written <= 0)
            return SafeFilePrivate::fail(path, SafeFilePrivate::writeError(file, errno), error);
        at += written;
        left -= written;
    }
    if (!replacement.commit(&reason, keep))
        return SafeFilePrivate::fail(path, reason, error);
    return true;
}

void setReplaceHookForTests(std::function<void()> hook, bool canSwap)
{
    SafeFilePrivate::s_beforeReplace = std::move(hook);
    SafeFilePrivate::s_canSwap = canSwap;
}

bool dropLink(const QString &path)
{
    if (!QFileInfo(path).isSymLink())
        return true;
    const bool removed = QFile::remove(path);
    QR_LOG((removed ? "Removed the link at " : "Cannot remove the link at ") + path.toUtf8() +
           ", a file the program keeps for itself");
    return removed;
}

bool writeOwnFile(const QString &path, const QByteArray &data, QString *error)
{
    if (!dropLink(path))
        return SafeFilePrivate::fail(path, QStringLiteral("a link is in its place"), error);
    return writeFileAtomically(path, data, error);
}

bool replaceFileWith(const QString &linkOrPath, const QString &source, QString *error)
{
    // As every write does: a link stays and its target is replaced, with the target's permissions.
    const QFileInfo linkInfo(linkOrPath);
    const QString path = linkInfo.isSymLink() ? linkInfo.symLinkTarget() : linkOrPath;
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists() && !makePrivateFolder(folder))
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
    SafeFilePrivate::Replacement replacement;
    QString reason;
    if (!replacement.open(path, &reason))
        return SafeFilePrivate::fail(path, reason, error);
    QFile &out = replacement.file();
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0)
            return SafeFilePrivate::fail(path, in.errorString(), error);
        if (got == 0)
            break;
        for (qint64 done = 0; done < got;) {
            errno = 0;
            const qint64 written = out.write(buffer.constData() + done, got - done);
            if (written <= 0)
                return SafeFilePrivate::fail(path, SafeFilePrivate::writeError(out, errno), error);
            done += written;
        }
    }
    if (!replacement.commit(&reason))
        return SafeFilePrivate::fail(path, reason, error);
    in.close();
    QFile::remove(source);
    return true;
}

QStringList copiesOf(const QString &path, const QString &copyBase)
{
    return SafeFilePrivate::numberedCopies(path, copyBase).values();
}

QString freeCopyName(const QString &path, const QString &copyBase)
{
    // After the newest copy, so that the numbers tell the copies' order also once the oldest are gone.
    const QString base = copyBase.isEmpty() ? path + QStringLiteral(".bak") : copyBase;
    const QMap<int, QString> copies = SafeFilePrivate::numberedCopies(path, copyBase);
    int next = copies.isEmpty() ? 0 : copies.lastKey() + 1;
    QString target = next == 0 ? base : base + QString::number(next);
    while (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        target = base + QString::number(++next);
    return target;
}

QString identicalCopy(const QString &path, const QString &copyBase)
{
    return SafeFilePrivate::identicalCopyOf(path, copiesOf(path, copyBase));
}

QString copyAsideUnderFreeName(const QString &path, const QString &copyBase, const QString &from, bool *made)
{
    if (made)
        *made = false;
    const QString source = from.isEmpty() ? path : from;
    const QString kept = SafeFilePrivate::identicalCopyOf(source, copiesOf(path, copyBase));
    if (!kept.isEmpty()) {
        QR_LOG(QStringLiteral("%1 is kept as %2 already").arg(source, kept).toUtf8());
        return kept;
    }
    const QString target = freeCopyName(path, copyBase);
    // A FIFO, device or folder holds nothing a copy could keep, and reading it may never end: it is
    // moved aside whole. A version nothing else needs is moved too, or copied from another file system.
    const bool mayMove = !from.isEmpty() || !isRegularOrMissing(path);
    const bool moved =
        mayMove && ::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
    const bool mayCopy = !from.isEmpty() || !mayMove;
    if (!moved && !(mayCopy && SafeFilePrivate::copyFile(source, target))) {
        const QString message = QStringLiteral("Cannot copy %1 aside to %2").arg(source, target);
        qWarning("%s", qPrintable(message));
        QR_LOG(message.toUtf8());
        return QString();
    }
    QR_LOG(QStringLiteral("%1 %2 aside to %3").arg(moved ? "Moved" : "Copied", source, target).toUtf8());
    if (made)
        *made = true;
    return target;
}

QString keepRotatedCopy(const QString &path, const QString &copyBase, const QString &from, int keep)
{
    using namespace SafeFilePrivate;
    // One copy is named, recorded and rotated at a time, whichever thread saves.
    static QMutex s_mutex;
    const QMutexLocker lock(&s_mutex);
    bool made = false;
    QString copy = copyAsideUnderFreeName(path, copyBase, from, &made);
    if (copy.isEmpty())
        return copy;
    const QString record = ownCopiesRecord(path, copyBase);
    const QMap<QString, QByteArray> recorded = readOwnCopies(record);
    // A version that comes back is the newest: its copy takes the next number, so that it is not the first to go.
    if (!made && recorded.value(QFileInfo(copy).fileName()) == identityOf(copy) &&
        copy != copiesOf(path, copyBase).constLast()) {
        const QString renewed = freeCopyName(path, copyBase);
        if (std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(renewed).constData()) == 0) {
            QR_LOG(QStringLiteral("Renamed %1 to %2, as the newest").arg(copy, renewed).toUtf8());
            copy = renewed;
            made = true;
        }
    }
    QMap<QString, QByteArray> own;
    QStringList oldestFirst;
    for (const QString &file : copiesOf(path, copyBase)) {
        const QString name = QFileInfo(file).fileName();
        const QByteArray identity = identityOf(file);
        if (!identity.isEmpty() && ((made && file == copy) || recorded.value(name) == identity)) {
            own.insert(name, identity);
            oldestFirst << file;
        }
    }
    for (qsizetype i = 0; i + keep < oldestFirst.size(); ++i) {
        if (QFile::remove(oldestFirst.at(i))) {
            QR_LOG(QStringLiteral("Removed the old copy %1").arg(oldestFirst.at(i)).toUtf8());
            own.remove(QFileInfo(oldestFirst.at(i)).fileName());
        }
    }
    if (own != recorded)
        writeOwnCopies(record, own);
    return copy;
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

bool readSteadily(QFile *file, QByteArray *bytes, struct stat *identity, int attempts,
                  const std::function<bool(const QByteArray &)> &known)
{
    using namespace SafeFilePrivate;
    constexpr qint64 s_piece = 1 << 20;
    bytes->clear();
    QByteArray piece;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(std::min(5 << attempt, 200));
        struct stat before, after;
        if (::fstat(file->handle(), &before) != 0 || !file->seek(0))
            return false;
        // A write while the file is read shows in its times, unless the file was written in the same tick of the
        // file system's coarse clock: one that changed in the last seconds may be in the middle of a write, and
        // is read twice.
        const bool atRest = std::max(before.st_mtim.tv_sec, before.st_ctim.tv_sec) + 2 < std::time(nullptr);
        QByteArray read;
        read.reserve(before.st_size);
        bool agreed = true;
        int passes = atRest ? 1 : 2;
        for (int pass = 0; pass < passes && agreed; ++pass) {
            if (!file->seek(0))
                return false;
            qint64 at = 0;
            while (agreed) {
                piece = file->read(s_piece);
                if (file->error() != QFileDevice::NoError)
                    return false;
                if (s_afterReadPiece)
                    s_afterReadPiece();
                if (piece.isEmpty())
                    break;
                if (pass == 0)
                    read += piece;
                else if (at + piece.size() > read.size() || QByteArrayView(read).sliced(at, piece.size()) != piece)
                    agreed = false;
                at += piece.size();
            }
            agreed = agreed && at == read.size();
            if (pass == 0 && known && known(read))
                passes = 1;
        }
        if (agreed && ::fstat(file->handle(), &after) == 0 && sameVersion(before, after)) {
            *bytes = std::move(read);
            if (identity)
                *identity = after;
            return true;
        }
    }
    QR_LOG(file->fileName().toUtf8() + " changed at every read; it is not taken");
    return false;
}

void setReadHookForTests(std::function<void()> hook)
{
    SafeFilePrivate::s_afterReadPiece = std::move(hook);
}

bool sameVersion(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
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

bool isLinkOrSharedFile(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    if (S_ISLNK(info.st_mode))
        return true;
    if (info.st_nlink < 2)
        return false;
    const QFileInfo file(path);
    const QStringList names = file.dir().entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        struct stat other;
        if (name != file.fileName() && ::lstat(QFile::encodeName(file.dir().filePath(name)).constData(), &other) == 0 &&
            other.st_dev == info.st_dev && other.st_ino == info.st_ino)
            return true;
    }
    return false;
}

} // namespace Common
