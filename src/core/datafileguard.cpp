#include "core/datafileguard.h"

#include "core/log.h"
#include "core/safefile.h"
#include "core/usermessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <optional>

#include <sys/stat.h>

namespace DataFileGuardPrivate {

constexpr qsizetype s_piece = 1 << 20;
// Seeded, Qt's hash of a long text takes a quarter of the time.
constexpr size_t s_seed = 1;

// A hash of the bytes taken a piece at a time, so that a file is compared without being read whole at once.
size_t hashOf(QByteArrayView bytes)
{
    size_t hash = s_seed;
    for (qsizetype at = 0; at < bytes.size(); at += s_piece)
        hash = qHash(bytes.sliced(at, std::min(s_piece, bytes.size() - at)), hash);
    return hash;
}

// What the program last read or wrote at a watched path; not known, whatever is there stands for it.
struct Watched
{
    bool known = false;
    bool exists = false;
    qint64 size = 0;
    size_t hash = 0;
    QString copyBase;

    // Whether `file` holds it; a file that is gone holds nothing to keep.
    bool heldBy(const QString &file) const
    {
        QFile held;
        if (!Common::openRegularFile(&held, file))
            return !QFileInfo::exists(file) && !QFileInfo(file).isSymLink();
        if (!known || !exists || held.size() != size)
            return !known;
        QByteArray piece(std::min<qint64>(s_piece, size), Qt::Uninitialized);
        size_t read = s_seed;
        for (qint64 left = size; left > 0; left -= piece.size()) {
            piece.truncate(std::min<qint64>(s_piece, left));
            if (held.read(piece.data(), piece.size()) != piece.size())
                return false;
            read = qHash(piece, read);
        }
        return read == hash;
    }
};

Watched watched(QByteArrayView bytes, const QString &copyBase)
{
    return Watched{true, true, bytes.size(), hashOf(bytes), copyBase};
}

struct State
{
    QMutex mutex;
    QHash<QString, Watched> watched;
    QHash<QString, Common::DataFileGuard::Problem> noticed;
    QSet<QString> told;
    QStringList waiting;
    bool tellScheduled = false;
};

State &state()
{
    static State s;
    return s;
}

QString key(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Called with the mutex held.
void scheduleTelling(State &s)
{
    if (s.waiting.isEmpty() || s.tellScheduled || !QCoreApplication::instance())
        return;
    s.tellScheduled = true;
    // A message box shown from inside a half-built store would run the event loop under it.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { Common::DataFileGuard::tellWaiting(); }, Qt::QueuedConnection);
}

// Called with the mutex held. The text is made only the first time, as it may read the copies.
template <typename Text> void tellOnce(State &s, const QString &key, Text text)
{
    if (s.told.contains(key))
        return;
    s.told.insert(key);
    s.waiting << text();
    scheduleTelling(s);
}

} // namespace DataFileGuardPrivate

using namespace DataFileGuardPrivate;

namespace Common {

void DataFileGuard::notice(const QString &path, Problem problem)
{
    if (!QFileInfo::exists(path))
        return;
    const QString file = key(path);
    static const char *const s_why[] = {"unreadable", "of an unknown shape", "of a newer version"};
    QR_LOG(file.toUtf8() + " is " + s_why[problem] + "; it is kept aside before it is written again");
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    if (!s.noticed.contains(file))
        s.noticed.insert(file, problem);
    tellOnce(s, file, [&] { return message(file, problem, copyName(file)); });
}

void DataFileGuard::noticeAndKeepAside(const QString &path, Problem problem)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return;
    const QString file = key(path);
    const QString copy = copyName(file);
    {
        State &s = state();
        const QMutexLocker lock(&s.mutex);
        s.noticed.insert(file, problem);
    }
    // Told after the copy was tried, so that the message says what became of the file.
    const bool kept = keepAside(file);
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    tellOnce(s, file, [&] { return kept ? message(file, problem, copy) : uncopiedMessage(file, problem); });
}

bool DataFileGuard::isNoticed(const QString &path)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    return s.noticed.contains(key(path));
}

