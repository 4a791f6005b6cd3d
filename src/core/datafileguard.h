#pragma once

#include <QByteArray>
#include <QString>

namespace Common {

// One rule for every data file the program writes. A file that was not read whole (it cannot be read,
// holds a shape this version does not know, or was written by a newer version) is copied aside under a
// free "name.bak" before it is first written over, a name the program's own file filters skip; the
// user is told once which file it is and what becomes of it; the program goes on with what it read.
class DataFileGuard
{
public:
    enum Problem { Unreadable, UnknownShape, NewerVersion };

    // The file at `path` was not read whole: its next write copies it aside first, and the user is told.
    static void notice(const QString &path, Problem problem);
    // As notice(), for a file that may be written by others at any time: the copy is made at once.
    static void noticeAndKeepAside(const QString &path, Problem problem);
    // True while a noticed file waits for its copy.
    static bool isNoticed(const QString &path);
    // True once the user was told about the file in this run.
    static bool isTold(const QString &path);
    // Copies a noticed file aside. False when that copy failed: then the file must not be written.
    static bool keepAside(const QString &path, QString *error = nullptr);
    // The settings and statistics files are never near this size: read, a file of it would hold the start
    // for seconds and take several times its size in memory.
    static constexpr qint64 s_largestSettingsFile = qint64(16) << 20;
    // A regular file larger than `limit` is moved aside whole under a free copy name, unread, and the user is
    // told; when it cannot be moved, it is copied as noticeAndKeepAside() does. True for such a file, which
    // is not to be read.
    static bool setAsideIfOversized(const QString &path, qint64 limit = s_largestSettingsFile);
    // Copies the file aside now, noticed or not, by the same rule: a free name from `copyBase` (else
    // "name.bak"), a FIFO or folder moved whole. The copy's path, or empty when it failed.
    static QString copyAside(const QString &path, const QString &copyBase = QString());
    // A file another program changed since this one read or wrote it, about to be written over: copied aside
    // now as copyAside() does, and the user is told once for each copy. The copy's path, or empty when it
    // failed: then the file must not be written.
    // `from`: where that version lies instead of at `path` (a swap took it from there), as copyAsideUnderFreeName()
    // takes it. Of the copies made so, the s_keptCopies newest stay; no other file under a copy's name is removed.
    static QString keepChanged(const QString &path, const QString &copyBase = QString(),
                               const QString &from = QString());
    static constexpr int s_keptCopies = 5;
    // The copy copyAside() would keep the file in now: an earlier one of the same bytes, else a free name.
    static QString copyName(const QString &path, const QString &copyBase = QString());
    // A file another program may write at any time, and `bytes` what this one read there. Any other version
    // writeFile() finds in its place, up to the moment the new file takes the name, is kept as keepChanged() keeps
    // it, under a name from `copyBase`.
    static void watch(const QString &path, const QByteArray &bytes, const QString &copyBase = QString());
    // As watch(), with the bytes' size and their hashOf(), worked out elsewhere.
    static void watch(const QString &path, qint64 size, size_t hash, const QString &copyBase = QString());
    // The hash the guard knows a version of a file by.
    static size_t hashOf(QByteArrayView bytes);
    // As watch(), for a file that was not there (`missing`), or that could not be read: whatever the next write
    // finds then stands for what was read.
    static void watchUnread(const QString &path, bool missing, const QString &copyBase = QString());
    // The program put a file at a watched `path` by other means than writeFile() (a restore): what is there now
    // stands for what was read.
    static void placed(const QString &path);
    // keepAside(), then the atomic write.
    static bool writeFile(const QString &path, const QByteArray &data, QString *error = nullptr);

    // Tells `text` as a "Data Error" from the event loop, as the notices are told: what is noticed
    // while the program is busy waits for it.
    static void tell(const QString &text);
    // Tells what waits now.
    static void tellWaiting();
    static QString message(const QString &path, Problem problem, const QString &copy);
    // As message(), for a file whose copy could not be made: it is not written until one is.
    static QString uncopiedMessage(const QString &path, Problem problem);

    // Tests only: forget everything, as a new process would start.
    static void reset();

private:
    // What is wrong with the file, the first sentence of every message.
    static QString problemText(const QString &path, Problem problem);
};

} // namespace Common
