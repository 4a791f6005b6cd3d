#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

struct stat;

namespace Common {

// The program's temporary files lie beside the file they replace, named "<name>.qr-tmp-" and six letters or
// digits: a mark no user gives a copy of their own, so that only such files are taken for what a save cut
// short left behind.
QString temporaryFileTemplate(const QString &path);
bool isTemporaryFileName(const QString &fileName);

// Given the path of the file a write replaces, once it is out of the way at a name nothing else needs (swapped
// with the new file, or moved aside just before it took the name): keeps it when it is not what the program expects
// there, and says whether it could. The file is gone after the call.
using ReplacedFileCheck = std::function<bool(const QString &replaced)>;

// Replaces the file at `path` with `data` through a temporary file and an atomic rename, so a crash
// or a full disk never leaves a half-written file behind. Creates a missing folder. On failure the
// old file stays as it was, a warning is logged and `error` (when given) says why. With `keep`, the file
// replaced is swapped out whole and handed to it; when it cannot keep that file, the write is undone.
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error = nullptr,
                         const ReplacedFileCheck &keep = {});
// Tests only: `hook` runs once, in the next write, just before the file at the name is swapped or moved aside;
// `canSwap` false takes the way of file systems that cannot swap two names.
void setReplaceHookForTests(std::function<void()> hook, bool canSwap = true);

// A file the program keeps for itself (a dump, a report, a record) is no user's data: a link at its place
// may lead to one. dropLink() removes such a link, so that nothing is read or written through it; false when
// a link is there and stays. writeOwnFile() drops it, then writes as writeFileAtomically() does.
bool dropLink(const QString &path);
bool writeOwnFile(const QString &path, const QByteArray &data, QString *error = nullptr);

// Puts the file `source` in place of `path` in one atomic step: renamed when both lie on one file
// system, else copied in pieces through a temporary file beside `path`. `source` is gone on success.
// On failure the old file stays as it was and a warning is logged.
bool replaceFileWith(const QString &path, const QString &source, QString *error = nullptr);

// Copies a file that could not be loaded to a free name beside it ("name.bak", "name.bak1", ...)
// before anything overwrites it. Returns the new path, or an empty string when the copy failed.
// `copyBase` replaces "name.bak" for a file whose copies have long had another name. `from`, when given, is
// the version of the file to keep, one nothing else needs (what a swap took from the file's place): it is
// moved under the copy's name.
QString copyAsideUnderFreeName(const QString &path, const QString &copyBase = QString(),
                               const QString &from = QString(), bool *made = nullptr);
// The copies of the file at `path`, the oldest first.
QStringList copiesOf(const QString &path, const QString &copyBase = QString());
// The name copyAsideUnderFreeName() would give a new copy now: the number after the newest copy's.
QString freeCopyName(const QString &path, const QString &copyBase = QString());
// A copy copyAsideUnderFreeName() made earlier that holds the bytes the regular file at `path` holds now (a
// start killed before the file's first write copied it already); empty when none does, or when the file is empty.
// Such a copy is not made again.
QString identicalCopy(const QString &path, const QString &copyBase = QString());
// As copyAsideUnderFreeName(), for a version another program wrote: a new copy is recorded as the program's own
// (in a hidden file beside the copies), and all but the `keep` newest recorded copies are removed; a recorded copy
// that holds the version already takes the next number, as the newest. A file the program did not write under a
// copy's name, or changed since, is never removed.
QString keepRotatedCopy(const QString &path, const QString &copyBase, const QString &from, int keep);

// Opens `file` on `path` for reading only when it names a regular file (through a link too, unless
// `followLinks` is false). A FIFO, device or folder is refused at once instead of waiting on it.
bool openRegularFile(QFile *file, const QString &path, QString *error = nullptr, bool followLinks = true);
// Reads the regular file open in `file` whole while another program may rewrite it in place: the bytes count once
// the file's inode, size and times stayed as they were and, for a file changed in the last seconds, a second read
// finds the same; else it is read again, up to `attempts` times, a little later each time. False when no read held
// or reading failed: a mix of versions is never taken. `identity` gets the file's status as read. `known`, when
// given, is asked once of each read's bytes: bytes it knows as a whole (the caller's own text) are no mix and are
// not read a second time.
bool readSteadily(QFile *file, QByteArray *bytes, struct stat *identity = nullptr, int attempts = 10,
                  const std::function<bool(const QByteArray &)> &known = {});
// Tests only: `hook` runs after each piece readSteadily() reads, on the thread that reads.
void setReadHookForTests(std::function<void()> hook);
// Whether two looks at a file saw one version of it: the same file, size and times.
bool sameVersion(const struct stat &a, const struct stat &b);

// True when nothing is at `path` (not even a dangling link) or a regular file is.
bool isRegularOrMissing(const QString &path);
// True when `path` is a symbolic link, or a file with another name in its folder (the same device and inode):
// what is written there would change that other file too.
bool isLinkOrSharedFile(const QString &path);

} // namespace Common