bool DataFileGuard::isTold(const QString &path)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    return s.told.contains(key(path));
}

bool DataFileGuard::keepAside(const QString &path, QString *error)
{
    const QString file = key(path);
    State &s = state();
    {
        const QMutexLocker lock(&s.mutex);
        if (!s.noticed.contains(file))
            return true;
    }
    if (QFileInfo::exists(file) && copyAsideUnderFreeName(file).isEmpty()) {
        if (error)
            *error = QCoreApplication::translate(
                "DataFileGuard", "A copy of the file that could not be read whole cannot be kept beside it.");
        return false;
    }
    const QMutexLocker lock(&s.mutex);
    s.noticed.remove(file);
    return true;
}

QString DataFileGuard::copyAside(const QString &path, const QString &copyBase)
{
    return copyAsideUnderFreeName(path, copyBase);
}

QString DataFileGuard::keepChanged(const QString &path, const QString &copyBase, const QString &from)
{
    const QString copy = keepRotatedCopy(path, copyBase, from, s_keptCopies);
    if (copy.isEmpty())
        return copy;
    QR_LOG(key(path).toUtf8() + " was changed from outside; that version is kept as " + copy.toUtf8());
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    // A copy found again under its name (its bytes were kept already) is told of no more.
    tellOnce(s, key(copy), [&] {
        return QCoreApplication::translate("DataFileGuard",
                                           "The file \"%1\" was changed by another program while %2 ran. Your "
                                           "changes are written over it; the version it held is kept in \"%3\". "
                                           "Of the copies %2 makes of such versions, the %4 newest are kept; a "
                                           "copy you make yourself is never removed.")
            .arg(QDir::toNativeSeparators(key(path)), QCoreApplication::applicationName(), QFileInfo(copy).fileName())
            .arg(s_keptCopies);
    });
    return copy;
}

QString DataFileGuard::copyName(const QString &path, const QString &copyBase)
{
    const QString kept = identicalCopy(path, copyBase);
    return kept.isEmpty() ? freeCopyName(path, copyBase) : kept;
}

bool DataFileGuard::setAsideIfOversized(const QString &path, qint64 limit)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= limit)
        return false;
    const QString file = key(path);
    // The same bytes placed again are kept already: no second copy of them.
    const QString earlier = identicalCopy(file);
    const QString copy = earlier.isEmpty() ? freeCopyName(file) : earlier;
    if (earlier.isEmpty() ? std::rename(QFile::encodeName(file).constData(), QFile::encodeName(copy).constData()) != 0
                          : !QFile::remove(file)) {
        QR_LOG("Cannot move the far too large " + file.toUtf8() + " aside; it is copied");
        noticeAndKeepAside(file, Unreadable);
        return true;
    }
    QR_LOG(file.toUtf8() + " is far too large (" + QByteArray::number(qint64(info.st_size)) + " bytes): " +
           (earlier.isEmpty() ? "moved aside unread to " : "removed, as the same bytes are kept in ") + copy.toUtf8());
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    tellOnce(s, file, [&] {
        return QCoreApplication::translate("DataFileGuard",
                                           "The file \"%1\" is far larger than any file of its kind (%2 MB), so %3 "
                                           "did not read it and goes on without it. It is kept as it is in \"%4\".")
            .arg(QDir::toNativeSeparators(file))
            .arg(qint64(info.st_size) >> 20)
            .arg(QCoreApplication::applicationName(), QFileInfo(copy).fileName());
    });
    return true;
}

void DataFileGuard::watch(const QString &path, const QByteArray &bytes, const QString &copyBase)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.watched.insert(key(path), watched(bytes, copyBase));
}

void DataFileGuard::watch(const QString &path, qint64 size, size_t hash, const QString &copyBase)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.watched.insert(key(path), Watched{true, true, size, hash, copyBase});
}

