#pragma once

#include <QString>
#include <QStringList>

namespace Common {

// Makes the folder `path` with every missing folder above it, each for this user alone (0700), as the XDG
// base-directory layout asks: another user of the machine reads no event or list of ours. A folder there
// already keeps its mode. True when `path` is a folder afterwards.
bool makePrivateFolder(const QString &path);
// Whether `path` is on a mount that nobody may write, whoever it shows as the owner.
bool isReadOnlyMount(const QString &path);
// The first of `paths` that another user than this process's owns, whose number goes into `owner`; empty when
// none does. Each entry is judged itself, a link as its maker's whatever it points to, one that is missing as the
// nearest folder above it that is there (which is returned then); a folder that anyone may write into and where
// only an entry's owner may replace it (/tmp, /dev/shm), and one on a read-only mount, are no one's: the start
// says it cannot write there. For a user who is not root, what it may change (write, or replace a link) counts as
// its own.
QString otherUsersPath(const QStringList &paths, uint *owner = nullptr);
// Why the program must not start: the home, or a folder or file that the program makes, writes or replaces there,
// is another user's, so that the start would leave there what that user cannot change, or fail half-way. The
// cache counts only where the lock's folder goes there, that is with no `runtimeFolder` given and none of the
// session's own. So does the `runtimeFolder` given, or the session's one that holdBackRuntimeFolder() held back.
// Empty when nothing is another user's.
QString otherUsersFolderText(const QString &runtimeFolder);
// Before the toolkit starts, which makes the session's runtime folder where it is not there yet: where that would
// leave it in another user's folder, the toolkit is given none, and otherUsersFolderText() names that folder.
void holdBackRuntimeFolder();
// The user's login name, or the number where the user has none.
QString userName(uint uid);

} // namespace Common