size_t DataFileGuard::hashOf(QByteArrayView bytes)
{
    return DataFileGuardPrivate::hashOf(bytes);
}

void DataFileGuard::watchUnread(const QString &path, bool missing, const QString &copyBase)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.watched.insert(key(path), Watched{missing, false, 0, 0, copyBase});
}

void DataFileGuard::placed(const QString &path)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    const auto found = s.watched.find(key(path));
    if (found != s.watched.end())
        *found = Watched{false, false, 0, 0, found->copyBase};
}

bool DataFileGuard::writeFile(const QString &path, const QByteArray &data, QString *error)
{
    if (!keepAside(path, error)) {
        QR_LOG("Not written, as its copy could not be made: " + path.toUtf8());
        return false;
    }
    const QString file = key(path);
    State &s = state();
    std::optional<Watched> expected;
    {
        const QMutexLocker lock(&s.mutex);
        const auto found = s.watched.constFind(file);
        if (found != s.watched.cend())
            expected = *found;
    }
    if (!expected)
        return writeFileAtomically(path, data, error);
    const auto keep = [&](const QString &replaced) {
        return expected->heldBy(replaced) || !keepChanged(path, expected->copyBase, replaced).isEmpty();
    };
    if (!writeFileAtomically(path, data, error, keep))
        return false;
    const QMutexLocker lock(&s.mutex);
    s.watched.insert(file, watched(data, expected->copyBase));
    return true;
}

void DataFileGuard::tell(const QString &text)
{
    QR_LOG("Told: " + text.toUtf8());
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.waiting << text;
    scheduleTelling(s);
}

void DataFileGuard::tellWaiting()
{
    State &s = state();
    QStringList waiting;
    {
        const QMutexLocker lock(&s.mutex);
        s.tellScheduled = false;
        waiting.swap(s.waiting);
    }
    // The title the application has always given these.
    const QString title = QCoreApplication::translate("Application", "Data Error");
    for (const QString &text : std::as_const(waiting))
        Common::UserMessages::information(title, text);
}

QString DataFileGuard::problemText(const QString &path, Problem problem)
{
    const QString program = QCoreApplication::applicationName();
    const QString file = QDir::toNativeSeparators(path);
    QString what;
    switch (problem) {
    case Unreadable:
        what = QCoreApplication::translate("DataFileGuard", "The file \"%1\" could not be read whole.").arg(file);
        break;
    case UnknownShape:
        what =
            QCoreApplication::translate("DataFileGuard", "The file \"%1\" holds data this version of %2 does not know.")
                .arg(file, program);
        break;
    case NewerVersion:
        what = QCoreApplication::translate("DataFileGuard", "The file \"%1\" was saved by a newer version of %2.")
                   .arg(file, program);
        break;
    }
    return what;
}

QString DataFileGuard::message(const QString &path, Problem problem, const QString &copy)
{
    return problemText(path, problem) + QLatin1Char(' ') +
           QCoreApplication::translate("DataFileGuard",
                                       "%1 goes on with what it could read. Before the file is written again, it is "
                                       "kept as it is in \"%2\".")
               .arg(QCoreApplication::applicationName(), QFileInfo(copy).fileName());
}

QString DataFileGuard::uncopiedMessage(const QString &path, Problem problem)
{
    return problemText(path, problem) + QLatin1Char(' ') +
           QCoreApplication::translate("DataFileGuard",
                                       "No copy of it could be kept beside it, so %1 does not write it until a copy "
                                       "can be made; it tries again at each change. Changes you make meanwhile are "
                                       "kept while %1 runs.")
               .arg(QCoreApplication::applicationName());
}

void DataFileGuard::reset()
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.noticed.clear();
    s.watched.clear();
    s.told.clear();
    s.waiting.clear();
    s.tellScheduled = false;
}

} // namespace Common
